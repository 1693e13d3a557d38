// The emulator's knobs, from the environment and from a control file that a
// test rewrites while the library runs.

#include "EdlSession.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace edltest;

namespace {

constexpr uint32_t kFormatBoxes = 0x80000060u;

void ConnectAndConfigure(int dev = 0)
{
    ASSERT_EQ(UploadBuiltin(dev, "mask"), 0);
    std::vector<char> c = DmeConfig(3, 8, 64, 48, kFormatBoxes);
    ASSERT_EQ(edl_dme_configure(dev, c.data(), 24, nullptr), 0);
}

int InferBlank(int dev)
{
    std::vector<char> image(64 * 48 * 2, 0), answer;
    return Infer(dev, image, answer);
}

int Status(int dev, uint32_t* fw = nullptr, uint32_t* build = nullptr)
{
    uint32_t a = 0, b = 0, c = 0, d = 0;
    uint16_t s1 = 0, s2 = 0;
    const int r = edl_report_sys_status(dev, &a, &b, &s1, &s2, &c, &d);
    if (fw) *fw = a;
    if (build) *build = b;
    return r;
}

TEST(Knobs, DevicesLimitsHowManyCanBeAdded)
{
    struct Case {
        const char* value;
        int added;
    } cases[] = {{nullptr, 1}, {"0", 0}, {"2", 2}, {"8", 8}, {"9", 1}, {"two", 1}, {"-1", 1}};
    for (const Case& c : cases) {
        ScopedEnv env("EDL_EMU_DEVICES", c.value);
        ASSERT_EQ(edl_lib_init(), 0);
        int added = 0;
        while (added < 10 && edl_add_dev(1, "") == added) ++added;
        EXPECT_EQ(added, c.added) << (c.value ? c.value : "unset");
        edl_lib_de_init();
    }
}

TEST(Knobs, UnplugAfterPullsTheDongleUntilTheNextInit)
{
    ScopedEnv env("EDL_EMU_UNPLUG_AFTER", "2");
    ASSERT_EQ(Connect(), 0);
    ConnectAndConfigure();
    EXPECT_EQ(InferBlank(0), 0);
    EXPECT_EQ(InferBlank(0), 0);
    EXPECT_EQ(InferBlank(0), -1) << "third inference: the dongle is gone";
    EXPECT_EQ(Status(0), -1) << "every call for it fails";
    EXPECT_EQ(edl_reset_sys(0, 255), -1);
    // Re-plugged by the next init: counting starts again.
    ASSERT_EQ(Connect(), 0);
    EXPECT_EQ(Status(0), 0);
    ConnectAndConfigure();
    EXPECT_EQ(InferBlank(0), 0);
    edl_lib_de_init();
}

TEST(Knobs, FailMakesTheNamedCallsFail)
{
    ScopedEnv env("EDL_EMU_FAIL", "edl_dme_configure, reset_sys,bogus");
    ASSERT_EQ(Connect(), 0);
    ASSERT_EQ(UploadBuiltin(0, "mask"), 0);
    std::vector<char> c = DmeConfig(3, 8, 64, 48, kFormatBoxes);
    EXPECT_EQ(edl_dme_configure(0, c.data(), 24, nullptr), -6);
    EXPECT_EQ(edl_reset_sys(0, 255), -6);
    EXPECT_EQ(Status(0), 0) << "calls not named keep working";
    edl_lib_de_init();

    ScopedEnv startup("EDL_EMU_FAIL", "lib_init");
    EXPECT_EQ(edl_lib_init(), -6);
    ScopedEnv add("EDL_EMU_FAIL", "add_dev");
    ASSERT_EQ(edl_lib_init(), 0);
    EXPECT_EQ(edl_add_dev(1, ""), -1) << "edl_add_dev fails with -1 whatever the cause";
    edl_lib_de_init();
}

TEST(Knobs, InferMsAddsLatency)
{
    ScopedEnv env("EDL_EMU_INFER_MS", "120");
    ASSERT_EQ(Connect(), 0);
    ConnectAndConfigure();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(InferBlank(0), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(120));
    edl_lib_de_init();
}

TEST(Knobs, FwSetsTheReportedIdentityAndAnUpdateOutlivesDeInit)
{
    ScopedEnv env("EDL_EMU_FW", "0x01020005:71");
    ASSERT_EQ(Connect(), 0);
    uint32_t fw = 0, build = 0;
    ASSERT_EQ(Status(0, &fw, &build), 0);
    EXPECT_EQ(fw, 0x01020005u);
    EXPECT_EQ(build, 71u);

    const std::string dir = RuntimeDir() + "/HostLibAdapter/fw/";
    for (uint32_t module : {1u, 2u}) {
        std::vector<char> image = ReadBytes(dir + (module == 1 ? "fw_scpu.bin" : "fw_ncpu.bin"));
        uint32_t m = module;
        ASSERT_EQ(edl_update_fw(0, &m, image.data(), image.size()), 0);
    }
    ASSERT_EQ(Status(0, &fw, &build), 0);
    EXPECT_GE(fw, 0x1030000u);
    EXPECT_GE(build, 88u);

    for (int cycle = 0; cycle < 3; ++cycle) {
        edl_lib_de_init();
        ASSERT_EQ(Connect(), 0);
        uint32_t again = 0, againBuild = 0;
        ASSERT_EQ(Status(0, &again, &againBuild), 0);
        EXPECT_EQ(again, fw) << "the update stays in force";
        EXPECT_EQ(againBuild, build);
    }
    // Another value stands for another dongle.
    ScopedEnv other("EDL_EMU_FW", "0x01000000:5");
    ASSERT_EQ(Connect(), 0);
    ASSERT_EQ(Status(0, &fw, &build), 0);
    EXPECT_EQ(fw, 0x01000000u);
    EXPECT_EQ(build, 5u);
    edl_lib_de_init();
}

TEST(Knobs, ControlFileWinsAndIsReReadWhileRunning)
{
    TempDir dir;
    const std::string control = dir.File("emu.conf");
    WriteText(control, "# the dongle is plugged\nEDL_EMU_DEVICES=1\n");
    ScopedEnv env("EDL_EMU_CONTROL", control.c_str());
    ScopedEnv devices("EDL_EMU_DEVICES", "0");
    ASSERT_EQ(Connect(), 0) << "the file's 1 wins over the environment's 0";
    ConnectAndConfigure();
    ASSERT_EQ(InferBlank(0), 0);

    // Pull the dongle of the running library: within a second calls fail.
    WriteText(control, "EDL_EMU_UNPLUG_AFTER=0\n");
    int result = 0;
    for (int i = 0; i < 40 && result == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        result = InferBlank(0);
    }
    EXPECT_EQ(result, -1);
    EXPECT_EQ(Status(0), -1);

    // Plug it back: the next init finds it.
    WriteText(control, "EDL_EMU_DEVICES=1\n");
    ASSERT_EQ(Connect(), 0);
    ConnectAndConfigure();
    EXPECT_EQ(InferBlank(0), 0);

    // A pulled-out dongle through the device count works the same way.
    WriteText(control, "EDL_EMU_DEVICES=0\n");
    result = 0;
    for (int i = 0; i < 40 && result == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        result = Status(0);
    }
    EXPECT_EQ(result, -1);
    EXPECT_EQ(edl_lib_init(), 0);
    EXPECT_EQ(edl_add_dev(1, ""), -1);

    // A missing control file leaves the environment's values.
    std::remove(control.c_str());
    EXPECT_EQ(edl_lib_init(), 0);
    EXPECT_EQ(edl_add_dev(1, ""), -1) << "EDL_EMU_DEVICES=0 from the environment";
    edl_lib_de_init();
}

TEST(Knobs, BadValuesAreLoggedAndIgnored)
{
    TempDir dir;
    ScopedEnv env("EDL_EMU_INFER_MS", "soon");
    ScopedEnv unplug("EDL_EMU_UNPLUG_AFTER", "-3");
    ASSERT_EQ(edl_init_log(dir.Path().c_str(), "edl.log"), 0);
    ASSERT_EQ(Connect(), 0);
    ConnectAndConfigure();
    EXPECT_EQ(InferBlank(0), 0);
    EXPECT_EQ(InferBlank(0), 0);
    const std::string log = ReadText(dir.File("edl.log"));
    EXPECT_NE(log.find("ignored EDL_EMU_INFER_MS=soon"), std::string::npos) << log;
    EXPECT_NE(log.find("ignored EDL_EMU_UNPLUG_AFTER=-3"), std::string::npos) << log;
    edl_lib_de_init();
}

}  // namespace
