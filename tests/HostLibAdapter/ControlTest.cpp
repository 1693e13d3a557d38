// Reset, model change, connection loss and shutdown while the job thread
// works: the threaded cases, run under ThreadSanitizer too.
#include "DeviceRig.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <thread>

namespace {

const cv::Mat& Frame()
{
    static const cv::Mat frame(480, 640, CV_8UC3, cv::Scalar(40, 80, 120));
    return frame;
}

// Plays the inference thread: offers frames whenever the device is ready.
class FrameFeeder {
public:
    explicit FrameFeeder(HostLibAdapter& adapter)
        : thread([this, &adapter] {
              while (running) {
                  if (adapter.IsReady(0)) {
                      adapter.Dispatch(Frame().clone(), 0);
                      ++offered;
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(2));
              }
          })
    {
    }
    ~FrameFeeder()
    {
        running = false;
        thread.join();
    }
    std::atomic<int> offered{0};

private:
    std::atomic<bool> running{true};
    std::thread thread;
};

TEST(Reset, WhileIdleDoesNothingAndWhileConnectedEndsClean)
{
    DeviceRig rig;
    rig.Adapter().SlotReset();
    EXPECT_TRUE(rig.messages.isEmpty());
    EXPECT_TRUE(rig.LogCalls().empty());

    ASSERT_TRUE(rig.Connect(3));
    rig.Adapter().SlotReset();
    EXPECT_FALSE(rig.Adapter().IsConnected());
    EXPECT_TRUE(rig.HasMessage("[Host Lib] System Reset Done"));
    EXPECT_EQ(rig.CountCalls("edl_reset_sys"), 1);
    ASSERT_FALSE(rig.results.empty());
    EXPECT_TRUE(rig.results.back().list.empty()) << "the display is cleared";
    EXPECT_EQ(rig.results.back().Mode, 3);
    EXPECT_EQ(rig.LogCalls().back().rfind("edl_lib_de_init ", 0), 0u);
}

TEST(Reset, WaitsForTheJobInFlight)
{
    DeviceRig::SetKnob("EDL_EMU_INFER_MS", "1000");
    DeviceRig rig;
    ASSERT_TRUE(rig.Connect(3));
    rig.Adapter().Dispatch(Frame().clone(), 0);
    rig.Adapter().SlotReset();
    EXPECT_TRUE(rig.HasMessage("[Host Lib] Waiting to Reset"));
    EXPECT_TRUE(rig.HasMessage("[Host Lib] System Reset Done"));
    EXPECT_FALSE(rig.HasMessage("[Host Lib] System Reset Failed"));
    ASSERT_FALSE(rig.results.empty());
    EXPECT_TRUE(rig.results.back().list.empty()) << "the display is cleared";
    const auto calls = rig.LogCalls();
    std::size_t inference = calls.size();
    std::size_t reset = calls.size();
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].rfind("edl_dme_inference ", 0) == 0)
            inference = i;
        if (calls[i].rfind("edl_reset_sys ", 0) == 0)
            reset = i;
    }
    EXPECT_LT(inference, reset);
    qunsetenv("EDL_EMU_INFER_MS");
}

TEST(Reset, AJobFailingDuringTheWaitEndsItAtOnce)
{
    DeviceRig::SetKnob("EDL_EMU_UNPLUG_AFTER", "1");
    DeviceRig rig;
    ASSERT_TRUE(rig.Connect(3));
    DeviceResult first;
    ASSERT_TRUE(rig.Infer(Frame(), first));
    rig.Adapter().Dispatch(Frame().clone(), 0);  // fails: the dongle is gone
    QThread::msleep(200);                         // its report waits in the queue
    QElapsedTimer timer;
    timer.start();
    rig.Adapter().SlotReset();
    EXPECT_LT(timer.elapsed(), 3000);
    EXPECT_TRUE(rig.HasMessage("[Host Lib] Can not set to DME inference mode"));
    EXPECT_TRUE(rig.HasMessage("[Host Lib] Connection Lost"));
    EXPECT_TRUE(rig.HasMessage("[Host Lib] System Reset Done"));
    EXPECT_EQ(rig.CountCalls("edl_reset_sys"), 0);
    EXPECT_FALSE(rig.Adapter().IsConnected());
    qunsetenv("EDL_EMU_UNPLUG_AFTER");
}

