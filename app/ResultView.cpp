#include "ResultView.h"

#include "MarkPainter.h"

#include "ui/CoveredFrameUiItem.h"
#include "ui/FdResultUiItem.h"
#include "ui/FrResultUiItem.h"
#include "ui/FrameResultUiItem.h"

#include <QImage>
#include <QLayout>
#include <QPainter>
#include <QtDebug>

#include <algorithm>
#include <iterator>

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

QRect BoxOf(const Json::Value& entry)
{
    const Json::Value& box = entry["bbox"];
    return QRect(box["x"].asInt(), box["y"].asInt(), box["width"].asInt(), box["height"].asInt());
}

}  // namespace

ResultView::ResultView(QWidget* window, const QWidget* videoArea)
    : window(window),
      videoArea(videoArea),
      coveredFrame(new CoveredFrameUiItem(window)),
      frameResultPanel(new FrameResultUiItem(window))
{
    coveredFrame->hide();
    frameResultPanel->hide();
}

ResultView::~ResultView() = default;  // the widgets are the window's children

void ResultView::Show(QSize frameSize, PlaceResults placeResults)
{
    source = frameSize;
    place = std::move(placeResults);
    Place();
}

void ResultView::Clear()
{
    place = nullptr;
    shown = ShownEntries{};
    marked.clear();
    CleanResult(-1);
    coveredFrame->hide();
    frameResultPanel->hide();
}

void ResultView::PictureShown(QSize size)
{
    pictureSize = size;
    if (place && (placedFor[0] != pictureSize || placedFor[1] != videoArea->size()))
        Place();
}

void ResultView::PaintMarks(QImage& picture) const
{
    if (!marked.empty())
        DrawMarks(marked, picture);
}

void ResultView::Place()
{
    if (!place)
        return;
    placedFor[0] = pictureSize;
    placedFor[1] = videoArea->size();
    shown = place(FitPicture(source, pictureSize, videoArea->size()));
    if (shown.boxes.size() > kMaxBoxEntries) {
        qDebug() << "[MainWindow] showing" << kMaxBoxEntries << "of" << shown.boxes.size() << "box entries";
        shown.boxes.resize(kMaxBoxEntries);
    }
    if (shown.boxes.empty() && shown.frames.empty()) {
        Clear();
        return;
    }
    // Drawn into every picture while the results stay: kept apart once.
    marked.clear();
    for (const std::vector<Json::Value>* entries : {&shown.boxes, &shown.frames})
        std::copy_if(entries->begin(), entries->end(), std::back_inserter(marked),
                     [](const Json::Value& entry) { return entry.isObject() && entry.isMember("draw_dict"); });
    ShowBoxes();
    ShowFrameEntry();
}

void ResultView::ShowBoxes()
{
    if (boxFrames.size() > shown.boxes.size())
        CleanResult(static_cast<int>(boxFrames.size() - shown.boxes.size()));
    for (std::size_t i = 0; i < shown.boxes.size(); ++i) {
        ShowBoxFrame(shown.boxes[i], i);
        ShowBoxPanel(shown.boxes[i], i);
    }
}

void ResultView::ShowFrameEntry()
{
    if (shown.frames.empty()) {
        frameResultPanel->hide();
        if (shown.framePicture)
            coveredFrame->hide();
        return;
    }
    frameResultIndex %= static_cast<int>(shown.frames.size());
    const Json::Value& entry = shown.frames[static_cast<std::size_t>(frameResultIndex)];
    if (shown.framePicture)
        coveredFrame->ShowFrameImage(entry);
    if (!HasNonEmptyObject(entry, "ordered_value_dict") || !frameResultPanel->GetEnabledFlag()) {
        frameResultPanel->hide();
        return;
    }
    frameResultPanel->SetPanelStyle(entry);
    frameResultPanel->SetValues(entry);
    SettleLayout(frameResultPanel);
    frameResultPanel->move(kFramePanelMargin, window->height() - frameResultPanel->height() - kFramePanelMargin);
    frameResultPanel->show();
}

