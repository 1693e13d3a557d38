// Connecting to the emulated dongle: the steps in order, the firmware
// question and update, and every way a connect fails. A failure ends
// disconnected with the library closed, and leaves nothing behind: the next
// connect works.
#include "DeviceRig.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>

namespace fs = std::filesystem;

namespace {

const QString kStartUpdate = "[Host Lib] Start Update Firmware.\n\nPlease Wait................................";
const QString kLoading = "[Host Lib] Starting DME inference in [serial mode] ...";
const QString kUpdateFailed = "[Host Lib] Update Firmware Failed.";

using Fault = std::function<void(DeviceRig&)>;

Fault Control(const std::string& text)
{
    return [text](DeviceRig& rig) { rig.WriteControl(text + "\n"); };
}

// The rig's own copy of the build's "models" or "fw" folder, changed by
// `spoil`, used instead of the build's.
Fault Spoil(const std::string& folder, const std::function<void(const std::string& dir)>& spoil)
{
    return [=](DeviceRig& rig) {
        HostLibAdapter::Options options;
        const std::string dir = rig.Dir() + "/" + folder;
        fs::copy(BuildFile("HostLibAdapter/" + folder), dir, fs::copy_options::recursive);
        spoil(dir);
        (folder == "fw" ? options.firmwareDir : options.modelDir) = dir;
        rig.Adapter().SetOptions(options);
    };
}

// An old dongle, answered `answer`, with firmware images that `spoil` may
// change. Each case's identity is new, so that an update made in an earlier
// case of this process does not stand.
Fault OldFirmware(bool answer, const std::function<void(const std::string& fwDir)>& spoil = [](const std::string&) {})
{
    return [=](DeviceRig& rig) {
        static int round = 0;
        rig.SetKnob("EDL_EMU_FW", "0x01020005:" + std::to_string(40 + round++));
        rig.fwAnswer = answer;
        Spoil("fw", spoil)(rig);
    };
}

void CorruptScpu(const std::string& fwDir)
{
    std::string image = ReadText(fwDir + "/fw_scpu.bin");
    image[image.size() / 2] ^= 0x55;
    WriteText(fwDir + "/fw_scpu.bin", image);
}

Fault MaskSetFile(const std::string& file, std::optional<std::string> contents)
{
    return Spoil("models", [=](const std::string& dir) {
        contents ? WriteText(dir + "/mask/" + file, *contents) : void(fs::remove(dir + "/mask/" + file));
    });
}

TEST(Connect, EndsAsTheDongleAndItsFilesAllow)
{
    const QString ncpuSize = QString::number(fs::file_size(BuildFile("HostLibAdapter/fw/fw_ncpu.bin")));
    const struct {
        const char* name;
        Fault fault;
        QStringList said;  // in this order
        bool connected;
        int firmwareWrites;
    } cases[] = {
        {"current firmware", [](DeviceRig&) {},
         {"[Host Lib] Init edl host lib log....", "[Host Lib] Adding devices....", "[Host Lib] Start edl host lib....",
          "[Host Lib] System Info Check: On", kStartUpdate, kLoading},
         true, 0},
        {"old firmware, yes: updated, then the model loads", OldFirmware(true),
         {kStartUpdate, "[Host Lib] Start Update Device -  0 Firmware.\n\nPlease Wait................................",
          "[Host Lib] Connecting to System Succeed.", kLoading},
         true, 2},
        {"old firmware, no", OldFirmware(false), {"[Host Lib] Update Firmware Cancel.", "[Host Lib] Connection Lost"},
         false, 0},
        {"firmware images missing", OldFirmware(true, [](const std::string& d) { fs::remove_all(d); }),
         {"[Host Lib] Reading File Failed. NCPU: -1 SCPU: -1", kUpdateFailed}, false, 0},
        {"a failing SCPU write leaves NCPU unwritten", OldFirmware(true, CorruptScpu),
         {"[Host Lib] Connecting to SCPU Failed", kUpdateFailed}, false, 1},
        {"firmware image over 128 KiB",
         OldFirmware(true, [](const std::string& d) { WriteText(d + "/fw_scpu.bin", std::string(128 * 1024 + 1, 'x')); }),
         {"[Host Lib] Reading File Failed. NCPU: " + ncpuSize + " SCPU: -1", kUpdateFailed}, false, 0},
        {"lib_init fails", Control("EDL_EMU_FAIL=lib_init"), {"[Host Lib] Init for edl host lib failed."}, false, 0},
        {"no dongle", Control("EDL_EMU_DEVICES=0"), {"[Host Lib] Add device failed."}, false, 0},
        {"lib_start fails", Control("EDL_EMU_FAIL=lib_start"), {"[Host Lib] Start edl host lib failed."}, false, 0},
        {"report_sys_status fails", Control("EDL_EMU_FAIL=report_sys_status"),
         {"[Host Lib] Reading the device's firmware version failed."}, false, 0},
        {"start_dme fails", Control("EDL_EMU_FAIL=start_dme"), {"[Host Lib] Can not set to DME mode: 0"}, false, 0},
        {"dme_configure fails", Control("EDL_EMU_FAIL=dme_configure"), {"[Host Lib] Can not set to DME configure mode"},
         false, 0},
        {"corrupt model image", MaskSetFile("all_models.bin", std::string(5000, '\x13')),
         {"[Host Lib] Can not set to DME mode: 9"}, false, 0},
        {"missing model image", MaskSetFile("all_models.bin", std::nullopt), {"[Host Lib] Reading model file failed: -1"},
         false, 0},
        {"setup of 513 bytes", MaskSetFile("fw_info.bin", std::string(513, '\0')),
         {"[Host Lib] Reading fw setup file failed: -1"}, false, 0},
        {"empty setup", MaskSetFile("fw_info.bin", ""), {"[Host Lib] Reading fw setup file failed: 0"}, false, 0},
        {"camera size not known yet", [](DeviceRig& r) { r.Adapter().SetResolution(0, 0); },
         {"[Host Lib] The camera's image size is not known yet; open the camera before loading a model."}, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DeviceRig rig;
        c.fault(rig);
        EXPECT_EQ(rig.Connect(3), c.connected);
        EXPECT_TRUE(rig.MessagesInOrder(c.said)) << rig.Messages();
        EXPECT_EQ(rig.CountCalls("edl_update_fw"), c.firmwareWrites);
        EXPECT_EQ(rig.statuses, std::vector<bool>{c.connected});
        EXPECT_EQ(rig.Adapter().IsReady(0), c.connected);
        if (c.connected) {
            EXPECT_EQ(rig.Adapter().GetDevId(0), 0);
            continue;
        }
        EXPECT_EQ(rig.messages.last(), "[Host Lib] Connection Lost");
        EXPECT_TRUE(rig.EndsDeInitialised());
        rig.WriteControl("");
        rig.Adapter().SetOptions({});
        rig.Adapter().SetResolution(640, 480);
        rig.fwAnswer = true;
        EXPECT_TRUE(rig.Connect(2)) << rig.Messages();
    }
}

}  // namespace
