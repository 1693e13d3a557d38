#include "DisplayCheck.h"

std::string MissingDisplayAdvice(const std::string&)
{
    // A Windows session always has its desktop.
    return {};
}

bool DisplayFound(const char*)
{
    return true;
}
