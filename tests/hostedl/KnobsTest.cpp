// The emulator's knobs, from the environment and from a control file.

#include "EdlSession.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using namespace edltest;

namespace {

// The device back-end's loss tests and the fault matrix pull the dongle
// through the same knobs (no dongle, two for the concurrency test), the
// matrix from a running library; here the counting and the file's precedence.
TEST(Knobs, ControlFileWinsAndTheDongleStaysPulledUntilTheNextInit)
{
    TempDir dir;
    const std::string control = dir.File("emu.conf");
    WriteText(control, "# the dongle is plugged\nEDL_EMU_DEVICES=1\nEDL_EMU_UNPLUG_AFTER=2\n");
    ScopedEnv env("EDL_EMU_CONTROL", control.c_str());
    ScopedEnv devices("EDL_EMU_DEVICES", "0");
    for (int plugged = 0; plugged < 2; ++plugged) {
        ASSERT_EQ(Connect(), 0) << "the file's 1 wins over the environment's 0";
        UploadMask64x48();
        // The third inference finds the dongle gone, and every call for it fails.
        EXPECT_EQ((std::vector<int>{InferBlank(), InferBlank(), InferBlank(), Status(0), edl_reset_sys(0, 255)}),
                  (std::vector<int>{0, 0, -1, -1, -1}));
    }

    // A missing control file leaves the environment's values.
    std::remove(control.c_str());
    EXPECT_EQ(edl_lib_init(), 0);
    EXPECT_EQ(edl_add_dev(1, ""), -1) << "EDL_EMU_DEVICES=0 from the environment";
    edl_lib_de_init();
}

// Which call fails is a list; a bad value or name is said in the log and
// changes nothing. Each call's own failure is in the device back-end's tests.
TEST(Knobs, FailListsAndBadValues)
{
    TempDir dir;
    ScopedEnv env("EDL_EMU_INFER_MS", "soon");
    ScopedEnv unplug("EDL_EMU_UNPLUG_AFTER", "-3");
    ScopedEnv fail("EDL_EMU_FAIL", " edl_reset_sys,bogus , report_sys_status");
    ASSERT_EQ(edl_init_log(dir.Path().c_str(), "edl.log"), 0);
    ASSERT_EQ(Connect(), 0);
    UploadMask64x48();
    EXPECT_EQ((std::vector<int>{InferBlank(), InferBlank(), edl_reset_sys(0, 255), Status(0)}),
              (std::vector<int>{0, 0, -6, -6}));
    const std::string log = ReadText(dir.File("edl.log"));
    for (const char* said : {"ignored EDL_EMU_INFER_MS=soon", "ignored EDL_EMU_UNPLUG_AFTER=-3",
                             "EDL_EMU_FAIL names no call: bogus"})
        EXPECT_NE(log.find(said), std::string::npos) << said << "\n" << log;
    edl_lib_de_init();
}

}  // namespace
