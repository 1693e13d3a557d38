// The window's display: the video picture, and the results of either
// back-end drawn over it as box frames, value panels, marks and the panel
// and picture of the current frame entry.

#include "MainWindow.h"

#include "DeviceEntries.h"
#include "MarkPainter.h"

#include "ui_VireoOwlEdgeWindow.h"

#include "HostLibAdapter/HostLibAdapter.h"
#include "HostLibAdapter/ModelNumbers.h"
#include "fifo/EdgeFifoAdaptor.h"
#include "pipeline/SdkWorker.h"
#include "settings/QtSettingManager.h"
#include "ui/CoveredFrameUiItem.h"
#include "ui/FdResultUiItem.h"
#include "ui/FrResultUiItem.h"
#include "ui/FrameResultUiItem.h"
#include "ui/UsbPanelUiItem.h"

#include <QLayout>
#include <QTextCursor>
#include <QtDebug>

#include <algorithm>

namespace {

// One hostile answer must not create thousands of widgets.
constexpr std::size_t kMaxBoxEntries = 256;
constexpr int kPanelGap = 20;
constexpr int kFramePanelMargin = 20;

// A panel's layout may grow it past the size it set for its rows; placing
// it by its final size needs the layout settled first.
void SettleLayout(QWidget* panel)
{
    if (QLayout* layout = panel->layout())
        layout->activate();
}

bool HasNonEmptyObject(const Json::Value& entry, const char* key)
{
    return entry.isObject() && entry.isMember(key) && entry[key].isObject() && !entry[key].empty();
}

}  // namespace

void VireoOWL::SlotShowResults()
{
    if (std::optional<DisplayFrame> frame = inferenceWorker->TakeDisplayFrame()) {
        ShowResults(std::move(frame->image), std::move(frame->bboxResultsVec), std::move(frame->frameResultsVec));
        stats.FrameShown(frame->captured);
    }
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
    if (!bboxResultsVec.empty() || !frameResultsVec.empty())
        stats.ResultsShown();
    if (!settings->IsDisplayMainWindow())
        return;
    if (bboxResultsVec.size() > kMaxBoxEntries) {
        qDebug() << "[MainWindow] showing" << kMaxBoxEntries << "of" << bboxResultsVec.size() << "box entries";
        bboxResultsVec.resize(kMaxBoxEntries);
    }
    // Mapped on the picture they came with, at the size it is shown now.
    MapEntriesToDisplay(bboxResultsVec, GeometryFor(img, DetectorFrameSize()));
    std::vector<Json::Value> marked = bboxResultsVec;
    marked.insert(marked.end(), frameResultsVec.begin(), frameResultsVec.end());
    ShowPicture(std::move(img), marked);

    if (const Json::Value* current = CurrentFrameEntry(frameResultsVec)) {
        coveredFrame->ShowFrameImage(*current);
        ShowFramePanel(*current);
    } else {
        coveredFrame->hide();
        frameResultPanel->hide();
    }
    // Without box entries the widgets stay: the inference worker clears them.
    if (bboxResultsVec.empty())
        return;
    if (boxFrames.size() > bboxResultsVec.size())
        CleanResult(static_cast<int>(boxFrames.size() - bboxResultsVec.size()));
    for (std::size_t i = 0; i < bboxResultsVec.size(); ++i) {
        ShowBoxFrame(bboxResultsVec[i], i);
        ShowBoxPanel(bboxResultsVec[i], i);
    }
}

void VireoOWL::SlotShowNX310Result(int DevId, int Mode, std::vector<FdFrResult> ResultList)
{
    if (DevId != device->GetDevId(0) || !settings->IsDisplayMainWindow() || !IsModelNumber(Mode))
        return;
    if (!ResultList.empty())
        stats.ResultsShown();
    const DeviceEntries entries = BuildDeviceEntries(Mode, ResultList, ShownGeometry(DeviceFrameSize()), classTable);
    if (Mode == kModelUserDefined)
        frameResultPanel->SetEnabledFlag(true);
    ShowEntries(entries.boxes, entries.frames);
}

void VireoOWL::ShowPicture(QImage image, const std::vector<Json::Value>& marked)
{
    const QSize area = ui->lblVideoImg->size();
    if (image.isNull() || area.isEmpty())
        return;
    const QSize fittedSize = image.size().scaled(area, Qt::KeepAspectRatio);
    if (image.size() != fittedSize)
        image = image.scaled(fittedSize, Qt::KeepAspectRatio, Qt::FastTransformation);
    if (!marked.empty())
        DrawMarks(marked, image);
    shownPictureSize = image.size();
    ui->lblVideoImg->setPixmap(QPixmap::fromImage(std::move(image)));
}

