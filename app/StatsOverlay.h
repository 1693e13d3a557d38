#pragma once
// The statistics overlay (F4): rates and times of the last two seconds from
// the stage recorder, and what the back-end is doing, refreshed twice a
// second while it is shown.

#include "pipeline/StageRecorder.h"

#include <QObject>
#include <QRect>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>

class QTimer;
class StatsOverlayUiItem;
class QWidget;

// What the window knows and the recorder does not.
struct BackEndStatus {
    QString mode;                        // "FIFO", or "NX310" and the model
    QString state;                       // "detector connected", "dongle Busy", ...
    bool device = false;                 // the back-end time is the dongle's inference
    std::optional<double> resultsAgeMs;  // set while the results shown are older than the picture
};

// Thread-safety: GUI thread only.
class StatsOverlay : public QObject {
    Q_OBJECT

public:
    StatsOverlay(QWidget* window, std::function<BackEndStatus()> status);

    void Toggle();
    void SetVisible(bool visible);
    bool IsVisible() const;
    // The picture's place in the window: the overlay sits in its top-left corner.
    void Place(const QRect& picture);

    // The lines for `status` and the counters' rates over the samples kept.
    QStringList Lines(const BackEndStatus& status);

private:
    struct Counters {
        StageRecorder::Clock::time_point at;
        std::uint64_t read, shown, dropped, results;
    };
    void Refresh();
    Counters Sample() const;

    StageRecorder& recorder = StageRecorder::Instance();
    std::function<BackEndStatus()> status;
    StatsOverlayUiItem* item;  // a Qt child of the window
    QTimer* timer;
    std::deque<Counters> samples;  // the last two seconds
    QRect picture;
};
