#include "DisplayCheck.h"

std::string MissingDisplayAdvice(int, char**)
{
    // A Windows session always has its desktop.
    return {};
}

bool DisplayFound(int, char**)
{
    return true;
}
