#pragma once
// Runs the exchanges with the detector on a thread of their own, so the
// video goes on while a detector is slow, hung or gone, and the next frame
// is encoded while the detector works on this one.

#include "pipeline/DisplayMailbox.h"
#include "pipeline/InferenceBackends.h"
#include "threads/OwnedThread.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

// Thread-safety: every member but Stop is called from one thread (the
// inference worker's); Stop from any. The detector's Exchange and result
// getters run on the exchange thread only, which Stop (or the destructor)
// ends and joins. Requests go to the detector strictly one at a time.
class DetectorExchange {
public:
    // `finished` is called on the exchange thread each time an exchange ends.
    DetectorExchange(DetectorBackend& detector, std::function<void()> finished);
    ~DetectorExchange();
    DetectorExchange(const DetectorExchange&) = delete;
    DetectorExchange& operator=(const DetectorExchange&) = delete;

    // No request waits behind the one under way: one can be submitted.
    bool CanSubmit();
    // Nothing under way, waiting or finished and untaken.
    bool Idle();
    // An exchange is under way besides any waiting request.
    bool Running();
    // Queues a prepared request, with the picture its answer belongs to; it
    // goes out as soon as the exchange before it has ended.
    void Submit(DetectorRequest request, DisplayFrame frame);
    // The newest finished exchange, its picture with its results (older
    // finished ones are dropped: newer results supersede them), waiting up
    // to `timeout` for one; nothing when none ended by then.
    std::optional<DisplayFrame> WaitForFinished(std::chrono::milliseconds timeout);
    // Cancels a pending exchange and ends the thread; later Submits do nothing.
    void Stop();

private:
    struct Job {
        DetectorRequest request;
        DisplayFrame frame;
    };
    void Run();

    DetectorBackend& detector;
    const std::function<void()> finishedCallback;
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<Job> waiting;           // next in line for the exchange thread
    bool running = false;                 // an exchange is under way
    std::optional<DisplayFrame> finished;  // waiting for the inference thread
    bool stopping = false;
    OwnedThread thread;  // runs Run() from its start until `stopping`
};
