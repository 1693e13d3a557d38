#include "pipeline/InferenceBackends.h"
#include "pipeline/SdkWorker.h"

#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include <QSignalSpy>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <thread>

namespace {

using namespace std::chrono_literals;

class FakeDetector : public DetectorBackend {
public:
    int Infer(const cv::Mat&) override
    {
        ++exchanges;
        std::unique_lock<std::mutex> lock(mutex);
        released.wait_for(lock, hang ? std::chrono::hours(1) : delay, [this] { return cancelled; });
        return cancelled ? -3 : 0;
    }
    void GetBboxResults(std::vector<Json::Value>& out) override { out = std::exchange(boxes, {}); }
    void GetFrameResults(std::vector<Json::Value>& out) override { out.clear(); }
    void Cancel() override
    {
        std::lock_guard<std::mutex> lock(mutex);
        cancelled = true;
        released.notify_all();
    }

    std::vector<Json::Value> boxes;
    std::atomic<int> exchanges{0};
    bool hang = false;
    std::chrono::milliseconds delay{0};

private:
    std::mutex mutex;
    std::condition_variable released;
    bool cancelled = false;
};

class FakeDevice : public DeviceBackend {
public:
    bool IsReady(int) override { return ready; }
    bool IsBusy() const override { return busy; }
    void Dispatch(cv::Mat image, std::size_t) override { dispatched.push_back(std::move(image)); }

    bool ready = false;
    bool busy = false;
    std::vector<cv::Mat> dispatched;
};

cv::Mat BlueFrame()
{
    return cv::Mat(48, 64, CV_8UC3, cv::Scalar(255, 0, 0));
}

// Runs one frame through the worker's loop on a thread of its own.
void RunOneFrame(SdkWorker& worker, const cv::Mat& frame)
{
    worker.SetRunning(true);
    std::thread loop([&] { worker.DoWork(); });
    FrameSlot* slot = worker.Slots().GetWritableSlot();
    frame.copyTo(slot->frame);
    worker.Slots().PublishSlot(slot);
    EXPECT_TRUE(worker.Slots().WaitUntilDrained(5s));
    worker.Stop();
    loop.join();
}

// Without boxes the window is told to clear old ones; with boxes it is not.
TEST(SdkWorker, DetectorResultsTravelWithTheirPicture)
{
    for (const std::size_t boxes : {0u, 2u}) {
        FakeDetector detector;
        detector.boxes.assign(boxes, Json::Value("box"));
        SdkWorker worker(InferenceMode::Fifo, &detector, nullptr);
        QSignalSpy clean(&worker, &SdkWorker::SigCleanResult);
        QSignalSpy shown(&worker, &SdkWorker::SigShowResults);
        RunOneFrame(worker, BlueFrame());

        EXPECT_EQ(detector.exchanges, 1);
        EXPECT_EQ(clean.count(), boxes == 0 ? 1 : 0);
        if (boxes == 0) {
            EXPECT_EQ(clean.at(0).at(0).toInt(), -1);
        }
        EXPECT_EQ(shown.count(), 1);
        const std::optional<DisplayFrame> frame = worker.TakeDisplayFrame();
        ASSERT_TRUE(frame.has_value());
        EXPECT_EQ(frame->bboxResultsVec.size(), boxes);
        EXPECT_EQ(frame->image.size(), QSize(64, 48));
        EXPECT_EQ(frame->image.pixelColor(5, 5), QColor(0, 0, 255));  // BGR blue shown as blue
    }
}

TEST(SdkWorker, DeviceModeOffersCopiesOnlyWhenReadyAndHidesFramesWhileBusy)
{
    const struct {
        bool enabled, ready, busy;
        std::size_t dispatched;
        int shown;
    } cases[] = {{true, false, false, 0, 1}, {true, true, false, 1, 1}, {true, true, true, 1, 0},
                 {true, false, true, 0, 0},  {false, true, false, 0, 1}};
    for (const auto& c : cases) {
        FakeDevice device;
        device.ready = c.ready;
        device.busy = c.busy;
        SdkWorker worker(InferenceMode::Nx310, nullptr, &device);
        worker.SetInferenceEnabled(c.enabled);
        QSignalSpy shown(&worker, &SdkWorker::SigShowBackground);
        const cv::Mat frame = BlueFrame();
        RunOneFrame(worker, frame);
        EXPECT_EQ(device.dispatched.size(), c.dispatched) << c.enabled << c.ready << c.busy;
        EXPECT_EQ(shown.count(), c.shown) << c.enabled << c.ready << c.busy;
        if (!device.dispatched.empty()) {
            EXPECT_EQ(cv::countNonZero(device.dispatched[0].reshape(1) != frame.reshape(1)), 0);
            EXPECT_NE(device.dispatched[0].data, frame.data);
        }
    }
}

TEST(SdkWorker, AnUndrawnPictureIsReplacedNotQueued)
{
    FakeDetector detector;
    SdkWorker worker(InferenceMode::Fifo, &detector, nullptr);
    QSignalSpy shown(&worker, &SdkWorker::SigShowResults);
    worker.SetRunning(true);
    std::thread loop([&] { worker.DoWork(); });
    for (int i = 1; i <= 20; ++i) {
        FrameSlot* slot = worker.Slots().GetWritableSlot();
        slot->frame = cv::Mat(8, i, CV_8UC3, cv::Scalar(0, 0, 0));
        worker.Slots().PublishSlot(slot);
        ASSERT_TRUE(worker.Slots().WaitUntilDrained(5s));
    }
    worker.Stop();
    loop.join();
    EXPECT_EQ(shown.count(), 1);  // the window has not taken anything yet
    EXPECT_EQ(worker.TakeDisplayFrame()->image.width(), 20);
    EXPECT_FALSE(worker.TakeDisplayFrame().has_value());
}

void PublishAndDrain(SdkWorker& worker, const cv::Mat& frame)
{
    FrameSlot* slot = worker.Slots().GetWritableSlot();
    frame.copyTo(slot->frame);
    worker.Slots().PublishSlot(slot);
    ASSERT_TRUE(worker.Slots().WaitUntilDrained(5s));
}

TEST(SdkWorker, VideoGoesOnWhileTheDetectorHangs)
{
    FakeDetector detector;
    detector.hang = true;
    SdkWorker worker(InferenceMode::Fifo, &detector, nullptr);
    worker.SetRunning(true);
    std::thread loop([&] { worker.DoWork(); });
    int shown = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 10; ++i) {
        PublishAndDrain(worker, BlueFrame());
        shown += worker.TakeDisplayFrame().has_value();
    }
    [[maybe_unused]] const auto took = std::chrono::steady_clock::now() - start;
    worker.Stop();
    loop.join();
    EXPECT_EQ(shown, 10);
    EXPECT_EQ(detector.exchanges, 1) << "one exchange stays open; no new one is started meanwhile";
#ifndef VIREO_SANITIZED_BUILD
    EXPECT_LT(took, 2s) << "only the frame that started the exchange waited for it";
#endif
}

