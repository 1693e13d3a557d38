#pragma once
// Process-wide state of the emulated host library: its start-up state, the
// plugged-in dongles and the knobs.
// Thread-safe: one mutex for the library state, one per dongle for its
// session; calls for different dongles run concurrently.

#include "CallLog.h"
#include "Knobs.h"

#include "hostedl/DmeConfig.h"
#include "hostedl/LoadedSet.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace hostedl {

struct Firmware {
    uint32_t scpuFwId, scpuBuildId, ncpuFwId, ncpuBuildId;
};

// What one dongle holds during a session (from edl_add_dev to the next
// edl_lib_init or edl_lib_de_init). Guarded by `mutex`.
struct Dongle {
    std::mutex mutex;
    uint64_t session = 0;  // session it was added in; 0: never
    bool removed = false;
    uint64_t inferences = 0;
    std::unique_ptr<LoadedSet> set;
    std::optional<DmeConfig> config;
    std::vector<uint8_t> answer;
    bool hasAnswer = false;

    void ClearDme();
};

class Emulator {
public:
    static Emulator& Get();

    CallLog log;

    int Init(std::string& detail);
    int AddDevice(int devType, std::string& detail);
    int Start(std::string& detail);
    int DeInit();
    // Library-level injected failures (EDL_EMU_FAIL) for calls without a device.
    bool Injected(const char* call);

    // Runs `work` for device `dev` under its lock, after the checks every
    // device call shares (injected failure, started library, plugged device).
    using DeviceWork = std::function<int(Dongle&, const Knobs&, std::string&)>;
    int WithDevice(const char* call, int dev, std::string& detail, const DeviceWork& work);

    Firmware GetFirmware(int dev);
    void SetFirmware(int dev, uint32_t moduleId, uint32_t fwId, uint32_t buildId);

private:
    enum class State { Idle, Initialised, Started };

    // Re-reads the knobs when forced or when the last read is 250 ms old.
    // Caller holds `mutex`.
    void RefreshKnobs(bool force);
    void EndSession();

    std::mutex mutex;
    State state = State::Idle;
    uint64_t session = 1;
    int added = 0;
    Knobs knobs;
    bool knobsRead = false;
    std::chrono::steady_clock::time_point knobsReadAt;

    // The firmware on each dongle lasts as long as the process, as on real
    // hardware; EDL_EMU_FW stands for plugging in a dongle with other firmware.
    std::mutex fwMutex;
    std::array<Firmware, kMaxDevices> firmware;
    std::array<std::string, kMaxDevices> fwKnobApplied;

    std::array<Dongle, kMaxDevices> dongles;

    Emulator();
};

}  // namespace hostedl
