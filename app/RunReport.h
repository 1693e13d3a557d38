#pragma once
// What a run did, from the stage recorder: a few lines on standard error at
// exit and, when asked for, the same as JSON for scripts.

#include "pipeline/StageRecorder.h"

#include <QJsonObject>
#include <QString>

// At most thirteen lines: the run's time, the frames read, shown and dropped,
// the results, the recording's pictures when one ran, and per stage that ran its median, 95th percentile and maximum.
QString RunReportText(const StageRecorder& recorder, double runSeconds);

QJsonObject RunReportJson(const StageRecorder& recorder, double runSeconds);

// Writes the JSON report whole, or not at all; false with `error` set.
bool WriteRunReport(const QString& path, const QJsonObject& report, QString& error);

// At exit: the text on standard error and, when `jsonPath` is set, the JSON
// there. A report that cannot be written costs one line, never the run's
// exit status.
void ReportRunAtExit(const QString& jsonPath, double runSeconds);
