#pragma once
// The results shown over the video: a frame and a value panel per box entry,
// the panel and the full-window picture of the current frame entry, and the
// marks drawn into each picture. The last results stay over newer pictures
// until new ones replace them, so a detector slower than the video does not
// make them flicker.

#include "EntryMapping.h"

#include <json/value.h>

#include <QRect>
#include <QSize>

#include <functional>
#include <vector>

class CoveredFrameUiItem;
class FdResultUiItem;
class FrResultUiItem;
class FrameResultUiItem;
class QImage;
class QPainter;
class QPoint;
class QWidget;

// Result entries placed over one picture: boxes in window coordinates, marks
// in picture pixels.
struct ShownEntries {
    std::vector<Json::Value> boxes;
    std::vector<Json::Value> frames;
    bool framePicture = true;  // the current frame entry's picture covers the window (F2)
};

// Places results, kept in the pixels of the frame their back-end saw, over
// the picture that is shown now.
using PlaceResults = std::function<ShownEntries(const PictureGeometry&)>;

// Thread-safety: GUI thread only, like the widgets it owns.
class ResultView {
public:
    // The widgets are children of `window`; pictures are shown centred in
    // `videoArea`.
    ResultView(QWidget* window, const QWidget* videoArea);
    ~ResultView();
    ResultView(const ResultView&) = delete;
    ResultView& operator=(const ResultView&) = delete;

    // Replaces what is shown by results in the pixels of a `source`-sized
    // frame; results without entries clear the view.
    void Show(QSize source, PlaceResults place);
    void Clear();

    // A picture of `pictureSize` is about to be shown: results that stay are
    // placed again when it is shown at another size or place.
    void PictureShown(QSize pictureSize);
    // Draws the marks of the results shown into that picture.
    void PaintMarks(QImage& picture) const;

    // The keys: frame panel on or off (F1), the frame entry's picture over
    // the window on or off (F2), the next frame entry (F3).
    void ToggleFramePanel();
    void ToggleFramePicture();
    void NextFrameEntry();
    // The frame panel shows from now on (the user model's class).
    void EnableFramePanel();

    // Result widgets stay below `panel` and, while it is visible, clear of it.
    void KeepClearOf(QWidget* panel);
    // Removes the last `count` box frames and panels (all of them for -1).
    void CleanResult(int count);
    // The window changed size.
    void Resize(QSize windowSize);

    // Paints the result widgets shown now, as they lie over the window, onto
    // a picture of the window whose top-left corner is `origin`.
    void Render(QPainter& painter, const QPoint& origin) const;

    int FrameResultIndex() const { return frameResultIndex; }
    std::size_t BoxWidgetCount() const { return boxFrames.size(); }
    // Where the picture shown now lies in the window, clear of the side panel.
    QRect PictureRect() const;
    bool HasResults() const { return !shown.boxes.empty() || !shown.frames.empty(); }

private:
    void Place();
    void ShowBoxes();
    void ShowBoxFrame(const Json::Value& entry, std::size_t i);
    void ShowBoxPanel(const Json::Value& entry, std::size_t i);
    void ShowFrameEntry();
    QRect FreeArea() const;

    QWidget* const window;
    const QWidget* const videoArea;
    QWidget* sidePanel = nullptr;
    std::vector<FdResultUiItem*> boxFrames;  // Qt children of the window
    std::vector<FrResultUiItem*> boxPanels;  // Qt children of the window
    CoveredFrameUiItem* coveredFrame;
    FrameResultUiItem* frameResultPanel;
    int frameResultIndex = 0;

    QSize source;                  // the frame the results refer to
    PlaceResults place;            // empty: nothing to show
    QSize pictureSize;             // the picture shown now
    QSize placedFor[2];            // picture and area sizes the results were placed for
    ShownEntries shown;            // the results as placed
    std::vector<Json::Value> marked;  // the entries of `shown` with marks
};
