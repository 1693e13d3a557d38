// The library's log on a kiosk that runs for months: it stays capped, keeps
// one old copy, and a folder it cannot write to is said once, not at every
// call or reconnect.

#include "hostedl.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr std::uintmax_t kCap = 10u * 1024 * 1024;

TEST(LibraryLog, GrownPastTheCapMovesAsideOverTheOlderCopy)
{
    TempDir dir;
    const std::string log = dir.File("edl.log");
    WriteText(log + ".1", "the oldest copy\n");
    // Earlier runs left a log just under the cap (sparse, so it costs no disk).
    WriteText(log, "an earlier run\n");
    fs::resize_file(log, kCap - 10);

    ASSERT_EQ(edl_init_log(dir.Path().c_str(), "edl.log"), 0);  // its line crosses the cap
    ASSERT_EQ(edl_lib_init(), 0);
    edl_lib_de_init();

    const std::string old = ReadText(log + ".1");
    EXPECT_GE(old.size(), kCap);
    EXPECT_EQ(old.rfind("an earlier run\n", 0), 0u);
    EXPECT_NE(old.find(" edl_init_log "), std::string::npos);
    const std::string current = ReadText(log);
    EXPECT_NE(current.substr(0, current.find('\n')).find(" edl_lib_init "), std::string::npos) << current;
    EXPECT_NE(current.find(" edl_lib_de_init "), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2);
}

TEST(LibraryLog, FolderThatCannotBeWrittenIsSaidOnce)
{
    TempDir dir;
    WriteText(dir.File("plainfile"), "x");
    const std::string folder = dir.File("plainfile");  // not a folder, so even root cannot write there

    testing::internal::CaptureStderr();
    for (int connect = 0; connect < 3; ++connect) {
        EXPECT_EQ(edl_init_log(folder.c_str(), "edl.log"), -5);
        EXPECT_EQ(edl_lib_init(), 0);
    }
    edl_lib_de_init();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find(folder + "/edl.log"), std::string::npos) << said;
}

}  // namespace
