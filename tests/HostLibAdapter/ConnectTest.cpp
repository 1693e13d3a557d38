// Connecting to the emulated dongle: the sequence, every failure ending and
// the firmware question.
#include "DeviceRig.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

const QString kStartUpdate = "[Host Lib] Start Update Firmware.\n\nPlease Wait................................";
constexpr const char* kOldFirmware = "0x01020005:71";

// The library is de-initialised after the last call that used it.
void ExpectEndsDeInitialised(const DeviceRig& rig)
{
    const auto calls = rig.LogCalls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().rfind("edl_lib_de_init ", 0), 0u) << calls.back();
}

TEST(Connect, LoadsTheModelAndReportsEachStep)
{
    DeviceRig rig;
    ASSERT_TRUE(rig.Connect(3));
    const QStringList expected = {"[Host Lib] Init edl host lib log....",
                                  "[Host Lib] Adding devices....",
                                  "[Host Lib] Start edl host lib....",
                                  "[Host Lib] System Info Check: On",
                                  kStartUpdate,
                                  "[Host Lib] Starting DME inference in [serial mode] ..."};
    EXPECT_EQ(rig.messages, expected);
    EXPECT_EQ(rig.statuses, std::vector<bool>{true});
    ASSERT_EQ(rig.fwQuestions.size(), 1u);
    EXPECT_TRUE(rig.fwQuestions[0].empty());
    EXPECT_TRUE(rig.Adapter().IsReady(0));
    EXPECT_EQ(rig.Adapter().GetDevId(0), 0);

    // Connected: a second connect does nothing at all.
    rig.messages.clear();
    rig.Adapter().SlotConnect(2);
    EXPECT_TRUE(rig.messages.isEmpty());
    EXPECT_EQ(rig.fwQuestions.size(), 1u);
}

TEST(Connect, EveryFailureEndsIdleAndDeInitialised)
{
    const struct {
        const char* knob;
        const char* value;
        const char* message;
        bool initialised;
    } cases[] = {
        {"EDL_EMU_FAIL", "lib_init", "[Host Lib] Init for edl host lib failed.", false},
        {"EDL_EMU_FAIL", "add_dev", "[Host Lib] Add device failed.", true},
        {"EDL_EMU_DEVICES", "0", "[Host Lib] Add device failed.", true},
        {"EDL_EMU_FAIL", "lib_start", "[Host Lib] Start edl host lib failed.", true},
        {"EDL_EMU_FAIL", "report_sys_status", "[Host Lib] Reading the device's firmware version failed.", true},
        {"EDL_EMU_FAIL", "start_dme", "[Host Lib] Can not set to DME mode: ", true},
        {"EDL_EMU_FAIL", "dme_configure", "[Host Lib] Can not set to DME configure mode", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.knob) + "=" + c.value);
        DeviceRig rig;
        DeviceRig::SetKnob(c.knob, c.value);
        EXPECT_FALSE(rig.Connect(3));
        qunsetenv(c.knob);
        EXPECT_TRUE(rig.HasMessageStartingWith(c.message));
        EXPECT_TRUE(rig.HasMessage("[Host Lib] Connection Lost"));
        ASSERT_FALSE(rig.statuses.empty());
        EXPECT_FALSE(rig.statuses.back());
        EXPECT_FALSE(rig.Adapter().IsReady(0));
        if (c.initialised)
            ExpectEndsDeInitialised(rig);
        else
            EXPECT_EQ(rig.CountCalls("edl_lib_de_init"), 0);
        // The failure leaves nothing behind: the next connect works.
        rig.messages.clear();
        EXPECT_TRUE(rig.Connect(3)) << rig.messages.join(" | ").toStdString();
    }
}

TEST(Connect, AnUnknownImageSizeIsRefused)
{
    DeviceRig rig(0, 0);
    EXPECT_FALSE(rig.Connect(3));
    EXPECT_TRUE(rig.HasMessageStartingWith("[Host Lib] The camera's image size is not known yet"));
    EXPECT_EQ(rig.CountCalls("edl_start_dme"), 0);
    ExpectEndsDeInitialised(rig);
}

// A copy of the build's firmware directory that a test may spoil.
std::string FirmwareCopy(const DeviceRig& rig)
{
    const std::string copy = rig.Dir() + "/fw";
    fs::copy(BuildFile("HostLibAdapter/fw"), copy);
    return copy;
}

// The dongle keeps an update for the life of the process, so each case
// runs in a test (a process) of its own.
enum class FwFiles { kAsBuilt, kMissing, kScpuCorrupt, kScpuTooLarge };

struct FirmwareCase {
    bool answer;
    FwFiles files;
    bool connected;
    std::vector<QString> messages;  // in this order, among the others; %n: NCPU image size
    int updateCalls;
};

