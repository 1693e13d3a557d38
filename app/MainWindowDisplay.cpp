// The window's display: the video picture, with the results of either
// back-end placed over it by the result view.

#include "MainWindow.h"

#include "DeviceEntries.h"
#include "ResultView.h"
#include "StatsOverlay.h"

#include "ui_VireoOwlEdgeWindow.h"

#include "HostLibAdapter/HostLibAdapter.h"
#include "HostLibAdapter/ModelNumbers.h"
#include "devicestate/DeviceState.h"
#include "fifo/EdgeFifoAdaptor.h"
#include "pipeline/SdkWorker.h"
#include "settings/QtSettingManager.h"
#include "ui/UsbPanelUiItem.h"

#include <QTextCursor>
#include <QtDebug>

#include <algorithm>

namespace {

// The detector's entries, placed: boxes and their marks mapped from the
// pixels of the picture it saw; frame entries as they came.
PlaceResults PlaceDetectorResults(std::vector<Json::Value> boxes, std::vector<Json::Value> frames)
{
    return [boxes = std::move(boxes), frames = std::move(frames)](const PictureGeometry& geometry) {
        ShownEntries shown{boxes, frames, true};
        MapEntriesToDisplay(shown.boxes, geometry);
        return shown;
    };
}

}  // namespace

void VireoOWL::SlotShowResults()
{
    std::optional<DisplayFrame> frame = inferenceWorker->TakeDisplayFrame();
    if (!frame)
        return;
    stats.FrameShown(frame->captured);
    if (frame->results.has_value() &&
        (!frame->results->bboxResultsVec.empty() || !frame->results->frameResultsVec.empty()))
        stats.ResultsShown();
    if (frame->results.has_value())
        resultsCaptured = frame->results->frameCaptured != StageRecorder::Clock::time_point()
                              ? frame->results->frameCaptured
                              : frame->captured;
    LogDetectorResults(*frame);
    if (!settings->IsDisplayMainWindow())
        return;
    ShowPicture(std::move(frame->image), frame->results ? &*frame->results : nullptr);
    pictureCaptured = frame->captured;
}

void VireoOWL::SlotShowBackground()
{
    if (std::optional<DisplayFrame> frame = inferenceWorker->TakeDisplayFrame()) {
        if (settings->IsDisplayMainWindow())
            ShowPicture(std::move(frame->image));
        stats.FrameShown(frame->captured);
    }
}

void VireoOWL::ShowResults(QImage img, std::vector<Json::Value> bboxResultsVec,
                           std::vector<Json::Value> frameResultsVec)
{
    DetectorResults results{std::move(bboxResultsVec), std::move(frameResultsVec), cv::Size(), {}};
    const QSize sent = DetectorFrameSize();
    results.sent = cv::Size(sent.width(), sent.height());
    ShowPicture(std::move(img), &results);
}

void VireoOWL::SlotShowNX310Result(int DevId, int Mode, std::vector<FdFrResult> ResultList)
{
    if (DevId != device->GetDevId(0) || !IsModelNumber(Mode))
        return;
    LogDeviceResults(Mode, ResultList);
    if (!ResultList.empty())
        stats.ResultsShown();
    deviceModel = Mode;
    if (!settings->IsDisplayMainWindow())
        return;
    if (Mode == kModelUserDefined)
        resultView->EnableFramePanel();
    resultView->Show(DeviceFrameSize(), [Mode, ResultList = std::move(ResultList),
                                         classes = classTable](const PictureGeometry& geometry) {
        DeviceEntries entries = BuildDeviceEntries(Mode, ResultList, geometry, classes);
        // The device path leaves the full-window picture alone.
        return ShownEntries{std::move(entries.boxes), std::move(entries.frames), false};
    });
}

BackEndStatus VireoOWL::CurrentBackEndStatus() const
{
    BackEndStatus status;
    if (detector != nullptr) {
        status.mode = QStringLiteral("FIFO");
        const bool answering = StageRecorder::Instance().Recent(Stage::DetectorAnswer, std::chrono::seconds(2)).count > 0;
        status.state = answering                   ? QStringLiteral("detector answering")
                       : detector->PipesUnserved() ? QStringLiteral("waiting for a detector")
                                                   : QStringLiteral("detector silent");
        if (resultView->HasResults() && resultsCaptured != StageRecorder::Clock::time_point() &&
            pictureCaptured > resultsCaptured)
            status.resultsAgeMs = std::chrono::duration<double, std::milli>(pictureCaptured - resultsCaptured).count();
        return status;
    }
    status.device = true;
    status.mode = IsModelNumber(deviceModel) ? QStringLiteral("NX310, ") + UsbPanelUiItem::ModelName(deviceModel)
                                             : QStringLiteral("NX310");
    status.state = QStringLiteral("dongle ") + QString::fromLatin1(StateName(device->State()));
    return status;
}

void VireoOWL::ShowPicture(QImage image, DetectorResults* results)
{
    const QSize area = ui->lblVideoImg->size();
    if (image.isNull() || area.isEmpty())
        return;
    const StageRecorder::Clock::time_point start = StageRecorder::Clock::now();
    const QSize fittedSize = image.size().scaled(area, Qt::KeepAspectRatio);
    if (image.size() != fittedSize)
        image = image.scaled(fittedSize, Qt::KeepAspectRatio, Qt::FastTransformation);
    resultView->PictureShown(fittedSize);
    if (results != nullptr)
        resultView->Show(QSize(results->sent.width, results->sent.height),
                         PlaceDetectorResults(std::move(results->bboxResultsVec), std::move(results->frameResultsVec)));
    resultView->PaintMarks(image);
    ui->lblVideoImg->setPixmap(QPixmap::fromImage(std::move(image)));
    if (statsOverlay->IsVisible())
        statsOverlay->Place(resultView->PictureRect());
    StageRecorder::Instance().Record(Stage::Display, start);
    // After the display's own time: the recording's cost is its own.
    RecordShown();
}

QSize VireoOWL::DeviceFrameSize() const
{
    const CameraSize camera = settings->GetCameraSize();
    return QSize(std::min(camera.width, 1280), std::min(camera.height, 720));
}

void VireoOWL::CleanResult(int count)
{
    resultView->CleanResult(count);
}

std::size_t VireoOWL::BoxWidgetCount() const
{
    return resultView->BoxWidgetCount();
}

int VireoOWL::FrameResultIndex() const
{
    return resultView->FrameResultIndex();
}

void VireoOWL::SlotUpdatePanelMsg(QString msg)
{
    QTextCursor cursor = ui->txtPanelMsg->textCursor();
    cursor.movePosition(QTextCursor::End);
    ui->txtPanelMsg->setTextCursor(cursor);
    ui->txtPanelMsg->insertHtml(msg);
}

void VireoOWL::SlotUpdateUserDefinedClassMappingTable(std::string labelFilePath)
{
    QString error;
    if (std::optional<ClassTable> table = LoadLabelTable(labelFilePath, error)) {
        classTable = std::move(*table);
        return;
    }
    const QString msg = QStringLiteral("[Host Lib] Label file %1 %2; the class names stay as they were.")
                            .arg(QString::fromStdString(labelFilePath), error);
    qWarning().noquote() << msg;
    usbPanel->AppendMsg(msg);
}

QSize VireoOWL::DetectorFrameSize() const
{
    return detector != nullptr ? QSize(detector->GetTargetWidth(), detector->GetTargetHeight()) : QSize();
}
