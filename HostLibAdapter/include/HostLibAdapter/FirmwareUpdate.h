#pragma once
// Writing the two firmware images into a device.

#include "HostLibAdapter/ModelFiles.h"

#include <string>

// Firmware ids below these mean the device needs the update.
constexpr unsigned kMinScpuBuildId = 88;
constexpr unsigned kMinScpuFirmwareId = 0x1030000;

inline bool FirmwareNeedsUpdate(unsigned firmwareId, unsigned buildId)
{
    return buildId < kMinScpuBuildId || firmwareId < kMinScpuFirmwareId;
}

// Reads "<fwDir>/fw_ncpu.bin" and "<fwDir>/fw_scpu.bin" (at most 128 KiB
// each; a relative `fwDir` is taken from the executable's directory) and
// writes SCPU (module 1), then NCPU (module 2). A failed read writes nothing;
// a failed SCPU write leaves NCPU unwritten. Messages through `msg`.
bool WriteFirmwareImages(int DevId, const std::string& fwDir, const MessageFn& msg);