TEST(Reset, GivesUpOnAJobThatDoesNotReturnAndReconnectsOnceItHas)
{
    DeviceRig::SetKnob("EDL_EMU_INFER_MS", "1500");
    DeviceRig rig;
    HostLibAdapter::Options options;
    options.waitLimitMs = 300;
    options.joinMs = 50;
    rig.Adapter().SetOptions(options);
    ASSERT_TRUE(rig.Connect(3));
    rig.Adapter().Dispatch(Frame().clone(), 0);
    rig.Adapter().SlotReset();
    EXPECT_TRUE(rig.HasMessageStartingWith("[Host Lib] The device stayed busy"));
    EXPECT_TRUE(rig.HasMessageStartingWith("[Host Lib] The device job is still running"));
    EXPECT_FALSE(rig.Adapter().IsConnected());
    // The library stays initialised under the running job; no new connection yet.
    EXPECT_EQ(rig.CountCalls("edl_lib_de_init"), 0);
    rig.messages.clear();
    EXPECT_FALSE(rig.Connect(3));
    EXPECT_TRUE(rig.HasMessageStartingWith("[Host Lib] Busy"));

    ASSERT_TRUE(DeviceRig::WaitFor([&] { return rig.CountCalls("edl_lib_de_init") == 1; }, 10000));
    qunsetenv("EDL_EMU_INFER_MS");
    rig.WriteControl("EDL_EMU_INFER_MS=0\n");
    EXPECT_TRUE(rig.Connect(3)) << rig.messages.join(" | ").toStdString();
}

TEST(Reset, OperationsArrivingDuringAWaitAreRefused)
{
    DeviceRig::SetKnob("EDL_EMU_INFER_MS", "1500");
    DeviceRig rig;
    ASSERT_TRUE(rig.Connect(3));
    rig.Adapter().Dispatch(Frame().clone(), 0);
    QTimer::singleShot(100, &rig.Adapter(), [&] { rig.Adapter().SlotChangeModel(2, ""); });
    QTimer::singleShot(150, &rig.Adapter(), [&] { rig.Adapter().SlotReset(); });
    rig.Adapter().SlotReset();
    EXPECT_EQ(rig.CountCalls("edl_reset_sys"), 1);
    EXPECT_EQ(rig.CountCalls("edl_start_dme"), 1);
    EXPECT_EQ(rig.messages.filter("[Host Lib] Busy").size(), 2);
    qunsetenv("EDL_EMU_INFER_MS");
}

TEST(ChangeModel, WhileFramesFlow)
{
    DeviceRig rig;
    ASSERT_TRUE(rig.Connect(3));
    {
        FrameFeeder feeder(rig.Adapter());
        const auto resultsOf = [&](int mode) {
            return [&rig, mode] {
                for (const auto& r : rig.results)
                    if (r.Mode == mode)
                        return true;
                return false;
            };
        };
        ASSERT_TRUE(DeviceRig::WaitFor(resultsOf(3), 10000));
        for (const int mode : {2, 1, 0, 3}) {
            const int done = rig.changeModelDone;
            rig.Adapter().SlotChangeModel(mode, "");
            ASSERT_EQ(rig.changeModelDone, done + 1) << mode << ": " << rig.messages.join(" | ").toStdString();
            ASSERT_TRUE(DeviceRig::WaitFor(resultsOf(mode), 10000)) << mode;
        }
        EXPECT_GT(feeder.offered.load(), 5);
    }
    // Once a model's results start, the previous model's never come back.
    const std::vector<int> order = {3, 2, 1, 0, 3};
    std::size_t stage = 0;
    for (const auto& r : rig.results) {
        while (stage + 1 < order.size() && r.Mode != order[stage])
            ++stage;
        EXPECT_EQ(r.Mode, order[stage]);
    }
    EXPECT_TRUE(rig.Adapter().IsConnected());
}

TEST(ChangeModel, ANonModelUserFileResetsTheDevice)
{
    DeviceRig rig;
    ASSERT_TRUE(rig.Connect(3));
    const std::string bogus = rig.Dir() + "/bogus.bin";
    WriteText(bogus, std::string(9000, '\x42'));
    rig.Adapter().SlotChangeModel(4, bogus);
    EXPECT_EQ(rig.changeModelDone, 0);
    EXPECT_TRUE(rig.HasMessage("[Host Lib] Set To Model No. 4"));
    EXPECT_TRUE(rig.HasMessageStartingWith("[Host Lib] Can not set to DME mode: "));
    EXPECT_TRUE(rig.HasMessage("[Host Lib] System Reset Done"));
    EXPECT_FALSE(rig.Adapter().IsConnected());
}

