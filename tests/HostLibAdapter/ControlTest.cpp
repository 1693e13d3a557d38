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

// Plays the inference thread: offers frames whenever the device is ready.
class FrameFeeder {
public:
    explicit FrameFeeder(HostLibAdapter& adapter)
        : thread([this, &adapter] {
              for (const cv::Mat frame = PlainFrame(); running; QThread::msleep(2))
                  if (adapter.IsReady(0)) {
                      adapter.Dispatch(frame.clone(), 0);
                      ++offered;
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

// After a reset or a loss the display is cleared with an empty list.
void ExpectCleared(const DeviceRig& rig)
{
    ASSERT_FALSE(rig.results.empty());
    EXPECT_TRUE(rig.results.back().list.empty()) << "the display is cleared";
}

// Before a connection nothing reaches the library: no reset, no frame, no
// firmware answer without its question.
TEST(Idle, NothingReachesTheLibrary)
{
    DeviceRig rig;
    rig.Adapter().SlotReset();
    rig.Adapter().Dispatch(PlainFrame(), 0);
    rig.Adapter().SlotCheckFw(3, {}, true);
    DeviceRig::WaitFor([] { return false; }, 100);
    EXPECT_TRUE(rig.messages.isEmpty());
    EXPECT_TRUE(rig.results.empty());
    EXPECT_TRUE(rig.LogCalls().empty());
    EXPECT_FALSE(rig.Adapter().IsConnected());
}

TEST(Reset, WaitsForTheJobInFlightThenEndsClean)
{
    DeviceRig rig;
    ASSERT_TRUE(rig.ConnectBusy(1000));
    rig.Adapter().SlotReset();
    EXPECT_TRUE(rig.HasMessage("[Host Lib] Waiting to Reset"));
    EXPECT_TRUE(rig.HasMessage("[Host Lib] System Reset Done"));
    EXPECT_FALSE(rig.HasMessage("[Host Lib] System Reset Failed"));
    EXPECT_FALSE(rig.Adapter().IsConnected());
    ExpectCleared(rig);
    EXPECT_EQ(rig.results.back().Mode, 3);
    EXPECT_EQ(rig.CountCalls("edl_reset_sys"), 1);
    EXPECT_GE(rig.LastCall("edl_dme_inference"), 0);
    EXPECT_LT(rig.LastCall("edl_dme_inference"), rig.LastCall("edl_reset_sys"));
    EXPECT_TRUE(rig.EndsDeInitialised());
}

TEST(Reset, AJobFailingDuringTheWaitEndsItAtOnce)
{
    DeviceRig rig;
    rig.SetKnob("EDL_EMU_UNPLUG_AFTER", "1");
    ASSERT_TRUE(rig.Connect(3));
    DeviceResult first;
    ASSERT_TRUE(rig.Infer(PlainFrame(), first));
    rig.Adapter().Dispatch(PlainFrame(), 0);  // fails: the dongle is gone
    QThread::msleep(200);                     // its report waits in the queue
    QElapsedTimer timer;
    timer.start();
    rig.Adapter().SlotReset();
#ifndef VIREO_SANITIZED_BUILD
    EXPECT_LT(timer.elapsed(), 3000);
#endif
    EXPECT_TRUE(rig.HasMessage("[Host Lib] Can not set to DME inference mode"));
    EXPECT_TRUE(rig.HasMessage("[Host Lib] Connection Lost"));
    EXPECT_TRUE(rig.HasMessage("[Host Lib] System Reset Done"));
    EXPECT_EQ(rig.CountCalls("edl_reset_sys"), 0);
    EXPECT_FALSE(rig.Adapter().IsConnected());
}

TEST(Reset, GivesUpOnAJobThatDoesNotReturnAndReconnectsOnceItHas)
{
    DeviceRig rig;
    HostLibAdapter::Options options;
    options.waitLimitMs = 300;
    options.joinMs = 50;
    rig.Adapter().SetOptions(options);
    ASSERT_TRUE(rig.ConnectBusy(1500));
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
    rig.WriteControl("EDL_EMU_INFER_MS=0\n");
    EXPECT_TRUE(rig.Connect(3)) << rig.Messages();
}

TEST(Reset, OperationsArrivingDuringAWaitAreRefused)
{
    DeviceRig rig;
    ASSERT_TRUE(rig.ConnectBusy(1500));
    QTimer::singleShot(100, &rig.Adapter(), [&] { rig.Adapter().SlotChangeModel(2, ""); });
    QTimer::singleShot(150, &rig.Adapter(), [&] { rig.Adapter().SlotReset(); });
    rig.Adapter().SlotReset();
    EXPECT_EQ(rig.CountCalls("edl_reset_sys"), 1);
    EXPECT_EQ(rig.CountCalls("edl_start_dme"), 1);
    EXPECT_EQ(rig.messages.filter("[Host Lib] Busy").size(), 2);
}

TEST(ChangeModel, WhileFramesFlow)
{
    DeviceRig rig;
    ASSERT_TRUE(rig.Connect(3));
    const auto resultsOf = [&rig](int mode) {
        return [&rig, mode] {
            return std::any_of(rig.results.begin(), rig.results.end(), [mode](auto& r) { return r.Mode == mode; });
        };
    };
    {
        FrameFeeder feeder(rig.Adapter());
        ASSERT_TRUE(DeviceRig::WaitFor(resultsOf(3), 10000));
        for (const int mode : {2, 1, 0, 3}) {
            const int done = rig.changeModelDone;
            rig.Adapter().SlotChangeModel(mode, "");
            ASSERT_EQ(rig.changeModelDone, done + 1) << mode << ": " << rig.Messages();
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
    EXPECT_TRUE(rig.EndsDeInitialised());
    ExpectCleared(rig);

    rig.WriteControl("");
    ASSERT_TRUE(rig.Connect(3));
    DeviceResult result;
    EXPECT_TRUE(rig.Infer(PlainFrame(), result));
    EXPECT_TRUE(rig.Adapter().IsConnected());
}

// A camera size set from the capture thread is handed to the GUI thread,
// which reconnects with the user model file loaded before; a full HD camera
// gets images of 1280 x 720 sent.
TEST(Resolution, AChangeReconnectsWithTheSameUserModel)
{
    DeviceRig rig;
    ASSERT_TRUE(rig.Connect(3));
    rig.Adapter().SlotChangeModel(4, BuildFile("samples/user_model/scenes.bin"));
    ASSERT_EQ(rig.changeModelDone, 1);
    rig.Adapter().SetResolution(640, 480);  // unchanged: nothing to do
    EXPECT_EQ(rig.CountCalls("edl_reset_sys"), 0);

    rig.messages.clear();
    std::thread([&] { rig.Adapter().SetResolution(1920, 1080); }).join();
    ASSERT_TRUE(DeviceRig::WaitFor([&] { return rig.CountCalls("edl_reset_sys") == 1; }, 5000));
    ASSERT_TRUE(DeviceRig::WaitFor([&] { return rig.Adapter().IsConnected(); }, 5000)) << rig.Messages();
    EXPECT_FALSE(rig.HasMessage("[Host Lib] Model file not exist."));
    const std::string configure = rig.LogCalls()[static_cast<std::size_t>(rig.LastCall("edl_dme_configure"))];
    EXPECT_NE(configure.find("model 1000 1280x720 "), std::string::npos) << configure;
    DeviceResult result;
    ASSERT_TRUE(rig.Infer(PlainFrame(1920, 1080), result));
    EXPECT_EQ(result.Mode, 4);
    EXPECT_EQ(result.list.size(), 1u);
}

TEST(Shutdown, DestroyingEmitsNothingAndJoinsTheJobBeforeDeInit)
{
    DeviceRig rig;
    ASSERT_TRUE(rig.ConnectBusy(300));
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
    EXPECT_TRUE(rig.EndsDeInitialised());
    for (const auto& line : rig.LogCalls())
        EXPECT_EQ(line.find("de-initialised meanwhile"), std::string::npos) << line;
}

}  // namespace
