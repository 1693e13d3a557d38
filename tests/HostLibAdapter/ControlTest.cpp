// Reset, model change, connection loss, camera size changes and the wait
// limit while the dongle's thread works: the threaded cases, run under
// ThreadSanitizer too.
#include "CaseName.h"
#include "DeviceRig.h"

#include <gtest/gtest.h>

#include <QThread>

#include <opencv2/imgproc.hpp>

#include <atomic>
#include <functional>
#include <thread>

namespace {

using S = DeviceState;

// Operations meeting a job in flight, a lost dongle, a failing reset, a job
// that reached the dongle's queue after a reset, or a job that does not
// return. Each ends disconnected with the display cleared and the library
// closed, and a new connection works.
struct OperationCase {
    const char* name;
    const char* control;  // the emulator's knobs
    std::function<void(DeviceRig&)> act;
    QStringList said;     // in this order
    QString neverSaid;
    int resets;           // edl_reset_sys calls
    int inferences;       // edl_dme_inference calls
};

void PrintTo(const OperationCase& c, std::ostream* os) { *os << c.name; }

const QString kLost = "[Host Lib] Connection Lost";
const QString kResetDone = "[Host Lib] System Reset Done";
const QString kJobFailed = "[Host Lib] Can not set to DME inference mode";

void JobThen(DeviceRig& rig, const std::function<void(HostLibAdapter&)>& request)
{
    rig.Hold();
    rig.Adapter().Dispatch(PlainFrame(), 0);
    request(rig.Adapter());
    rig.Release();
}

// A job that keeps the dongle past the wait limit: the controller gives up
// once and says so; the connection ends when the call returns, and an upload
// given up is never made.
void HangThen(DeviceRig& rig, const std::function<void(HostLibAdapter&)>& request)
{
    HostLibAdapter::Options options;
    options.waitLimitMs = 300;
    rig.Adapter().SetOptions(options);
    rig.Adapter().Dispatch(PlainFrame(), 0);
    request(rig.Adapter());
    ASSERT_TRUE(rig.WaitForState(S::Closing));
}

const QString kGaveUp = "[Host Lib] The device stayed busy for 0.3 s; the connection ends when it answers.";
const QString kEventLoopRan = "(a call queued to the GUI thread ran during the reset)";

// A 4 s job holds the dongle: frames offered meanwhile are dropped, and the
// reset waits for it on the dongle's thread while the GUI thread goes on
// handling its events.
void ResetBehindALongJob(DeviceRig& rig)
{
    for (int i = 0; i < 4; ++i)
        rig.Adapter().Dispatch(PlainFrame(), 0);
    rig.Adapter().SlotReset();
    QMetaObject::invokeMethod(&rig.Adapter(), [&rig] {
        if (rig.Adapter().State() == S::Resetting)
            rig.messages << kEventLoopRan;
    }, Qt::QueuedConnection);
}

const OperationCase kOperations[] = {
    {"a reset waits for the job in flight", "EDL_EMU_INFER_MS=4000", ResetBehindALongJob,
     {"[Host Lib] Waiting to Reset", kEventLoopRan, kLost, kResetDone}, kJobFailed, 1, 1},
    {"dongle pulled under a job, reset waiting", "EDL_EMU_UNPLUG_AFTER=0",
     [](DeviceRig& r) { JobThen(r, [](HostLibAdapter& a) { a.SlotReset(); }); }, {kJobFailed, kLost, kResetDone},
     "[Host Lib] System Reset Failed", 0, 1},
    {"dongle pulled under a job, upload waiting", "EDL_EMU_UNPLUG_AFTER=0",
     [](DeviceRig& r) { JobThen(r, [](HostLibAdapter& a) { a.SlotChangeModel(2, ""); }); }, {kJobFailed, kLost},
     "[Host Lib] Set To Model No. 2", 0, 1},
    {"reset fails", "EDL_EMU_FAIL=reset_sys", [](DeviceRig& r) { r.Adapter().SlotReset(); },
     {"[Host Lib] System Reset Failed", kLost, kResetDone}, kJobFailed, 1, 0},
    {"a job queued behind a reset never reaches the dongle", "",
     [](DeviceRig& r) {
         r.Hold();
         r.Adapter().SlotReset();
         emit r.Adapter().SigRunMask(0, PlainFrame());  // a dispatch that raced the reset
         r.Release();
     },
     {kLost, kResetDone}, kJobFailed, 1, 0},
    {"a file that is no model resets the dongle", "",
     [](DeviceRig& r) {
         WriteText(r.Dir() + "/bogus.bin", std::string(9000, '\x42'));
         r.Adapter().SlotChangeModel(4, r.Dir() + "/bogus.bin");
     },
     {"[Host Lib] Set To Model No. 4", "[Host Lib] Can not set to DME mode: 3", kLost, kResetDone}, kJobFailed, 1, 0},
    {"a reset waits no longer than the limit", "EDL_EMU_INFER_MS=3000",
     [](DeviceRig& r) { HangThen(r, [](HostLibAdapter& a) { a.SlotReset(); }); },
     {"[Host Lib] Waiting to Reset", kGaveUp, kLost, kResetDone}, "[Host Lib] Set To Model No.", 1, 1},
    {"an upload waits no longer than the limit", "EDL_EMU_INFER_MS=3000",
     [](DeviceRig& r) { HangThen(r, [](HostLibAdapter& a) { a.SlotChangeModel(2, ""); }); },
     {"[Host Lib] Waiting to Change Model", kGaveUp, kLost}, "[Host Lib] Set To Model No.", 0, 1},
};

class Operations : public ::testing::TestWithParam<OperationCase> {};

TEST_P(Operations, EndDisconnectedAndCleanly)
{
    const OperationCase& c = GetParam();
    DeviceRig rig;
    rig.WriteControl(std::string(c.control) + "\n");
    ASSERT_TRUE(rig.Connect(3));
    c.act(rig);
    ASSERT_TRUE(rig.WaitForState(S::Disconnected));
    EXPECT_TRUE(rig.MessagesInOrder(c.said)) << rig.Messages();
    EXPECT_TRUE(rig.messages.filter(c.neverSaid).isEmpty()) << rig.Messages();
    EXPECT_EQ(rig.messages.count(kLost), 1);
    EXPECT_LE(rig.messages.count(kGaveUp), 1);
    EXPECT_EQ(rig.CountCalls("edl_reset_sys"), c.resets);
    EXPECT_EQ(rig.CountCalls("edl_dme_inference"), c.inferences);
    EXPECT_TRUE(c.resets + c.inferences < 2 || rig.LastCall("edl_dme_inference") < rig.LastCall("edl_reset_sys"))
        << "the job ran first";
    EXPECT_TRUE(rig.EndsDeInitialised());
    EXPECT_EQ(rig.statuses, (std::vector<bool>{true, false}));
    ASSERT_FALSE(rig.results.empty());
    EXPECT_TRUE(rig.results.back().list.empty()) << "the display is cleared";

    rig.WriteControl("");
    ASSERT_TRUE(rig.Connect(3));
    DeviceResult result;
    EXPECT_TRUE(rig.Infer(PlainFrame(), result));
}

INSTANTIATE_TEST_SUITE_P(Faults, Operations, ::testing::ValuesIn(kOperations), CaseName());

// A thread playing the inference worker offers frames whenever the dongle is
// ready while the model is switched four times: once a model's results
// start, the previous model's never come back.
TEST(ChangeModel, WhileFramesFlow)
{
    DeviceRig rig;
    ASSERT_TRUE(rig.Connect(3));
    const auto newestOf = [&rig](int mode) {
        return [&rig, mode] { return !rig.results.empty() && rig.results.back().Mode == mode; };
    };
    std::atomic<bool> feeding{true};
    std::thread feeder([&] {
        for (const cv::Mat frame = PlainFrame(); feeding; QThread::msleep(2))
            if (rig.Adapter().IsReady(0))
                rig.Adapter().Dispatch(frame.clone(), 0);
    });
    EXPECT_TRUE(DeviceRig::WaitFor(newestOf(3)));
    for (const int mode : {2, 1, 0, 3}) {
        const int done = rig.changeModelDone;
        rig.Adapter().SlotChangeModel(mode, "");
        EXPECT_TRUE(DeviceRig::WaitFor([&] { return rig.changeModelDone == done + 1; })) << rig.Messages();
        EXPECT_TRUE(DeviceRig::WaitFor(newestOf(mode))) << mode;
    }
    feeding = false;
    feeder.join();
    std::vector<int> modes;  // of the results in order, each run of one mode once
    for (const auto& r : rig.results)
        if (modes.empty() || modes.back() != r.Mode)
            modes.push_back(r.Mode);
    EXPECT_EQ(modes, (std::vector<int>{3, 2, 1, 0, 3}));
    EXPECT_TRUE(rig.Adapter().IsConnected());
}

// A camera size set from the capture thread in the middle of a model upload
// is taken up once the upload is done: the dongle is reset and connected
// again with the user model just uploaded, now for 1280 x 720 images, and
// names the class of pictures kept out of the model's examples (in label
// file order: chessboard, fruit, street).
TEST(Resolution, AChangeDuringAnUploadReloadsTheModelAtTheNewSize)
{
    DeviceRig rig;
    ASSERT_TRUE(rig.Connect(3));
    rig.Adapter().SetResolution(640, 480);  // unchanged: nothing to do
    EXPECT_EQ(rig.Adapter().State(), S::Connected);
    rig.Hold();
    rig.Adapter().SlotChangeModel(4, BuildFile("samples/user_model/scenes.bin"));
    std::thread([&] { rig.Adapter().SetResolution(1920, 1080); }).join();
    rig.Release();
    ASSERT_TRUE(DeviceRig::WaitFor([&] { return rig.CountCalls("edl_reset_sys") == 1 && rig.Adapter().IsConnected(); }))
        << rig.Messages();
    EXPECT_EQ(rig.changeModelDone, 1);
    const std::string configure = rig.LogCalls()[static_cast<std::size_t>(rig.LastCall("edl_dme_configure"))];
    EXPECT_NE(configure.find("model 1000 1280x720 "), std::string::npos) << configure;
    const std::pair<const char*, int> pictures[] = {
        {"left05.jpg", 0}, {"left12.jpg", 0}, {"right07.jpg", 0}, {"apple.jpg", 1}, {"leuvenB.jpg", 2}};
    for (const auto& [name, classId] : pictures) {
        cv::Mat picture = ReadPicture(OpenCvSample(name));
        cv::resize(picture, picture, cv::Size(1920, 1080));
        DeviceResult result;
        ASSERT_TRUE(rig.Infer(picture, result)) << name;
        ASSERT_EQ(result.list.size(), 1u) << name;
        EXPECT_EQ(std::make_tuple(result.Mode, result.list[0].ClassId, result.list[0].Width), std::make_tuple(4, classId, 0))
            << name;
    }
}

}  // namespace
