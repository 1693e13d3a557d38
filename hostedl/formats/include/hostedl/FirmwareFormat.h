#pragma once
// Firmware image of the emulated dongle, one per CPU module:
//   "OWLF", u32 module id (1 SCPU, 2 NCPU), u32 firmware id, u32 build id,
//   u32 payload length, payload, u32 CRC-32 of everything before it.
// The whole image is at most 128 KiB, the dongle's flash slot size.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace hostedl {

constexpr uint32_t kModuleScpu = 1;
constexpr uint32_t kModuleNcpu = 2;
constexpr size_t kFirmwareImageLimit = 128 * 1024;
constexpr size_t kFirmwareHeaderSize = 20;

// The firmware the build ships, and a deliberately outdated one for tests
// of the update path (the program updates below build 88 or id 0x1030000).
constexpr uint32_t kCurrentFwId = 0x01030002u;
constexpr uint32_t kCurrentBuildId = 92;
constexpr uint32_t kOldFwId = 0x01020005u;
constexpr uint32_t kOldBuildId = 71;

struct FirmwareImage {
    uint32_t moduleId = 0;
    uint32_t fwId = 0;
    uint32_t buildId = 0;
    size_t payloadSize = 0;
};

enum class FirmwareError {
    None = 0,
    TooShort,
    TooLong,
    BadMagic,
    BadModule,
    LengthMismatch,
    BadCrc,
};

const char* FirmwareErrorText(FirmwareError error);

// Validates a whole image; `out` is filled only on success.
FirmwareError ParseFirmware(const uint8_t* data, size_t len, FirmwareImage& out);

std::vector<uint8_t> BuildFirmware(uint32_t moduleId, uint32_t fwId, uint32_t buildId,
                                   const std::string& payload);

}  // namespace hostedl
