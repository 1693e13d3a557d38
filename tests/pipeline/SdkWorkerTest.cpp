#include "pipeline/InferenceBackends.h"
#include "pipeline/SdkWorker.h"

#include "PipelineTestSupport.h"
#include "SanitizedBuild.h"

#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Answers each request with one box naming the frame it was made from (the
// red value of its first pixel), after `delay`.
class FakeDetector : public DetectorBackend {
public:
    bool Prepare(const cv::Mat& frame, DetectorRequest& request) override
    {
        preparedDuringExchange += inExchange.load();
        request.sent = frame.size();
        request.message = std::to_string(frame.at<cv::Vec3b>(0, 0)[2]);
        return true;
    }
    int Exchange(const DetectorRequest& request) override
    {
        inExchange = true;
        ++exchanges;
        std::unique_lock<std::mutex> lock(mutex);
        released.wait_for(lock, hang ? std::chrono::hours(1) : delay, [this] { return cancelled; });
        answer = request.message;
        inExchange = false;
        return cancelled ? -3 : 0;
    }
    void GetBboxResults(std::vector<Json::Value>& out) override
    {
        out.clear();
        if (boxes > 0)
            out.assign(static_cast<std::size_t>(boxes), Json::Value(answer));
    }
    void GetFrameResults(std::vector<Json::Value>& out) override
    {
        out.clear();
        ++answered;  // the last call before the answer is handed over
    }
    void Cancel() override
    {
        std::lock_guard<std::mutex> lock(mutex);
        cancelled = true;
        released.notify_all();
    }

    int boxes = 1;
    std::atomic<int> exchanges{0};
    std::atomic<int> answered{0};  // answers read by the worker
    std::atomic<int> preparedDuringExchange{0};
    bool hang = false;
    std::chrono::milliseconds delay{0};

private:
    std::atomic<bool> inExchange{false};
    std::string answer;  // exchange thread only
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

// A frame whose first pixel's red value is `number`.
cv::Mat NumberedFrame(int number)
{
    return cv::Mat(48, 64, CV_8UC3, cv::Scalar(0, 0, number));
}

// The worker's loop on a thread of its own; every picture it posts is taken
// at once, on that thread, and kept.
class RunningWorker {
public:
    explicit RunningWorker(SdkWorker& worker) : worker(worker)
    {
        for (auto signal : {&SdkWorker::SigShowResults, &SdkWorker::SigShowBackground}) {
            QObject::connect(&worker, signal, &worker, [this] {
                std::lock_guard<std::mutex> lock(mutex);
                if (std::optional<DisplayFrame> frame = this->worker.TakeDisplayFrame())
                    shown.push_back(std::move(*frame));
            }, Qt::DirectConnection);
        }
        worker.SetRunning(true);
        loop = std::thread([this] { this->worker.DoWork(); });
    }
    ~RunningWorker() { Stop(); }

    void Publish(const cv::Mat& frame)
    {
        FrameSlot* slot = worker.Slots().GetWritableSlot();
        frame.copyTo(slot->frame);
        worker.Slots().PublishSlot(slot);
        EXPECT_TRUE(worker.Slots().WaitUntilDrained(5s));
    }
    // Waits up to five seconds for `count` pictures in all.
    std::vector<DisplayFrame> WaitForShown(std::size_t count)
    {
        Eventually([&] { return Shown().size() >= count; }, 5s);
        return Shown();
    }
    std::vector<DisplayFrame> Shown()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return shown;
    }
    void Stop()
    {
        if (!loop.joinable())
            return;
        worker.Stop();
        loop.join();
    }

private:
    SdkWorker& worker;
    std::mutex mutex;
    std::vector<DisplayFrame> shown;
    std::thread loop;
};

int PictureNumber(const DisplayFrame& frame)
{
    return frame.image.pixelColor(0, 0).red();
}

// The frame number the detector's box names; -1 without results or boxes.
int AnswerNumber(const DisplayFrame& frame)
{
    if (!frame.results.has_value() || frame.results->bboxResultsVec.empty())
        return -1;
    return std::stoi(frame.results->bboxResultsVec[0].asString());
}

