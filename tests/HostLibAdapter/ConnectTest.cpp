// Connecting to the emulated dongle: the sequence, every failure ending and
// the firmware question.
#include "CaseName.h"
#include "DeviceRig.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>

namespace fs = std::filesystem;

namespace {

const QString kStartUpdate = "[Host Lib] Start Update Firmware.\n\nPlease Wait................................";

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
    EXPECT_EQ(rig.fwQuestions, std::vector<std::vector<int>>{{}});
    EXPECT_TRUE(rig.Adapter().IsReady(0));
    EXPECT_EQ(rig.Adapter().GetDevId(0), 0);

    // Connected: a second connect, or a late duplicate firmware answer, does nothing at all.
    rig.messages.clear();
    rig.Adapter().SlotConnect(2);
    rig.Adapter().SlotCheckFw(3, {0}, true);
    EXPECT_TRUE(rig.messages.isEmpty());
    EXPECT_EQ(rig.fwQuestions.size(), 1u);
    EXPECT_EQ(rig.CountCalls("edl_update_fw"), 0);
    EXPECT_TRUE(rig.Adapter().IsReady(0));
}

using Fault = std::function<void(DeviceRig&)>;

Fault Control(const std::string& text)
{
    return [text](DeviceRig& rig) { rig.WriteControl(text + "\n"); };
}

// The rig's own copy of the model sets, the mask set's `file` replaced by
// `contents` or removed.
Fault Spoil(const std::string& file, std::optional<std::string> contents)
{
    return [=](DeviceRig& rig) {
        HostLibAdapter::Options options;
        options.modelDir = rig.Dir() + "/models";
        fs::copy(BuildFile("HostLibAdapter/models"), options.modelDir, fs::copy_options::recursive);
        if (contents)
            WriteText(options.modelDir + "/mask/" + file, *contents);
        else
            fs::remove(options.modelDir + "/mask/" + file);
        rig.Adapter().SetOptions(options);
    };
}

