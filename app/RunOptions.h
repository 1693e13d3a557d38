#pragma once
// What one run of the program was asked for on its command line.

#include "settings/QtSettingManager.h"

#include <QString>

#include <string>

struct RunOptions {
    std::string settingsPath;    // empty: the default file beside the executable
    SettingOverrides overrides;  // this run only; never written into the settings file
    bool showStats = false;      // --stats: the statistics overlay is on from the start
    QString reportPath;          // --report FILE: the exit report as JSON there; empty: none
};