TEST(Loss, ReportedThenAReconnectWorksAfterReplugging)
{
    DeviceRig rig;
    rig.WriteControl("EDL_EMU_UNPLUG_AFTER=3\n");
    ASSERT_TRUE(rig.Connect(3));
    {
        FrameFeeder feeder(rig.Adapter());
        ASSERT_TRUE(DeviceRig::WaitFor([&] { return !rig.Adapter().IsConnected(); }, 10000));
        DeviceRig::WaitFor([] { return false; }, 100);  // the feeder keeps offering
    }
    EXPECT_TRUE(rig.HasMessage("[Host Lib] Can not set to DME inference mode"));
    EXPECT_TRUE(rig.HasMessage("[Host Lib] Connection Lost"));
    EXPECT_FALSE(rig.statuses.back());
    EXPECT_EQ(rig.CountCalls("edl_dme_inference"), 4);
    EXPECT_EQ(rig.LogCalls().back().rfind("edl_lib_de_init ", 0), 0u);
    ASSERT_FALSE(rig.results.empty());
    EXPECT_TRUE(rig.results.back().list.empty());

    rig.WriteControl("");
    ASSERT_TRUE(rig.Connect(3));
    DeviceResult result;
    EXPECT_TRUE(rig.Infer(Frame(), result));
    EXPECT_TRUE(rig.Adapter().IsConnected());
}

TEST(Resolution, AChangeReconnectsWithTheSameUserModel)
{
    const std::string model = BuildFile("samples/user_model/scenes.bin");
    DeviceRig rig;
    ASSERT_TRUE(rig.Connect(3));
    rig.Adapter().SlotChangeModel(4, model);
    ASSERT_EQ(rig.changeModelDone, 1);
    rig.Adapter().SetResolution(640, 480);  // unchanged: nothing to do
    EXPECT_EQ(rig.CountCalls("edl_reset_sys"), 0);

    rig.messages.clear();
    rig.Adapter().SetResolution(320, 240);
    EXPECT_TRUE(rig.Adapter().IsConnected()) << rig.messages.join(" | ").toStdString();
    EXPECT_EQ(rig.CountCalls("edl_reset_sys"), 1);
    EXPECT_FALSE(rig.HasMessage("[Host Lib] Model file not exist."));
    DeviceResult result;
    ASSERT_TRUE(rig.Infer(cv::Mat(240, 320, CV_8UC3, cv::Scalar::all(50)), result));
    EXPECT_EQ(result.Mode, 4);
    ASSERT_EQ(result.list.size(), 1u);
}

TEST(Resolution, FromAnotherThreadIsHandedToTheGuiThread)
{
    DeviceRig rig;
    ASSERT_TRUE(rig.Connect(2));
    std::thread capture([&] { rig.Adapter().SetResolution(1920, 1080); });
    capture.join();
    ASSERT_TRUE(DeviceRig::WaitFor([&] { return rig.CountCalls("edl_reset_sys") == 1; }, 5000));
    ASSERT_TRUE(DeviceRig::WaitFor([&] { return rig.Adapter().IsConnected(); }, 5000));
    DeviceResult result;
    EXPECT_TRUE(rig.Infer(cv::Mat(1080, 1920, CV_8UC3, cv::Scalar::all(50)), result));
    EXPECT_EQ(result.Mode, 2);
}

TEST(Shutdown, DestroyingEmitsNothingAndJoinsTheJobBeforeDeInit)
{
    DeviceRig::SetKnob("EDL_EMU_INFER_MS", "300");
    DeviceRig rig;
    ASSERT_TRUE(rig.Connect(3));
    rig.Adapter().Dispatch(Frame().clone(), 0);
    QThread::msleep(100);  // the job is inside the library by now
    rig.messages.clear();
    rig.statuses.clear();
    const std::size_t results = rig.results.size();
    HostLibAdapter::DestroyInstance();
    DeviceRig::WaitFor([] { return false; }, 100);
    EXPECT_TRUE(rig.messages.isEmpty());
    EXPECT_TRUE(rig.statuses.empty());
    EXPECT_EQ(rig.results.size(), results);
    // The job ran to its end before the library went down: nothing after the
    // de-init, and no call found the library gone.
    const auto calls = rig.LogCalls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().rfind("edl_lib_de_init ", 0), 0u) << calls.back();
    for (const auto& line : calls)
        EXPECT_EQ(line.find("de-initialised meanwhile"), std::string::npos) << line;
    qunsetenv("EDL_EMU_INFER_MS");
}

}  // namespace
