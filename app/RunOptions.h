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
    QString recordPath;          // --record FILE: what is shown recorded from the start; empty: none
    int recordMaxMb = 1024;      // --record-max-mb: then the next numbered file
    QString resultsPath;         // --results FILE.jsonl: one line per answer with results; empty: none
    int resultsMaxMb = 256;      // --results-max-mb: then the next numbered file
    QString snapshotDir;         // --snapshot-dir: snapshots and F6 recordings; empty: the pictures folder
};
