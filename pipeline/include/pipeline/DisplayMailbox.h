#pragma once
// The newest picture for the window, waiting to be drawn.

#include <json/value.h>

#include <QImage>

#include <chrono>
#include <mutex>
#include <optional>
#include <vector>

struct DisplayFrame {
    QImage image;                               // RGB32, owns its pixels
    std::vector<Json::Value> bboxResultsVec;    // the detector's box entries
    std::vector<Json::Value> frameResultsVec;   // the detector's frame entries
    std::chrono::steady_clock::time_point captured;  // when the camera frame was handed over
};

// At most one picture is ever on its way to the window: a newer one replaces
// an undrawn one, so a busy GUI thread never piles up frames.
// Thread-safety: Post from the inference thread, Take from the GUI thread.
class DisplayMailbox {
public:
    // True when the box was empty, i.e. the window must be told.
    bool Post(DisplayFrame frame)
    {
        std::lock_guard<std::mutex> lock(mutex);
        const bool wasEmpty = !waiting.has_value();
        waiting = std::move(frame);
        return wasEmpty;
    }

    std::optional<DisplayFrame> Take()
    {
        std::lock_guard<std::mutex> lock(mutex);
        std::optional<DisplayFrame> frame = std::move(waiting);
        waiting.reset();
        return frame;
    }

private:
    std::mutex mutex;
    std::optional<DisplayFrame> waiting;
};
