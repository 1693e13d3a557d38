#pragma once
// The hand-over of camera frames from the capture thread to the inference
// thread: two slots, so the writer always has one to fill while the reader
// works on the other, and the reader always gets the newest frame.

#include <opencv2/core/mat.hpp>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

struct FrameSlot {
    cv::Mat frame;              // 8-bit BGR, mirrored; owned by whoever claimed the slot
    bool consumed = true;       // true: no unconsumed frame in this slot
    bool busy = false;          // the reader is working on this slot's frame
    bool writing = false;       // the writer is filling this slot's frame
    std::uint64_t sequence = 0; // publish order, to tell the newer frame
    std::chrono::steady_clock::time_point published;  // when the frame was handed over
};

// Thread-safety: one writer thread and one reader thread. Every test-and-claim
// happens under the one mutex, so a frame is never written while read; the
// frame itself is touched only by the side that holds the claim.
class FrameSlots {
public:
    // Writer: claims a slot that the reader is not using (an unconsumed older
    // frame in it is dropped). Waits while there is none; null once stopped.
    FrameSlot* GetWritableSlot();
    // Writer: the frame in the claimed slot is complete.
    void PublishSlot(FrameSlot* slot);
    // Writer: gives a claimed slot back without a frame (a failed read).
    void AbandonSlot(FrameSlot* slot);

    // Reader: claims the newest published frame and drops an older one still
    // waiting. Waits until there is one; null once stopped, or when Wake
    // ended the wait first.
    FrameSlot* TakeNewestSlot();
    // Ends the reader's wait (now, or its next one if none runs) once, so it
    // can see to something besides frames.
    void Wake();
    bool IsStopped();
    // Reader: done with the frame; the slot is free again.
    void ReleaseSlot(FrameSlot* slot);

    // Ends every wait, now and later; used at shutdown.
    void Stop();

    // Waits until every published frame was taken and released; false when
    // that did not happen within `timeout`.
    bool WaitUntilDrained(std::chrono::milliseconds timeout);

private:
    std::mutex mutex;
    std::condition_variable changed;
    FrameSlot pair[2];
    std::uint64_t published = 0;
    bool stopped = false;
    bool woken = false;
};