// An ended exchange travels with the picture, empty or not: empty results
// clear the ones shown. Wall clock for the stop; sanitized builds are too slow.
TEST(SdkWorker, DetectorResultsTravelWithTheirPicture)
{
    for (const int boxes : {0, 2}) {
        FakeDetector detector;
        detector.boxes = boxes;
        SdkWorker worker(InferenceMode::Fifo, &detector, nullptr);
        RunningWorker running(worker);
        running.Publish(NumberedFrame(200));
        const std::vector<DisplayFrame> shown = running.WaitForShown(1);
        const auto stopping = std::chrono::steady_clock::now();
        running.Stop();
        // Waiting for the next frame: a stop must reach that wait at once.
        EXPECT_LT(std::chrono::steady_clock::now() - stopping, WallLimit(2s));

        EXPECT_EQ(detector.exchanges, 1);
        ASSERT_EQ(shown.size(), 1u);
        ASSERT_TRUE(shown[0].results.has_value());
        EXPECT_EQ(shown[0].results->bboxResultsVec.size(), std::size_t(boxes));
        EXPECT_EQ(shown[0].results->sent, cv::Size(64, 48));
        EXPECT_EQ(shown[0].image.size(), QSize(64, 48));
        EXPECT_EQ(shown[0].image.pixelColor(5, 5), QColor(200, 0, 0));  // BGR red shown as red
    }
}

// Keeping up, the next frame is encoded while the detector works, and every
// picture shown carries its own answer.
TEST(SdkWorker, EachShownFrameCarriesItsOwnAnswerWhileTheNextIsEncoded)
{
    FakeDetector detector;
    detector.delay = 30ms;
    SdkWorker worker(InferenceMode::Fifo, &detector, nullptr);
    RunningWorker running(worker);
    running.Publish(NumberedFrame(1));
    // Until the exchange thread takes up its first request the worker shows
    // frames without answers, as it should; on starved cores that can be the
    // whole run, so the rest wait for it.
    Eventually([&] { return detector.exchanges > 0; }, 5s);
    for (int number = 2; number <= 30; ++number)
        running.Publish(NumberedFrame(number));
    running.WaitForShown(std::size_t(detector.exchanges.load()));
    running.Stop();

    const std::vector<DisplayFrame> shown = running.Shown();
    EXPECT_GE(shown.size(), 20u);
    EXPECT_GT(detector.preparedDuringExchange, 0) << "no frame was encoded while the detector worked";
    // Cores starved for half a second (a loaded machine, a sanitizer) make
    // an answer late: the frames after it are then shown at once, and the
    // late answer travels with a newer picture. Never with an older one.
    int last = 0;
    std::size_t ownAnswers = 0;
    for (const DisplayFrame& frame : shown) {
        EXPECT_LE(AnswerNumber(frame), PictureNumber(frame)) << "a picture shown with a newer frame's answer";
        ownAnswers += AnswerNumber(frame) == PictureNumber(frame);
        EXPECT_GT(PictureNumber(frame), last) << "the video stepped back";
        last = PictureNumber(frame);
    }
    EXPECT_GE(ownAnswers * 2, shown.size()) << "most pictures shown carry their own answer";
}

TEST(SdkWorker, DeviceModeOffersCopiesOnlyWhenReadyAndHidesFramesWhileBusy)
{
    const struct {
        bool enabled, ready, busy;
        std::size_t dispatched, shown;
    } cases[] = {{true, false, false, 0, 1}, {true, true, false, 1, 1}, {true, true, true, 1, 0},
                 {true, false, true, 0, 0},  {false, true, false, 0, 1}};
    for (const auto& c : cases) {
        FakeDevice device;
        device.ready = c.ready;
        device.busy = c.busy;
        SdkWorker worker(InferenceMode::Nx310, nullptr, &device);
        worker.SetInferenceEnabled(c.enabled);
        const cv::Mat frame = NumberedFrame(200);
        RunningWorker running(worker);
        running.Publish(frame);
        running.Stop();
        EXPECT_EQ(std::make_pair(device.dispatched.size(), running.Shown().size()), std::make_pair(c.dispatched, c.shown))
            << c.enabled << c.ready << c.busy;
        if (!device.dispatched.empty()) {
            EXPECT_EQ(cv::countNonZero(device.dispatched[0].reshape(1) != frame.reshape(1)), 0);
            EXPECT_NE(device.dispatched[0].data, frame.data);
        }
    }
}

