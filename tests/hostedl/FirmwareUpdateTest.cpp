// Firmware updates: a valid image changes the identity; anything else fails
// and the old firmware stays.

#include "EdlSession.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using namespace edltest;

namespace {

std::vector<char> Image(const std::string& name) { return ReadBytes(RuntimeDir() + "/" + name); }

TEST(FirmwareUpdate, BadImagesLeaveTheOldFirmware)
{
    ScopedEnv env("EDL_EMU_FW", nullptr);
    const std::vector<char> scpu = Image("HostLibAdapter/fw/fw_scpu.bin");
    const std::vector<char> oldScpu = Image("samples/fw_old/fw_scpu.bin");
    ASSERT_GT(scpu.size(), 24u);
    auto flip = [](std::vector<char> v, size_t at) { v.at(at) ^= 1; return v; };
    std::vector<char> huge = scpu;
    huge.resize(128 * 1024 + 1);
    struct Case {
        const char* name;
        std::vector<char> image;
        uint32_t module;
        int expected;
    } cases[] = {
        {"bad CRC", flip(oldScpu, oldScpu.size() - 1), 1, -4},
        {"payload byte flipped", flip(oldScpu, 22), 1, -4},
        {"bad magic", flip(oldScpu, 0), 1, -4},
        {"SCPU image as NCPU", oldScpu, 2, -4},
        {"module id 3", oldScpu, 3, -2},
        {"over 128 KiB", huge, 1, -4},
        {"truncated", std::vector<char>(oldScpu.begin(), oldScpu.end() - 5), 1, -4},
        {"header only", std::vector<char>(oldScpu.begin(), oldScpu.begin() + 20), 1, -4},
    };
    ASSERT_EQ(Connect(), 0);
    uint32_t fw0 = 0, build0 = 0;
    ASSERT_EQ(edl_report_sys_status(0, &fw0, &build0, nullptr, nullptr, nullptr, nullptr), 0);
    for (Case& c : cases) {
        uint32_t module = c.module;
        EXPECT_EQ(edl_update_fw(0, &module, c.image.data(), static_cast<int>(c.image.size())), c.expected) << c.name;
        uint32_t fw = 0, build = 0;
        ASSERT_EQ(edl_report_sys_status(0, &fw, &build, nullptr, nullptr, nullptr, nullptr), 0);
        EXPECT_EQ(fw, fw0) << c.name;
        EXPECT_EQ(build, build0) << c.name;
    }
    // The outdated image is valid: the dongle now reports it, and the
    // program would offer the update again.
    std::vector<char> image = oldScpu;
    uint32_t module = 1;
    ASSERT_EQ(edl_update_fw(0, &module, image.data(), static_cast<int>(image.size())), 0);
    uint32_t fw = 0, build = 0, ncpuFw = 0, ncpuBuild = 0;
    ASSERT_EQ(edl_report_sys_status(0, &fw, &build, nullptr, nullptr, &ncpuFw, &ncpuBuild), 0);
    EXPECT_LT(build, 88u);
    EXPECT_LT(fw, 0x1030000u);
    EXPECT_EQ(ncpuFw, fw0) << "the NCPU keeps its own firmware";
    EXPECT_EQ(ReadText(RuntimeDir() + "/samples/fw_old/identity.txt").substr(0, 13), "0x01020005:71");
    edl_lib_de_init();
}

}  // namespace
