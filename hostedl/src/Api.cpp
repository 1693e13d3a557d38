// The exported edl_* calls: argument checks, the work under the device's
// lock, and one log line per call.

#include "EdlErrors.h"
#include "Emulator.h"

#include "hostedl/FirmwareFormat.h"
#include "hostedl/ModelSetFormat.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#pragma GCC visibility push(default)
#include "hostedl.h"
#pragma GCC visibility pop

using namespace hostedl;

namespace {

int Finish(const char* call, int dev, int result, const std::string& detail)
{
    Emulator::Get().log.Line(call, dev, result, detail);
    return result;
}

const uint8_t* Bytes(const char* p) { return reinterpret_cast<const uint8_t*>(p); }

std::string Hex(uint32_t v)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", v);
    return text;
}

}  // namespace

int edl_init_log(const char* dir, const char* file_name)
{
    Emulator& emu = Emulator::Get();
    if (emu.Injected("init_log")) return Finish("init_log", -1, kEdlInjected, "injected failure");
    if (dir == nullptr || file_name == nullptr || *file_name == '\0')
        return Finish("init_log", -1, kEdlBadArgument, "null directory or empty file name");
    std::string path = dir;
    if (!path.empty() && path.back() != '/') path += '/';
    path += file_name;
    if (!emu.log.Open(path)) return kEdlIoError;  // no file to log the failure into
    return Finish("init_log", -1, kEdlOk, path);
}

int edl_lib_init(void)
{
    std::string detail;
    const int result = Emulator::Get().Init(detail);
    return Finish("lib_init", -1, result, detail);
}

int edl_add_dev(int dev_type, const char* dev_name)
{
    (void)dev_name;  // any name: the emulator has no bus to look it up on
    std::string detail;
    const int result = Emulator::Get().AddDevice(dev_type, detail);
    return Finish("add_dev", result, result, detail);
}

int edl_lib_start(void)
{
    std::string detail;
    const int result = Emulator::Get().Start(detail);
    return Finish("lib_start", -1, result, detail);
}

int edl_report_sys_status(int dev, uint32_t* scpu_fw_id, uint32_t* scpu_build_id, uint16_t* status1,
                          uint16_t* status2, uint32_t* ncpu_fw_id, uint32_t* ncpu_build_id)
{
    std::string detail;
    const int result = Emulator::Get().WithDevice(
        "report_sys_status", dev, detail, [&](Dongle& d, const Knobs&, std::string& why) {
            if (scpu_fw_id == nullptr || scpu_build_id == nullptr) {
                why = "null SCPU output";
                return kEdlBadArgument;
            }
            const Firmware fw = Emulator::Get().GetFirmware(dev);
            *scpu_fw_id = fw.scpuFwId;
            *scpu_build_id = fw.scpuBuildId;
            if (status1 != nullptr) *status1 = static_cast<uint16_t>(d.config ? 2 : d.set ? 1 : 0);
            if (status2 != nullptr) *status2 = 0;
            if (ncpu_fw_id != nullptr) *ncpu_fw_id = fw.ncpuFwId;
            if (ncpu_build_id != nullptr) *ncpu_build_id = fw.ncpuBuildId;
            why = "scpu " + Hex(fw.scpuFwId) + " build " + std::to_string(fw.scpuBuildId);
            return kEdlOk;
        });
    return Finish("report_sys_status", dev, result, detail);
}

int edl_update_fw(int dev, uint32_t* module_id, char* image, int image_len)
{
    std::string detail;
    const int result = Emulator::Get().WithDevice(
        "update_fw", dev, detail, [&](Dongle&, const Knobs&, std::string& why) {
            if (module_id == nullptr || image == nullptr || image_len <= 0) {
                why = "null module id or image, or length <= 0";
                return kEdlBadArgument;
            }
            if (*module_id != kModuleScpu && *module_id != kModuleNcpu) {
                why = "module id must be 1 (SCPU) or 2 (NCPU)";
                return kEdlBadArgument;
            }
            FirmwareImage fw;
            const FirmwareError error = ParseFirmware(Bytes(image), static_cast<size_t>(image_len), fw);
            if (error != FirmwareError::None) {
                why = std::string(FirmwareErrorText(error)) + "; old firmware kept";
                return kEdlBadData;
            }
            if (fw.moduleId != *module_id) {
                why = "image is for module " + std::to_string(fw.moduleId) + "; old firmware kept";
                return kEdlBadData;
            }
            Emulator::Get().SetFirmware(dev, fw.moduleId, fw.fwId, fw.buildId);
            why = "module " + std::to_string(fw.moduleId) + " now " + Hex(fw.fwId) + " build " +
                  std::to_string(fw.buildId);
            return kEdlOk;
        });
    return Finish("update_fw", dev, result, detail);
}

int edl_reset_sys(int dev, uint32_t reset_mode)
{
    std::string detail;
    const int result = Emulator::Get().WithDevice(
        "reset_sys", dev, detail, [&](Dongle& d, const Knobs&, std::string& why) {
            if (reset_mode > 255) {
                why = "reset mode above 255";
                return kEdlBadArgument;
            }
            d.ClearDme();
            why = "model unloaded";
            return kEdlOk;
        });
    return Finish("reset_sys", dev, result, detail);
}

