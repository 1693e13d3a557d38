#include "HostLibAdapter/FdFrResult.h"

int RegisterFdFrResultListMetaType()
{
    static const int id = qRegisterMetaType<std::vector<FdFrResult>>("std::vector<FdFrResult>");
    return id;
}
