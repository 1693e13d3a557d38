#include "pipeline/DetectorExchange.h"

DetectorExchange::DetectorExchange(DetectorBackend& detector) : detector(detector)
{
    thread = std::thread([this] { Run(); });
}

DetectorExchange::~DetectorExchange()
{
    Stop();
}

bool DetectorExchange::Busy()
{
    std::lock_guard<std::mutex> lock(mutex);
    return request.has_value() || running || results.has_value();
}

void DetectorExchange::Start(cv::Mat frame)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (stopping)
            return;
        request = std::move(frame);
    }
    changed.notify_all();
}

std::optional<DetectorResults> DetectorExchange::WaitForResults(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait_for(lock, timeout, [this] { return results.has_value() || stopping; });
    std::optional<DetectorResults> done = std::move(results);
    results.reset();
    return done;
}

void DetectorExchange::Stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    detector.Cancel();
    changed.notify_all();
    if (thread.joinable())
        thread.join();
}

void DetectorExchange::Run()
{
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        changed.wait(lock, [this] { return request.has_value() || stopping; });
        if (stopping)
            return;
        cv::Mat frame = std::move(*request);
        request.reset();
        running = true;
        lock.unlock();

        DetectorResults answer;
        const auto start = std::chrono::steady_clock::now();
        detector.Infer(frame);
        answer.took = std::chrono::steady_clock::now() - start;
        detector.GetBboxResults(answer.bboxResultsVec);
        detector.GetFrameResults(answer.frameResultsVec);
        answer.sent = detector.SentFrameSize();

        lock.lock();
        running = false;
        results = std::move(answer);
        changed.notify_all();
    }
}
