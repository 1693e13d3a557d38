#pragma once
// The newest picture for the window, waiting to be drawn.

#include "pipeline/DetectorResults.h"

#include <QImage>

#include <chrono>
#include <mutex>
#include <optional>

struct DisplayFrame {
    QImage image;  // RGB32, owns its pixels
    // Set when an exchange with the detector ended: its results replace the
    // ones shown (empty lists clear them). Unset: the results shown stay.
    std::optional<DetectorResults> results;
    std::chrono::steady_clock::time_point captured;  // when the camera frame was handed over
};

// At most one picture is ever on its way to the window: a newer one replaces
// an undrawn one, so a busy GUI thread never piles up frames. Results are
// never lost that way: a replaced picture's results travel on with the newer
// one when it brings none of its own.
// Thread-safety: Post from the inference thread, Take from the GUI thread.
class DisplayMailbox {
public:
    // True when the box was empty, i.e. the window must be told.
    bool Post(DisplayFrame frame)
    {
        std::lock_guard<std::mutex> lock(mutex);
        const bool wasEmpty = !waiting.has_value();
        if (!wasEmpty && !frame.results.has_value())
            frame.results = std::move(waiting->results);
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