PictureGeometry VireoOWL::GeometryFor(const QImage& image, QSize source) const
{
    const QSize area = ui->lblVideoImg->size();
    return FitPicture(source, image.isNull() ? QSize() : image.size().scaled(area, Qt::KeepAspectRatio), area);
}

PictureGeometry VireoOWL::ShownGeometry(QSize source) const
{
    return FitPicture(source, shownPictureSize, ui->lblVideoImg->size());
}

QSize VireoOWL::DetectorFrameSize() const
{
    return detector != nullptr ? QSize(detector->GetTargetWidth(), detector->GetTargetHeight()) : QSize();
}

QSize VireoOWL::DeviceFrameSize() const
{
    const CameraSize camera = settings->GetCameraSize();
    return QSize(std::min(camera.width, 1280), std::min(camera.height, 720));
}

void VireoOWL::ShowEntries(const std::vector<Json::Value>& boxes, const std::vector<Json::Value>& frames)
{
    if (boxFrames.size() > boxes.size())
        CleanResult(static_cast<int>(boxFrames.size() - boxes.size()));
    for (std::size_t i = 0; i < boxes.size() && i < kMaxBoxEntries; ++i) {
        ShowBoxFrame(boxes[i], i);
        ShowBoxPanel(boxes[i], i);
    }
    if (const Json::Value* current = CurrentFrameEntry(frames))
        ShowFramePanel(*current);
    else
        frameResultPanel->hide();
}

const Json::Value* VireoOWL::CurrentFrameEntry(const std::vector<Json::Value>& frames)
{
    if (frames.empty())
        return nullptr;
    frameResultIndex %= static_cast<int>(frames.size());
    return &frames[static_cast<std::size_t>(frameResultIndex)];
}

void VireoOWL::ShowBoxFrame(const Json::Value& entry, std::size_t i)
{
    while (boxFrames.size() <= i)
        boxFrames.push_back(new FdResultUiItem(this));
    FdResultUiItem* frame = boxFrames[i];
    if (!entry.isObject() || !entry.isMember("bbox")) {
        frame->hide();
        return;
    }
    const Json::Value& box = entry["bbox"];
    frame->setGeometry(box["x"].asInt(), box["y"].asInt(), box["width"].asInt(), box["height"].asInt());
    frame->show();
    frame->stackUnder(usbPanel);
}

void VireoOWL::ShowBoxPanel(const Json::Value& entry, std::size_t i)
{
    while (boxPanels.size() <= i)
        boxPanels.push_back(new FrResultUiItem(this));
    FrResultUiItem* panel = boxPanels[i];
    if (!entry.isObject() || !entry.isMember("bbox") || !HasNonEmptyObject(entry, "ordered_value_dict")) {
        panel->hide();
        return;
    }
    panel->SetValues(entry);
    panel->SetPanelStyle(entry);
    SettleLayout(panel);
    const Json::Value& box = entry["bbox"];
    const int x = box["x"].asInt();
    const int y = box["y"].asInt();
    const int width = box["width"].asInt();
    const int height = box["height"].asInt();
    int left = x + width + kPanelGap;
    if (left + panel->width() > this->width())
        left = x - panel->width() - kPanelGap;  // no room on the right: the box's left side
    panel->move(left, height / 2 + y - panel->height() / 2);
    panel->show();
    panel->stackUnder(usbPanel);
}

void VireoOWL::ShowFramePanel(const Json::Value& entry)
{
    if (!HasNonEmptyObject(entry, "ordered_value_dict") || !frameResultPanel->GetEnabledFlag()) {
        frameResultPanel->hide();
        return;
    }
    frameResultPanel->SetPanelStyle(entry);
    frameResultPanel->SetValues(entry);
    SettleLayout(frameResultPanel);
    frameResultPanel->move(kFramePanelMargin, height() - frameResultPanel->height() - kFramePanelMargin);
    frameResultPanel->show();
}

void VireoOWL::CleanResult(int count)
{
    auto trim = [count](auto& widgets) {
        const std::size_t n = count == -1 ? widgets.size() : std::min<std::size_t>(std::max(count, 0), widgets.size());
        for (std::size_t k = 0; k < n; ++k) {
            delete widgets.back();
            widgets.pop_back();
        }
    };
    trim(boxFrames);
    trim(boxPanels);
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
