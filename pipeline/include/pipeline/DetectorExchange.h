#pragma once
// Runs the exchanges with the detector on a thread of their own, so the
// video goes on while a detector is slow, hung or gone.

#include "pipeline/DetectorResults.h"
#include "pipeline/InferenceBackends.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// Thread-safety: Busy, Start and WaitForResults are called from one thread
// (the inference worker's); Stop from any. The detector is used only on the
// exchange thread, which Stop (or the destructor) ends and joins.
class DetectorExchange {
public:
    explicit DetectorExchange(DetectorBackend& detector);
    ~DetectorExchange();
    DetectorExchange(const DetectorExchange&) = delete;
    DetectorExchange& operator=(const DetectorExchange&) = delete;

    // An exchange is running and its results have not been taken yet.
    bool Busy();
    // Starts one exchange for `frame` (8-bit BGR, owned from now on).
    void Start(cv::Mat frame);
    // The results of the running exchange once it has ended, waiting up to
    // `timeout` for that; nothing when it is still running (or none runs).
    std::optional<DetectorResults> WaitForResults(std::chrono::milliseconds timeout);
    // Cancels a pending exchange and ends the thread; later Starts do nothing.
    void Stop();

private:
    void Run();

    DetectorBackend& detector;
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<cv::Mat> request;          // waiting for the exchange thread
    std::optional<DetectorResults> results;  // waiting for the inference thread
    bool running = false;                    // an exchange is under way
    bool stopping = false;
    std::thread thread;
};