TEST(SdkWorker, ALateAnswerIsShownWithTheFrameOfItsArrival)
{
    FakeDetector detector;
    detector.delay = 800ms;
    detector.boxes = {Json::Value("late")};
    SdkWorker worker(InferenceMode::Fifo, &detector, nullptr);
    worker.SetRunning(true);
    std::thread loop([&] { worker.DoWork(); });
    PublishAndDrain(worker, BlueFrame());
    const std::optional<DisplayFrame> first = worker.TakeDisplayFrame();
    std::this_thread::sleep_for(500ms);
    PublishAndDrain(worker, cv::Mat(48, 64, CV_8UC3, cv::Scalar(0, 0, 255)));
    const std::optional<DisplayFrame> second = worker.TakeDisplayFrame();
    worker.Stop();
    loop.join();
    ASSERT_TRUE(first.has_value() && second.has_value());
    EXPECT_TRUE(first->bboxResultsVec.empty()) << "the answer was too late for its own frame";
    ASSERT_EQ(second->bboxResultsVec.size(), 1u);
    EXPECT_EQ(second->image.pixelColor(1, 1), QColor(255, 0, 0)) << "shown over the newer picture";
}

// Shutdown while nothing arrives, and while the detector never answers.
TEST(SdkWorker, StopEndsTheLoopPromptlyInEveryWait)
{
    for (const bool detectorHangs : {false, true}) {
        FakeDetector detector;
        detector.hang = detectorHangs;
        SdkWorker worker(InferenceMode::Fifo, &detector, nullptr);
        worker.SetRunning(true);
        std::thread loop([&] { worker.DoWork(); });
        if (detectorHangs) {
            FrameSlot* slot = worker.Slots().GetWritableSlot();
            slot->frame = BlueFrame();
            worker.Slots().PublishSlot(slot);
            while (detector.exchanges == 0)
                std::this_thread::sleep_for(1ms);
        }
        std::this_thread::sleep_for(50ms);
        [[maybe_unused]] const auto start = std::chrono::steady_clock::now();
        worker.Stop();
        loop.join();
#ifndef VIREO_SANITIZED_BUILD
        EXPECT_LT(std::chrono::steady_clock::now() - start, 200ms) << detectorHangs;
#endif
    }
}

}  // namespace
