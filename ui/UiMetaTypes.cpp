#include "ui/UiMetaTypes.h"

#include <QMetaType>

#include <string>
#include <vector>

void RegisterUiMetaTypes()
{
    static const bool registered = [] {
        qRegisterMetaType<std::string>("std::string");
        qRegisterMetaType<std::vector<int>>("std::vector<int>");
        return true;
    }();
    (void)registered;
}