TEST(Connect, EveryFailureEndsIdleAndDeInitialised)
{
    const char* const kDme = "[Host Lib] Can not set to DME mode: ";
    const struct {
        const char* name;
        Fault fault;
        const char* message;
        bool initialised;
    } cases[] = {
        {"lib_init fails", Control("EDL_EMU_FAIL=lib_init"), "[Host Lib] Init for edl host lib failed.", false},
        {"add_dev fails", Control("EDL_EMU_FAIL=add_dev"), "[Host Lib] Add device failed.", true},
        {"no dongle", Control("EDL_EMU_DEVICES=0"), "[Host Lib] Add device failed.", true},
        {"lib_start fails", Control("EDL_EMU_FAIL=lib_start"), "[Host Lib] Start edl host lib failed.", true},
        {"report_sys_status fails", Control("EDL_EMU_FAIL=report_sys_status"),
         "[Host Lib] Reading the device's firmware version failed.", true},
        {"start_dme fails", Control("EDL_EMU_FAIL=start_dme"), kDme, true},
        {"dme_configure fails", Control("EDL_EMU_FAIL=dme_configure"), "[Host Lib] Can not set to DME configure mode",
         true},
        {"corrupt model image", Spoil("all_models.bin", std::string(5000, '\x13')), kDme, true},
        {"missing model image", Spoil("all_models.bin", std::nullopt), "[Host Lib] Reading model file failed: -1",
         true},
        {"setup of 513 bytes", Spoil("fw_info.bin", std::string(513, '\0')),
         "[Host Lib] Reading fw setup file failed: -1", true},
        {"empty setup", Spoil("fw_info.bin", ""), "[Host Lib] Reading fw setup file failed: 0", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DeviceRig rig;
        c.fault(rig);
        EXPECT_FALSE(rig.Connect(3));
        EXPECT_TRUE(rig.HasMessageStartingWith(c.message)) << rig.Messages();
        EXPECT_TRUE(rig.HasMessage("[Host Lib] Connection Lost"));
        ASSERT_FALSE(rig.statuses.empty());
        EXPECT_FALSE(rig.statuses.back());
        EXPECT_FALSE(rig.Adapter().IsReady(0));
        if (c.initialised)
            EXPECT_TRUE(rig.EndsDeInitialised());
        else
            EXPECT_EQ(rig.CountCalls("edl_lib_de_init"), 0);
        // The failure leaves nothing behind: the next connect (to an unspoiled set) works.
        rig.WriteControl("");
        rig.messages.clear();
        EXPECT_TRUE(rig.Connect(2)) << rig.Messages();
    }
}

TEST(Connect, AnUnknownImageSizeIsRefused)
{
    DeviceRig rig(0, 0);
    EXPECT_FALSE(rig.Connect(3));
    EXPECT_TRUE(rig.HasMessageStartingWith("[Host Lib] The camera's image size is not known yet"));
    EXPECT_EQ(rig.CountCalls("edl_start_dme"), 0);
    EXPECT_TRUE(rig.EndsDeInitialised());
}

// An old dongle, the firmware images in a copy that a case may spoil. The
// dongle keeps an update for the life of the process, so each case runs in a
// test (a process) of its own.
enum class FwFiles { kAsBuilt, kMissing, kScpuCorrupt, kScpuTooLarge };

struct FirmwareCase {
    const char* name;
    bool answer;
    FwFiles files;
    bool connected;
    std::vector<QString> messages;  // in this order, among the others; %n: NCPU image size
    int updateCalls;
};

void PrintTo(const FirmwareCase& c, std::ostream* os) { *os << c.name; }

class Firmware : public ::testing::TestWithParam<FirmwareCase> {};

TEST_P(Firmware, OldFirmwareQuestion)
{
    const FirmwareCase& c = GetParam();
    DeviceRig rig;
    rig.SetKnob("EDL_EMU_FW", "0x01020005:71");
    HostLibAdapter::Options options;
    options.firmwareDir = rig.Dir() + "/fw";
    fs::copy(BuildFile("HostLibAdapter/fw"), options.firmwareDir);
    const std::string scpu = options.firmwareDir + "/fw_scpu.bin";
    const auto ncpuSize = fs::file_size(options.firmwareDir + "/fw_ncpu.bin");
    if (c.files == FwFiles::kMissing)
        fs::remove_all(options.firmwareDir);
    if (c.files == FwFiles::kScpuCorrupt) {
        std::string image = ReadText(scpu);
        image[image.size() / 2] ^= 0x55;
        WriteText(scpu, image);
    }
    if (c.files == FwFiles::kScpuTooLarge)
        WriteText(scpu, std::string(128 * 1024 + 1, 'x'));
    rig.Adapter().SetOptions(options);
    rig.fwAnswer = c.answer;

    EXPECT_EQ(rig.Connect(3), c.connected);
    EXPECT_EQ(rig.fwQuestions, std::vector<std::vector<int>>{{0}});
    int at = 0;
    for (QString m : c.messages) {
        m.replace("%n", QString::number(ncpuSize));
        const int found = rig.messages.indexOf(m, at);
        EXPECT_GE(found, 0) << m.toStdString() << "\nin: " << rig.Messages();
        at = std::max(found, at);
    }
    EXPECT_EQ(rig.CountCalls("edl_update_fw"), c.updateCalls);
    EXPECT_EQ(rig.statuses.back(), c.connected);
    if (!c.connected) {
        EXPECT_TRUE(rig.EndsDeInitialised());
        EXPECT_EQ(rig.CountCalls("edl_start_dme"), 0);
        return;
    }
    // The update lasts: the next connection finds the firmware current.
    rig.Adapter().SlotReset();
    ASSERT_TRUE(rig.Connect(3));
    EXPECT_EQ(rig.fwQuestions.back(), std::vector<int>{});
}

const QString kUpdateFailed = "[Host Lib] Update Firmware Failed.";
INSTANTIATE_TEST_SUITE_P(
    Answers, Firmware,
    ::testing::Values(
        FirmwareCase{"yes: updated, then the model loads", true, FwFiles::kAsBuilt, true,
                     {kStartUpdate,
                      "[Host Lib] Start Update Device -  0 Firmware.\n\nPlease Wait................................",
                      "[Host Lib] Connecting to System Succeed.",
                      "[Host Lib] Starting DME inference in [serial mode] ..."},
                     2},
        FirmwareCase{"no: the connection drops", false, FwFiles::kAsBuilt, false,
                     {"[Host Lib] Update Firmware Cancel.", "[Host Lib] Connection Lost"}, 0},
        FirmwareCase{"missing images write nothing", true, FwFiles::kMissing, false,
                     {"[Host Lib] Reading File Failed. NCPU: -1 SCPU: -1", kUpdateFailed}, 0},
        FirmwareCase{"a failing SCPU write leaves NCPU unwritten", true, FwFiles::kScpuCorrupt, false,
                     {"[Host Lib] Connecting to SCPU Failed", kUpdateFailed}, 1},
        FirmwareCase{"images over 128 KiB are refused", true, FwFiles::kScpuTooLarge, false,
                     {"[Host Lib] Reading File Failed. NCPU: %n SCPU: -1", kUpdateFailed}, 0}),
    CaseName());

}  // namespace