int edl_start_dme(int dev, uint32_t model_len, char* setup, int setup_len, uint32_t* status, char* model,
                  int model_buf_len)
{
    std::string detail;
    const int result = Emulator::Get().WithDevice(
        "start_dme", dev, detail, [&](Dongle& d, const Knobs&, std::string& why) {
            if (status != nullptr) *status = 0;
            if (setup == nullptr || setup_len <= 0 || model_buf_len < 0 || (model == nullptr && model_len > 0) ||
                model_len > static_cast<uint32_t>(model_buf_len)) {
                why = "null setup or model, or lengths that do not fit";
                return kEdlBadArgument;
            }
            d.ClearDme();
            std::unique_ptr<LoadedSet> set;
            std::string part;
            ModelSetError error = ModelSetError::None;
            if (static_cast<size_t>(setup_len) > kSetupLimitBuiltin) error = ModelSetError::SetupTooLong;
            else if (model_len > kModelImageLimit) error = ModelSetError::ImageTooLarge;
            else error = LoadedSet::Load(Bytes(setup), static_cast<size_t>(setup_len), Bytes(model), model_len, set, part);
            if (error != ModelSetError::None) {
                if (status != nullptr) *status = static_cast<uint32_t>(error);
                why = "status " + std::to_string(static_cast<uint32_t>(error)) + ": " + ModelSetErrorText(error) +
                      (part.empty() ? "" : " (" + part + ")");
                return kEdlBadData;
            }
            d.set = std::move(set);
            why = "model set of " + std::to_string(model_len) + " bytes loaded";
            return kEdlOk;
        });
    return Finish("start_dme", dev, result, detail);
}

int edl_dme_configure(int dev, char* config, int config_len, uint32_t* out_value)
{
    std::string detail;
    const int result = Emulator::Get().WithDevice(
        "dme_configure", dev, detail, [&](Dongle& d, const Knobs&, std::string& why) {
            if (config == nullptr || config_len != static_cast<int>(kDmeConfigSize)) {
                why = "configuration must be 24 bytes";
                return kEdlBadArgument;
            }
            if (!d.set) {
                why = "no model set loaded (edl_start_dme first)";
                return kEdlWrongState;
            }
            const DmeConfig c = ReadDmeConfig(Bytes(config));
            if (const char* problem = d.set->CheckConfig(c)) {
                d.config.reset();
                why = problem;
                return kEdlBadData;
            }
            d.config = c;
            d.set->ForgetFinds();
            d.hasAnswer = false;
            if (out_value != nullptr) *out_value = c.modelId;
            why = "model " + std::to_string(c.modelId) + " " + std::to_string(c.width) + "x" +
                  std::to_string(c.height) + " format " + Hex(c.format);
            return kEdlOk;
        });
    return Finish("dme_configure", dev, result, detail);
}

int edl_dme_inference(int dev, char* image, int image_len, uint32_t* result_size, uint8_t* result_flag,
                      char* result_buf, uint16_t reserved1, uint16_t reserved2)
{
    // The call has no capacity for result_buf, so the answer is never written
    // there: edl_dme_retrieve_res copies it into a buffer of a stated length.
    (void)result_buf;
    (void)reserved1;
    (void)reserved2;
    std::string detail;
    const int result = Emulator::Get().WithDevice(
        "dme_inference", dev, detail, [&](Dongle& d, const Knobs& knobs, std::string& why) {
            if (image == nullptr || result_size == nullptr || image_len < 0) {
                why = "null image or result size, or negative length";
                return kEdlBadArgument;
            }
            *result_size = 0;
            if (!d.config) {
                why = "not configured (edl_start_dme and edl_dme_configure first)";
                return kEdlWrongState;
            }
            if (static_cast<size_t>(image_len) != d.config->ImageBytes()) {
                why = "image of " + std::to_string(image_len) + " bytes, configured " +
                      std::to_string(d.config->ImageBytes());
                return kEdlBadArgument;
            }
            if (knobs.unplugAfter && d.inferences >= *knobs.unplugAfter) {
                d.removed = true;
                why = "device pulled out after " + std::to_string(d.inferences) + " inferences";
                return kEdlNoDevice;
            }
            if (knobs.inferMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(knobs.inferMs));
            std::string error;
            d.hasAnswer = false;
            if (!d.set->Infer(*d.config, Bytes(image), d.answer, error)) {
                why = "inference failed: " + error;
                return kEdlInternal;
            }
            d.hasAnswer = true;
            ++d.inferences;
            *result_size = static_cast<uint32_t>(d.answer.size());
            if (result_flag != nullptr) *result_flag = 1;
            why = "answer of " + std::to_string(d.answer.size()) + " bytes";
            return kEdlOk;
        });
    return Finish("dme_inference", dev, result, detail);
}

int edl_dme_retrieve_res(int dev, uint32_t offset, int len, char* result_buf)
{
    std::string detail;
    const int result = Emulator::Get().WithDevice(
        "dme_retrieve_res", dev, detail, [&](Dongle& d, const Knobs&, std::string& why) {
            if (len < 0 || (result_buf == nullptr && len > 0)) {
                why = "null buffer or negative length";
                return kEdlBadArgument;
            }
            if (!d.hasAnswer) {
                why = "no answer to retrieve (edl_dme_inference first)";
                return kEdlWrongState;
            }
            if (offset > d.answer.size()) {
                why = "offset beyond the answer of " + std::to_string(d.answer.size()) + " bytes";
                return kEdlBadArgument;
            }
            const size_t n = std::min(static_cast<size_t>(len), d.answer.size() - offset);
            if (n > 0) std::memcpy(result_buf, d.answer.data() + offset, n);
            why = std::to_string(n) + " bytes";
            return kEdlOk;
        });
    return Finish("dme_retrieve_res", dev, result, detail);
}

int edl_lib_de_init(void)
{
    return Finish("lib_de_init", -1, Emulator::Get().DeInit(), "");
}