void ResultView::ShowBoxFrame(const Json::Value& entry, std::size_t i)
{
    while (boxFrames.size() <= i)
        boxFrames.push_back(new FdResultUiItem(window));
    FdResultUiItem* frame = boxFrames[i];
    if (!entry.isObject() || !entry.isMember("bbox")) {
        frame->hide();
        return;
    }
    frame->setGeometry(BoxOf(entry));
    frame->show();
    if (sidePanel != nullptr)
        frame->stackUnder(sidePanel);
}

QRect ResultView::PictureRect() const
{
    const QSize area = videoArea->size();
    const QPoint corner((area.width() - pictureSize.width()) / 2, (area.height() - pictureSize.height()) / 2);
    return QRect(videoArea->pos() + corner, pictureSize).intersected(FreeArea());
}

QRect ResultView::FreeArea() const
{
    QRect area = window->rect();
    if (sidePanel != nullptr && sidePanel->isVisible())
        area.setRight(std::min(area.right(), sidePanel->x() - 1));
    return area;
}

void ResultView::ShowBoxPanel(const Json::Value& entry, std::size_t i)
{
    while (boxPanels.size() <= i)
        boxPanels.push_back(new FrResultUiItem(window));
    FrResultUiItem* panel = boxPanels[i];
    if (!entry.isObject() || !entry.isMember("bbox") || !HasNonEmptyObject(entry, "ordered_value_dict")) {
        panel->hide();
        return;
    }
    panel->SetValues(entry);
    panel->SetPanelStyle(entry);
    SettleLayout(panel);
    const QRect box = BoxOf(entry);
    const QRect free = FreeArea();
    int left = box.x() + box.width() + kPanelGap;
    if (left + panel->width() > free.x() + free.width())
        left = box.x() - panel->width() - kPanelGap;  // no room on the right: the box's left side
    // Never cut off by the window's edge or hidden under the device panel.
    left = std::max(free.x(), std::min(left, free.x() + free.width() - panel->width()));
    int top = box.height() / 2 + box.y() - panel->height() / 2;
    top = std::max(free.y(), std::min(top, free.y() + free.height() - panel->height()));
    panel->move(left, top);
    panel->show();
    if (sidePanel != nullptr)
        panel->stackUnder(sidePanel);
}

void ResultView::Render(QPainter& painter, const QPoint& origin) const
{
    auto isResult = [this](const QObject* child) {
        return child == coveredFrame || child == frameResultPanel ||
               std::find(boxFrames.begin(), boxFrames.end(), child) != boxFrames.end() ||
               std::find(boxPanels.begin(), boxPanels.end(), child) != boxPanels.end();
    };
    // The window's children are in stacking order: as on screen, later ones over earlier ones.
    for (QObject* child : window->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget != nullptr && widget->isVisible() && isResult(child))
            widget->render(&painter, widget->pos() - origin, QRegion(), QWidget::DrawChildren);
    }
}

void ResultView::ToggleFramePanel()
{
    frameResultPanel->SetEnabledFlag(!frameResultPanel->GetEnabledFlag());
    ShowFrameEntry();
}

void ResultView::ToggleFramePicture()
{
    coveredFrame->SetEnabledFlag(!coveredFrame->GetEnabledFlag());
    coveredFrame->setVisible(coveredFrame->GetEnabledFlag());
    ShowFrameEntry();
}

void ResultView::NextFrameEntry()
{
    ++frameResultIndex;
    ShowFrameEntry();
}

void ResultView::EnableFramePanel()
{
    frameResultPanel->SetEnabledFlag(true);
}

void ResultView::KeepClearOf(QWidget* panel)
{
    sidePanel = panel;
}

void ResultView::CleanResult(int count)
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

void ResultView::Resize(QSize windowSize)
{
    coveredFrame->resize(windowSize);
    frameResultPanel->move(kFramePanelMargin, windowSize.height() - frameResultPanel->height() - kFramePanelMargin);
}
