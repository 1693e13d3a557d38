#include "pipeline/DetectorExchange.h"

#include <QThread>

DetectorExchange::DetectorExchange(DetectorBackend& detector, std::function<void()> finished)
    : detector(detector), finishedCallback(std::move(finished)), thread(QStringLiteral("detector exchange"))
{
    // Direct: Run is the thread's whole work, from its start.
    QObject::connect(thread.Thread(), &QThread::started, thread.Thread(), [this] { Run(); }, Qt::DirectConnection);
    thread.Start();
}

DetectorExchange::~DetectorExchange()
{
    Stop();
}

bool DetectorExchange::CanSubmit()
{
    std::lock_guard<std::mutex> lock(mutex);
    return !waiting.has_value() && !stopping;
}

bool DetectorExchange::Idle()
{
    std::lock_guard<std::mutex> lock(mutex);
    return !waiting.has_value() && !running && !finished.has_value();
}

bool DetectorExchange::Running()
{
    std::lock_guard<std::mutex> lock(mutex);
    return running;
}

void DetectorExchange::Submit(DetectorRequest request, DisplayFrame frame)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (stopping)
            return;
        waiting = Job{std::move(request), std::move(frame)};
    }
    changed.notify_all();
}

std::optional<DisplayFrame> DetectorExchange::WaitForFinished(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait_for(lock, timeout, [this] { return finished.has_value() || stopping; });
    std::optional<DisplayFrame> done = std::move(finished);
    finished.reset();
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
    thread.Stop();
}

void DetectorExchange::Run()
{
    std::optional<Job> job;
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        if (!job.has_value()) {
            changed.wait(lock, [this] { return waiting.has_value() || stopping; });
            if (stopping)
                return;
            job = std::move(waiting);
            waiting.reset();
        }
        running = true;
        lock.unlock();

        DetectorResults answer;
        const auto start = std::chrono::steady_clock::now();
        detector.Exchange(job->request);
        answer.took = std::chrono::steady_clock::now() - start;
        detector.GetBboxResults(answer.bboxResultsVec);
        detector.GetFrameResults(answer.frameResultsVec);
        answer.sent = job->request.sent;
        answer.frameCaptured = job->frame.captured;
        job->frame.results = std::move(answer);

        lock.lock();
        if (stopping)
            return;
        finished = std::move(job->frame);
        // The request encoded meanwhile is taken before the inference thread
        // hears of this answer, so it never finds the line still blocked.
        job = std::move(waiting);
        waiting.reset();
        running = job.has_value();
        changed.notify_all();
        if (finishedCallback) {
            lock.unlock();
            finishedCallback();
            lock.lock();
        }
    }
}
