// The emulator's knobs, from the environment and from a control file.

#include "EdlSession.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using namespace edltest;

namespace {

// Which call fails is a list; a bad value or name is said in the log and
// changes nothing. Each call's own failure is in the device back-end's tests,
// the control file and the dongle pulled through it in theirs and the fault
// matrix's.
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
