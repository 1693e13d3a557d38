#include "RunReport.h"

#include <QJsonDocument>
#include <QSaveFile>

#include <cstdio>

namespace {

constexpr Stage kStages[] = {Stage::CaptureRead,    Stage::SlotWait,        Stage::Encode,
                             Stage::RequestWrite,   Stage::DetectorAnswer,  Stage::DeviceInference,
                             Stage::Display,        Stage::CaptureToDisplay};

double Share(std::uint64_t part, std::uint64_t whole)
{
    return whole == 0 ? 0.0 : 100.0 * double(part) / double(whole);
}

}  // namespace

QString RunReportText(const StageRecorder& recorder, double runSeconds)
{
    const std::uint64_t read = recorder.framesRead.load();
    const std::uint64_t dropped = recorder.framesDropped.load();
    QString text = QStringLiteral("[Report] ran %1 s: %2 frames read, %3 shown, %4 dropped (%5 %), %6 with results\n")
                       .arg(runSeconds, 0, 'f', 1)
                       .arg(read)
                       .arg(recorder.framesShown.load())
                       .arg(dropped)
                       .arg(Share(dropped, read), 0, 'f', 1)
                       .arg(recorder.results.load());
    const std::uint64_t recorded = recorder.picturesRecorded.load();
    const std::uint64_t recordDropped = recorder.recordingDropped.load();
    if (recorded + recordDropped > 0)
        text += QStringLiteral("[Report] recording: %1 pictures recorded, %2 dropped (%3 %) because the encoder lagged\n")
                    .arg(recorded)
                    .arg(recordDropped)
                    .arg(Share(recordDropped, recorded + recordDropped), 0, 'f', 1);
    text += QStringLiteral("[Report] %1 %2 %3 %4 (ms)\n")
                .arg(QStringLiteral("stage"), -24)
                .arg(QStringLiteral("median"), 8)
                .arg(QStringLiteral("p95"), 8)
                .arg(QStringLiteral("max"), 8);
    for (const Stage stage : kStages) {
        const StageSummary s = recorder.Summary(stage);
        if (s.count == 0)
            continue;
        text += QStringLiteral("[Report] %1 %2 %3 %4\n")
                    .arg(QString::fromLatin1(StageName(stage)), -24)
                    .arg(s.medianMs, 8, 'f', 1)
                    .arg(s.p95Ms, 8, 'f', 1)
                    .arg(s.maxMs, 8, 'f', 1);
    }
    return text;
}

QJsonObject RunReportJson(const StageRecorder& recorder, double runSeconds)
{
    QJsonObject stages;
    for (const Stage stage : kStages) {
        const StageSummary s = recorder.Summary(stage);
        if (s.count == 0)
            continue;
        stages.insert(QString::fromLatin1(StageName(stage)),
                      QJsonObject{{QStringLiteral("count"), double(s.count)},
                                  {QStringLiteral("median_ms"), s.medianMs},
                                  {QStringLiteral("p95_ms"), s.p95Ms},
                                  {QStringLiteral("max_ms"), s.maxMs}});
    }
    return QJsonObject{
        {QStringLiteral("run_seconds"), runSeconds},
        {QStringLiteral("frames"), QJsonObject{{QStringLiteral("read"), double(recorder.framesRead.load())},
                                               {QStringLiteral("shown"), double(recorder.framesShown.load())},
                                               {QStringLiteral("dropped"), double(recorder.framesDropped.load())}}},
        {QStringLiteral("results"), double(recorder.results.load())},
        {QStringLiteral("recording"), QJsonObject{{QStringLiteral("recorded"), double(recorder.picturesRecorded.load())},
                                                  {QStringLiteral("dropped"), double(recorder.recordingDropped.load())}}},
        {QStringLiteral("stages"), stages},
    };
}

bool WriteRunReport(const QString& path, const QJsonObject& report, QString& error)
{
    QSaveFile file(path);
    // Unbuffered, so a short write on a full disk is seen before the commit.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        error = file.errorString();
        return false;
    }
    const QByteArray bytes = QJsonDocument(report).toJson();
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

void ReportRunAtExit(const QString& jsonPath, double runSeconds)
{
    const StageRecorder& recorder = StageRecorder::Instance();
    std::fputs(RunReportText(recorder, runSeconds).toLocal8Bit().constData(), stderr);
    QString error;
    if (!jsonPath.isEmpty() && !WriteRunReport(jsonPath, RunReportJson(recorder, runSeconds), error))
        std::fprintf(stderr, "[Report] the report could not be written to %s: %s\n",
                     jsonPath.toLocal8Bit().constData(), error.toLocal8Bit().constData());
}
