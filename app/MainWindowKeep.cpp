// What the window keeps of what was seen: snapshots (F5), the recording of
// what it shows (--record, F6) and the results log (--results).

#include "MainWindow.h"

#include "ResultLines.h"
#include "ResultView.h"

#include "ui_VireoOwlEdgeWindow.h"

#include "keep/KeptFileNames.h"
#include "keep/ResultsLog.h"
#include "keep/ShownRecorder.h"
#include "pipeline/DisplayMailbox.h"
#include "settings/QtSettingManager.h"
#include "ui/UsbPanelUiItem.h"

#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QStandardPaths>
#include <QtDebug>

namespace {

constexpr qint64 kMegabyte = 1024 * 1024;

QString SnapshotFolder(const QString& chosen)
{
    if (!chosen.isEmpty())
        return chosen;
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return pictures.isEmpty() ? QDir::homePath() : pictures;
}

quint64 PicturesShown()
{
    return StageRecorder::Instance().framesShown.load(std::memory_order_relaxed);
}

}  // namespace

void VireoOWL::SetupKeeping()
{
    if (!runOptions.resultsPath.isEmpty())
        resultsLog = std::make_unique<ResultsLog>(runOptions.resultsPath, runOptions.resultsMaxMb * kMegabyte,
                                                  [](const QString& line) { qWarning().noquote() << line; });
    if (!settings->IsDisplayMainWindow()) {
        if (!runOptions.recordPath.isEmpty())
            qWarning().noquote() << "[Record] nothing is drawn without a window (--no-window):" << runOptions.recordPath
                                 << "is not recorded";
        return;
    }
    RecordingLimits limits;
    limits.maxFileBytes = runOptions.recordMaxMb * kMegabyte;
    recorder = std::make_unique<ShownRecorder>(limits);
    // Direct: the lines of a recording or snapshot finished at exit are
    // printed even though no event loop runs any more.
    connect(
        recorder.get(), &ShownRecorder::SigMessage, this, [](const QString& line) { qInfo().noquote() << line; },
        Qt::DirectConnection);
    connect(
        recorder.get(), &ShownRecorder::SigSnapshotSaved, this,
        [](const QString& path) { qInfo().noquote() << QStringLiteral("[Snapshot] saved %1").arg(path); },
        Qt::DirectConnection);
    connect(recorder.get(), &ShownRecorder::SigSnapshotSaved, this, &VireoOWL::SlotSnapshotSaved);

    recordingMark = new QLabel(QStringLiteral("\u25CF REC"), this);
    recordingMark->setStyleSheet(QStringLiteral("color: rgb(230, 30, 30); font-weight: bold; font-size: 16px; "
                                                "background-color: rgba(0, 0, 0, 40%); padding: 2px 6px;"));
    recordingMark->adjustSize();
    recordingMark->hide();
    recordAtFirstPicture = !runOptions.recordPath.isEmpty();
}

QImage VireoOWL::RenderShown() const
{
    const QLabel* area = ui->lblVideoImg;
    QImage shown(area->size(), QImage::Format_RGB32);
    shown.fill(Qt::black);
    QPainter painter(&shown);
    const_cast<QLabel*>(area)->render(&painter);
    resultView->Render(painter, area->mapTo(this, QPoint()));
    return shown;
}

void VireoOWL::TakeSnapshot()
{
    if (!recorder) {
        qWarning() << "[Snapshot] nothing is drawn without a window; no snapshot";
        return;
    }
    if (!recorder->Snapshot(RenderShown(), SnapshotFolder(runOptions.snapshotDir), QDateTime::currentDateTime(),
                            PicturesShown()))
        ++snapshotsSkipped;
}

void VireoOWL::SlotSnapshotSaved(QString path)
{
    if (snapshotsSkipped > 0)
        qInfo().noquote() << QStringLiteral("[Snapshot] %1 presses of F5 were skipped while snapshots were being written")
                                 .arg(snapshotsSkipped);
    snapshotsSkipped = 0;
    // The log has the line already.
    if (usbPanel->isVisible())
        usbPanel->AppendMsg(QStringLiteral("[Snapshot] saved %1").arg(path));
}

void VireoOWL::ToggleRecording()
{
    if (!recorder) {
        qWarning() << "[Record] nothing is drawn without a window; no recording";
        return;
    }
    recordAtFirstPicture = false;
    if (recorder->IsRecording()) {
        recorder->Stop();
        recordingMark->hide();
        return;
    }
    const QString folder = SnapshotFolder(runOptions.snapshotDir);
    if (!QDir().mkpath(folder)) {
        SayToUser(QStringLiteral("[Record] the folder %1 cannot be made; no recording").arg(folder));
        return;
    }
    StartRecording(KeptName(folder, QDateTime::currentDateTime(), PicturesShown(), QStringLiteral("mkv")), true);
}

void VireoOWL::StartRecording(const QString& path, bool keepExisting)
{
    const int measured = settings->GetCameraInfoFps();
    const double fps = measured > 0 ? measured : settings->GetCameraFps();
    recorder->Start(path, fps, ui->lblVideoImg->size(), keepExisting);
}

// Called with every picture shown.
void VireoOWL::RecordShown()
{
    if (!recorder)
        return;
    if (recordAtFirstPicture) {
        recordAtFirstPicture = false;
        StartRecording(runOptions.recordPath, false);
    }
    const bool recording = recorder->IsRecording();
    if (recording != recordingMark->isVisible())
        recordingMark->setVisible(recording);
    if (!recording)
        return;
    const QRect picture = resultView->PictureRect();
    recordingMark->move(picture.right() - recordingMark->width() - 10, picture.top() + 10);
    recordingMark->raise();
    StageRecorder& counts = StageRecorder::Instance();
    // Nothing is drawn for a picture the encoder has no room for.
    if (recorder->HasRoomForPicture() && recorder->Add(RenderShown()))
        counts.picturesRecorded.fetch_add(1, std::memory_order_relaxed);
    else
        counts.recordingDropped.fetch_add(1, std::memory_order_relaxed);
}

void VireoOWL::LogDetectorResults(const DisplayFrame& frame)
{
    if (!resultsLog || !frame.results.has_value())
        return;
    const DetectorResults& results = *frame.results;
    const Json::Value line =
        DetectorResultsLine({QDateTime::currentDateTime(), PicturesShown()}, results.bboxResultsVec,
                            results.frameResultsVec, QSize(results.sent.width, results.sent.height), frame.image.size());
    if (!line.isNull())
        resultsLog->Append(line);
}

void VireoOWL::LogDeviceResults(int Mode, const std::vector<FdFrResult>& ResultList)
{
    if (!resultsLog)
        return;
    const CameraSize camera = settings->GetCameraSize();
    const Json::Value line = DeviceResultsLine({QDateTime::currentDateTime(), PicturesShown()}, Mode, ResultList,
                                               DeviceFrameSize(), QSize(camera.width, camera.height), classTable);
    if (!line.isNull())
        resultsLog->Append(line);
}

void VireoOWL::SayToUser(const QString& line)
{
    qInfo().noquote() << line;
    if (usbPanel->isVisible())
        usbPanel->AppendMsg(line);
}