TEST(DisplayMailbox, HoldsTheNewestPictureAndNeverLosesResults)
{
    DisplayMailbox mailbox;
    const auto picture = [](int width, bool withResults) {
        DisplayFrame frame{QImage(width, 8, QImage::Format_RGB32), std::nullopt, {}};
        if (withResults)
            frame.results = DetectorResults{{Json::Value(width)}, {}, cv::Size(width, 8), {}};
        return frame;
    };
    EXPECT_TRUE(mailbox.Post(picture(1, false))) << "the window is told once";
    EXPECT_FALSE(mailbox.Post(picture(2, true)));
    EXPECT_FALSE(mailbox.Post(picture(3, false)));
    // The newest picture, with the results of the picture it replaced.
    std::optional<DisplayFrame> taken = mailbox.Take();
    ASSERT_TRUE(taken.has_value() && taken->results.has_value());
    EXPECT_EQ(std::make_pair(taken->image.width(), taken->results->bboxResultsVec[0].asInt()), std::make_pair(3, 2));
    EXPECT_FALSE(mailbox.Take().has_value());
    EXPECT_TRUE(mailbox.Post(picture(4, false)));
}

// Wall clock, as a wait is all there is to see; sanitized builds are too
// slow for any figure. Nine frames that each waited the patience would take
// 4.5 s; a stop that missed the hung detector would wait its hour.
TEST(SdkWorker, VideoGoesOnWhileTheDetectorHangsAndStopEndsTheExchange)
{
    FakeDetector detector;
    detector.hang = true;
    SdkWorker worker(InferenceMode::Fifo, &detector, nullptr);
    RunningWorker running(worker);
    const auto start = std::chrono::steady_clock::now();
    running.Publish(NumberedFrame(1));
    // Under load the exchange thread may not have taken frame 1 yet; the
    // frames after it go on either way, but the hang is what is tested.
    Eventually([&] { return detector.exchanges > 0; }, 5s);
    for (int number = 2; number <= 10; ++number)
        running.Publish(NumberedFrame(number));
    const auto took = std::chrono::steady_clock::now() - start;
    // The first frame waits for its answer in vain; all later ones are shown
    // (the last may still be on its way when the publishing ends).
    running.WaitForShown(9);
    const auto stopping = std::chrono::steady_clock::now();
    running.Stop();
    const auto stopped = std::chrono::steady_clock::now();
    EXPECT_EQ(running.Shown().size(), 9u);
    EXPECT_EQ(detector.exchanges, 1) << "one exchange stays open; no new one is started meanwhile";
    EXPECT_LT(took, WallLimit(3s)) << "only one frame waited for the detector";
    EXPECT_LT(stopped - stopping, WallLimit(2s));
}

TEST(SdkWorker, AnAnswerTooLateForItsFrameIsShownWithTheFrameOfItsArrival)
{
    FakeDetector detector;
    detector.delay = 800ms;
    SdkWorker worker(InferenceMode::Fifo, &detector, nullptr);
    RunningWorker running(worker);
    running.Publish(NumberedFrame(1));
    running.Publish(NumberedFrame(2));  // waits the patience for frame 1's answer, in vain
    Eventually([&] { return detector.answered > 0; });
    ASSERT_EQ(detector.answered, 1);
    std::this_thread::sleep_for(50ms);  // handed over just after the detector's lists are read
    running.Publish(NumberedFrame(3));
    running.Stop();
    const std::vector<DisplayFrame> shown = running.Shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(PictureNumber(shown[0]), 2);
    EXPECT_EQ(AnswerNumber(shown[0]), -1) << "frame 1's answer was too late for its own frame";
    EXPECT_EQ(PictureNumber(shown[1]), 3);
    EXPECT_EQ(AnswerNumber(shown[1]), 1) << "shown over the newer picture";
}

TEST(AnswerPatience, FramesStopWaitingForASlowDetectorUntilItKeepsUpAgain)
{
    enum Event { Answer100, Answer700, WaitInVain };
    const struct {
        std::vector<Event> events;
        std::chrono::milliseconds next;
    } cases[] = {
        {{}, 500ms},
        {{Answer100}, 500ms},
        {{Answer700}, 0ms},
        {{WaitInVain}, 0ms},
        {{WaitInVain, Answer700}, 0ms},
        {{WaitInVain, Answer700, Answer100}, 500ms},
        {{Answer100, WaitInVain}, 0ms},
    };
    for (const auto& c : cases) {
        AnswerPatience patience(500ms);
        for (const Event e : c.events) {
            if (e == WaitInVain)
                patience.WaitedInVain();
            else
                patience.Answered(e == Answer100 ? 100ms : 700ms);
        }
        EXPECT_EQ(patience.ForNextExchange(), c.next) << c.events.size();
    }
}

}  // namespace