void RunFirmwareCase(const FirmwareCase& c)
{
    DeviceRig rig;
    DeviceRig::SetKnob("EDL_EMU_FW", kOldFirmware);
    HostLibAdapter::Options options;
    options.firmwareDir = FirmwareCopy(rig);
    const auto ncpuSize = fs::file_size(options.firmwareDir + "/fw_ncpu.bin");
    if (c.files == FwFiles::kMissing)
        fs::remove_all(options.firmwareDir);
    if (c.files == FwFiles::kScpuCorrupt) {
        std::string image = ReadText(options.firmwareDir + "/fw_scpu.bin");
        image[image.size() / 2] ^= 0x55;
        WriteText(options.firmwareDir + "/fw_scpu.bin", image);
    }
    if (c.files == FwFiles::kScpuTooLarge)
        WriteText(options.firmwareDir + "/fw_scpu.bin", std::string(128 * 1024 + 1, 'x'));
    rig.Adapter().SetOptions(options);
    rig.fwAnswer = c.answer;

    EXPECT_EQ(rig.Connect(3), c.connected);
    ASSERT_EQ(rig.fwQuestions.size(), 1u);
    EXPECT_EQ(rig.fwQuestions[0], std::vector<int>{0});
    int at = 0;
    for (QString m : c.messages) {
        m.replace("%n", QString::number(ncpuSize));
        const int found = rig.messages.indexOf(m, at);
        EXPECT_GE(found, 0) << m.toStdString() << "\nin: " << rig.messages.join(" | ").toStdString();
        at = std::max(found, at);
    }
    EXPECT_EQ(rig.CountCalls("edl_update_fw"), c.updateCalls);
    EXPECT_EQ(rig.statuses.back(), c.connected);
    if (!c.connected) {
        ExpectEndsDeInitialised(rig);
        EXPECT_EQ(rig.CountCalls("edl_start_dme"), 0);
    }
    qunsetenv("EDL_EMU_FW");
}

TEST(Firmware, OldAnsweredYesIsUpdatedThenTheModelLoads)
{
    RunFirmwareCase({true,
                     FwFiles::kAsBuilt,
                     true,
                     {kStartUpdate,
                      "[Host Lib] Start Update Device -  0 Firmware.\n\nPlease Wait................................",
                      "[Host Lib] Connecting to System Succeed.",
                      "[Host Lib] Starting DME inference in [serial mode] ..."},
                     2});
}

TEST(Firmware, OldAnsweredNoDropsTheConnection)
{
    RunFirmwareCase(
        {false, FwFiles::kAsBuilt, false, {"[Host Lib] Update Firmware Cancel.", "[Host Lib] Connection Lost"}, 0});
}

TEST(Firmware, MissingImagesWriteNothing)
{
    RunFirmwareCase({true,
                     FwFiles::kMissing,
                     false,
                     {"[Host Lib] Reading File Failed. NCPU: -1 SCPU: -1", "[Host Lib] Update Firmware Failed."},
                     0});
}

TEST(Firmware, AFailingScpuWriteLeavesNcpuUnwritten)
{
    RunFirmwareCase({true,
                     FwFiles::kScpuCorrupt,
                     false,
                     {"[Host Lib] Connecting to SCPU Failed", "[Host Lib] Update Firmware Failed."},
                     1});
}

TEST(Firmware, ImagesOver128KiBAreRefused)
{
    RunFirmwareCase({true,
                     FwFiles::kScpuTooLarge,
                     false,
                     {"[Host Lib] Reading File Failed. NCPU: %n SCPU: -1", "[Host Lib] Update Firmware Failed."},
                     0});
}

TEST(Firmware, AnUpdateLastsAcrossConnections)
{
    DeviceRig rig;
    DeviceRig::SetKnob("EDL_EMU_FW", kOldFirmware);
    ASSERT_TRUE(rig.Connect(3));
    rig.Adapter().SlotReset();
    ASSERT_FALSE(rig.Adapter().IsConnected());
    ASSERT_TRUE(rig.Connect(3));
    ASSERT_EQ(rig.fwQuestions.size(), 2u);
    EXPECT_EQ(rig.fwQuestions[0], std::vector<int>{0});
    EXPECT_TRUE(rig.fwQuestions[1].empty());
    qunsetenv("EDL_EMU_FW");
}

TEST(Firmware, AnAnswerWithoutAQuestionIsIgnored)
{
    DeviceRig rig;
    rig.Adapter().SlotCheckFw(3, {}, true);
    EXPECT_FALSE(rig.Adapter().IsConnected());
    EXPECT_TRUE(rig.LogCalls().empty());
    ASSERT_TRUE(rig.Connect(3));
    rig.Adapter().SlotCheckFw(3, {0}, true);  // a late duplicate
    EXPECT_EQ(rig.CountCalls("edl_update_fw"), 0);
    EXPECT_TRUE(rig.Adapter().IsConnected());
}

// Built-in model sets copied into the rig's directory, one file spoiled.
TEST(ModelUpload, BadModelFilesEndTheConnectWithTheirCause)
{
    const struct {
        const char* name;
        const char* file;
        bool remove;
        std::string contents;
        const char* message;
    } cases[] = {
        {"corrupt model image", "all_models.bin", false, std::string(5000, '\x13'),
         "[Host Lib] Can not set to DME mode: "},
        {"missing model image", "all_models.bin", true, "", "[Host Lib] Reading model file failed: -1"},
        {"setup of 513 bytes", "fw_info.bin", false, std::string(513, '\0'),
         "[Host Lib] Reading fw setup file failed: -1"},
        {"empty setup", "fw_info.bin", false, "", "[Host Lib] Reading fw setup file failed: 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DeviceRig rig;
        HostLibAdapter::Options options;
        options.modelDir = rig.Dir() + "/models";
        fs::copy(BuildFile("HostLibAdapter/models"), options.modelDir, fs::copy_options::recursive);
        const std::string spoiled = options.modelDir + "/mask/" + c.file;
        if (c.remove)
            fs::remove(spoiled);
        else
            WriteText(spoiled, c.contents);
        rig.Adapter().SetOptions(options);
        EXPECT_FALSE(rig.Connect(3));
        EXPECT_TRUE(rig.HasMessageStartingWith(c.message)) << rig.messages.join(" | ").toStdString();
        ExpectEndsDeInitialised(rig);
        EXPECT_TRUE(rig.Connect(2)) << "the other sets still load";
    }
}

}  // namespace
