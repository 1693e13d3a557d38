#pragma once
// Paces a video file to its frame rate by deadline: frame n is due at
// start + n x interval, so decoding time does not slow playback down.

#include "pipeline/RunFlag.h"

#include <chrono>

// Thread-safety: used by one thread.
class FramePacer {
public:
    using Clock = std::chrono::steady_clock;

    explicit FramePacer(double fps)
        : interval(std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / fps)))
    {
        Restart();
    }

    void Restart()
    {
        next = Clock::now() + interval;
    }

    // Sleeps until the next frame is due; false when `running` was cleared.
    bool WaitForNextFrame(RunFlag& running)
    {
        const Clock::time_point now = Clock::now();
        if (now > next + interval)
            next = now;  // far behind (a stall): start over instead of rushing to catch up
        const bool stillRunning = running.SleepUntil(next);
        next += interval;
        return stillRunning;
    }

private:
    Clock::duration interval;
    Clock::time_point next;
};
