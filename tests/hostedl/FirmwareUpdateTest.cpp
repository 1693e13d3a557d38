// Firmware: a valid image changes the dongle's identity (EDL_EMU_FW) for the
// life of the process; anything else fails and the old firmware stays. The
// device back-end's connect tests set a new identity for each case.

#include "EdlSession.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using namespace edltest;

namespace {

std::vector<char> Image(const std::string& name) { return ReadBytes(RuntimeDir() + "/" + name); }

int Update(uint32_t module, std::vector<char> image)
{
    return edl_update_fw(0, &module, image.data(), static_cast<int>(image.size()));
}

TEST(FirmwareUpdate, BadImagesLeaveTheOldFirmwareAndAnUpdateOutlivesDeInit)
{
    ScopedEnv env("EDL_EMU_FW", "0x01020005:71");
    const std::vector<char> scpu = Image("HostLibAdapter/fw/fw_scpu.bin");
    const std::vector<char> oldScpu = Image("samples/fw_old/fw_scpu.bin");
    ASSERT_EQ(ReadText(RuntimeDir() + "/samples/fw_old/identity.txt").substr(0, 13), "0x01020005:71");
    ASSERT_GT(oldScpu.size(), 24u);
    const auto flip = [](std::vector<char> v, size_t at) { v.at(at) ^= 1; return v; };
    const auto resized = [](std::vector<char> v, size_t size) { v.resize(size); return v; };
    const struct {
        const char* name;
        std::vector<char> image;
        uint32_t module;
        int expected;
    } cases[] = {
        {"bad CRC", flip(oldScpu, oldScpu.size() - 1), 1, -4},
        {"SCPU image as NCPU", oldScpu, 2, -4},
        {"module id 3", oldScpu, 3, -2},
        {"over 128 KiB", resized(scpu, 128 * 1024 + 1), 1, -4},
        {"truncated", resized(oldScpu, oldScpu.size() - 5), 1, -4},
    };
    ASSERT_EQ(Connect(), 0);
    uint32_t fw = 0, build = 0, ncpuFw = 0, ncpuBefore = 0;
    ASSERT_EQ(Status(0, &fw, &build, &ncpuBefore), 0);
    EXPECT_EQ(std::make_pair(fw, build), std::make_pair(0x01020005u, 71u));
    for (const auto& c : cases) {
        EXPECT_EQ(Update(c.module, c.image), c.expected) << c.name;
        ASSERT_EQ(Status(0, &fw, &build), 0);
        EXPECT_EQ(std::make_pair(fw, build), std::make_pair(0x01020005u, 71u)) << c.name;
    }

    // The SCPU takes the current image; the NCPU keeps its own firmware.
    ASSERT_EQ(Update(1, scpu), 0);
    ASSERT_EQ(Status(0, &fw, &build, &ncpuFw), 0);
    EXPECT_TRUE(fw >= 0x1030000u && build >= 88u) << fw << ' ' << build;
    EXPECT_EQ(ncpuFw, ncpuBefore);
    ASSERT_EQ(Update(2, Image("HostLibAdapter/fw/fw_ncpu.bin")), 0);
    edl_lib_de_init();
    ASSERT_EQ(Connect(), 0);
    uint32_t again = 0, againBuild = 0;
    ASSERT_EQ(Status(0, &again, &againBuild, &ncpuFw), 0);
    EXPECT_EQ(std::make_pair(again, againBuild), std::make_pair(fw, build)) << "the update stays in force";
    EXPECT_GE(ncpuFw, 0x1030000u);
    // The outdated image is valid too: the program would offer the update again.
    ASSERT_EQ(Update(1, oldScpu), 0);
    ASSERT_EQ(Status(0, &fw, &build), 0);
    EXPECT_TRUE(fw < 0x1030000u && build < 88u) << fw << ' ' << build;
    edl_lib_de_init();
}

}  // namespace
