// The emulator's knobs, from the environment and from a control file that a
// test rewrites while the library runs.

#include "EdlSession.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

using namespace edltest;

namespace {

// Polls `call` for up to two seconds (the control file is re-read at least
// once a second); its last result.
int PollUntilFails(const std::function<int()>& call)
{
    int result = 0;
    for (int i = 0; i < 40 && result == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        result = call();
    }
    return result;
}

TEST(Knobs, DevicesLimitsHowManyCanBeAdded)
{
    const struct {
        const char* value;
        int added;
    } cases[] = {{nullptr, 1}, {"0", 0}, {"2", 2}, {"8", 8}, {"9", 1}, {"two", 1}, {"-1", 1}};
    for (const auto& c : cases) {
        ScopedEnv env("EDL_EMU_DEVICES", c.value);
        ASSERT_EQ(edl_lib_init(), 0);
        int added = 0;
        while (added < 10 && edl_add_dev(1, "") == added) ++added;
        EXPECT_EQ(added, c.added) << (c.value ? c.value : "unset");
        edl_lib_de_init();
    }
}

TEST(Knobs, FailMakesTheNamedCallsFail)
{
    ScopedEnv env("EDL_EMU_FAIL", "edl_dme_configure, reset_sys,bogus");
    ASSERT_EQ(Connect(), 0);
    ASSERT_EQ(UploadBuiltin(0, "mask"), 0);
    EXPECT_EQ(Configure(0, 3, 8, 64, 48, kFormatBoxes), -6);
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
    UploadMask64x48();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(InferBlank(), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(120));
    edl_lib_de_init();
}

// The device back-end's loss tests and the fault matrix pull the dongle
// through the same knobs; here the counting and the file's precedence.
TEST(Knobs, ControlFileWinsIsReReadAndTheDongleStaysPulledUntilTheNextInit)
{
    TempDir dir;
    const std::string control = dir.File("emu.conf");
    WriteText(control, "# the dongle is plugged\nEDL_EMU_DEVICES=1\nEDL_EMU_UNPLUG_AFTER=2\n");
    ScopedEnv env("EDL_EMU_CONTROL", control.c_str());
    ScopedEnv devices("EDL_EMU_DEVICES", "0");
    for (int plugged = 0; plugged < 2; ++plugged) {
        ASSERT_EQ(Connect(), 0) << "the file's 1 wins over the environment's 0";
        UploadMask64x48();
        EXPECT_EQ(InferBlank(), 0);
        EXPECT_EQ(InferBlank(), 0);
        EXPECT_EQ(InferBlank(), -1) << "third inference: the dongle is gone";
        EXPECT_EQ(Status(0), -1) << "every call for it fails";
        EXPECT_EQ(edl_reset_sys(0, 255), -1);
    }

    // Pulled out of the running library: within a second calls fail.
    WriteText(control, "EDL_EMU_DEVICES=1\n");
    ASSERT_EQ(Connect(), 0);
    UploadMask64x48();
    ASSERT_EQ(InferBlank(), 0);
    WriteText(control, "EDL_EMU_UNPLUG_AFTER=0\n");
    EXPECT_EQ(PollUntilFails([] { return InferBlank(); }), -1);

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
    UploadMask64x48();
    EXPECT_EQ(InferBlank(), 0);
    EXPECT_EQ(InferBlank(), 0);
    const std::string log = ReadText(dir.File("edl.log"));
    EXPECT_NE(log.find("ignored EDL_EMU_INFER_MS=soon"), std::string::npos) << log;
    EXPECT_NE(log.find("ignored EDL_EMU_UNPLUG_AFTER=-3"), std::string::npos) << log;
    edl_lib_de_init();
}

}  // namespace
