#pragma once
// The emulator's fault and setup knobs, from the environment and, when
// EDL_EMU_CONTROL names a file, from that file (its lines win).
// Plain values: the library copies them under its own lock.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace hostedl {

constexpr int kMaxDevices = 8;

struct Knobs {
    int devices = 1;                          // EDL_EMU_DEVICES
    std::optional<uint64_t> unplugAfter;      // EDL_EMU_UNPLUG_AFTER
    std::set<std::string> failingCalls;       // EDL_EMU_FAIL, names without "edl_"
    unsigned inferMs = 0;                     // EDL_EMU_INFER_MS
    std::optional<uint32_t> fwId, buildId;    // EDL_EMU_FW
    std::string fwText;                       // EDL_EMU_FW as written, to see it change

    bool Fails(const char* call) const;
};

// Reads every knob; each bad value keeps its default and adds a warning.
Knobs ReadKnobs(std::vector<std::string>& warnings);

}  // namespace hostedl
