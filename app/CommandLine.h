#pragma once
// The program's command line: `VireoOwlEdge [options] [settings.json]`.

#include "RunOptions.h"

#include <QString>
#include <QStringList>

#include <optional>

// Exit status of a command line that cannot be used, as other tools use it.
inline constexpr int kUsageErrorStatus = 2;

// Either a run with `options`, or an exit with `exitStatus` once `text` is
// printed (to standard output for 0: help, version; to standard error
// otherwise: what was wrong and the usage).
struct CommandLine {
    std::optional<int> exitStatus;
    QString text;
    RunOptions options;
};

// `arguments` as main receives them, the program's name first. Needs a
// QCoreApplication (its name and version go into the texts), but no display,
// and writes nothing.
CommandLine ParseCommandLine(const QStringList& arguments);
