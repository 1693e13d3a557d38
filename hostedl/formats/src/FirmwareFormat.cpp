#include "hostedl/FirmwareFormat.h"

#include "hostedl/ByteIO.h"

namespace hostedl {

namespace {
const uint8_t kMagic[4] = {'O', 'W', 'L', 'F'};
}

const char* FirmwareErrorText(FirmwareError error)
{
    switch (error) {
    case FirmwareError::None: return "ok";
    case FirmwareError::TooShort: return "image shorter than its header and CRC";
    case FirmwareError::TooLong: return "image larger than 128 KiB";
    case FirmwareError::BadMagic: return "not a firmware image (bad magic)";
    case FirmwareError::BadModule: return "unknown module id in image";
    case FirmwareError::LengthMismatch: return "payload length does not match image size";
    case FirmwareError::BadCrc: return "CRC-32 mismatch";
    }
    return "unknown";
}

FirmwareError ParseFirmware(const uint8_t* data, size_t len, FirmwareImage& out)
{
    if (data == nullptr || len < kFirmwareHeaderSize + 4) return FirmwareError::TooShort;
    if (len > kFirmwareImageLimit) return FirmwareError::TooLong;
    if (std::memcmp(data, kMagic, 4) != 0) return FirmwareError::BadMagic;
    const uint32_t moduleId = ReadU32(data + 4);
    if (moduleId != kModuleScpu && moduleId != kModuleNcpu) return FirmwareError::BadModule;
    const uint32_t payloadLen = ReadU32(data + 16);
    if (payloadLen != len - kFirmwareHeaderSize - 4) return FirmwareError::LengthMismatch;
    if (Crc32(data, len - 4) != ReadU32(data + len - 4)) return FirmwareError::BadCrc;
    out.moduleId = moduleId;
    out.fwId = ReadU32(data + 8);
    out.buildId = ReadU32(data + 12);
    out.payloadSize = payloadLen;
    return FirmwareError::None;
}

std::vector<uint8_t> BuildFirmware(uint32_t moduleId, uint32_t fwId, uint32_t buildId,
                                   const std::string& payload)
{
    std::vector<uint8_t> out(kMagic, kMagic + 4);
    PutU32(out, moduleId);
    PutU32(out, fwId);
    PutU32(out, buildId);
    PutU32(out, static_cast<uint32_t>(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
    PutU32(out, Crc32(out.data(), out.size()));
    return out;
}

}  // namespace hostedl
