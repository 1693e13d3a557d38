#include "Emulator.h"

#include "EdlErrors.h"

#include "hostedl/FirmwareFormat.h"

#include <opencv2/core/utility.hpp>

// GCC names a ThreadSanitizer build with a macro, clang with a feature.
#if defined(__SANITIZE_THREAD__)
#define HOSTEDL_UNDER_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define HOSTEDL_UNDER_TSAN 1
#endif
#endif
#ifndef HOSTEDL_UNDER_TSAN
#define HOSTEDL_UNDER_TSAN 0
#endif

namespace hostedl {

namespace {
constexpr auto kKnobPeriod = std::chrono::milliseconds(250);
}

void Dongle::ClearDme()
{
    set.reset();
    config.reset();
    answer.clear();
    hasAnswer = false;
}

Emulator& Emulator::Get()
{
    // Never destroyed: a job thread may still be inside a call while the
    // process exits.
    static Emulator* emulator = new Emulator();
    return *emulator;
}

Emulator::Emulator()
{
    firmware.fill({kCurrentFwId, kCurrentBuildId, kCurrentFwId, kCurrentBuildId});
#if HOSTEDL_UNDER_TSAN
    // OpenCV's worker pool (TBB) is not instrumented: ThreadSanitizer cannot
    // see its hand-overs and blames the detectors' result vectors. Under TSan
    // OpenCV runs its loops on the calling thread; callers' threads stay real.
    cv::setNumThreads(1);
#endif
}

void Emulator::RefreshKnobs(bool force)
{
    const auto now = std::chrono::steady_clock::now();
    if (!force && knobsRead && now - knobsReadAt < kKnobPeriod) return;
    std::vector<std::string> warnings;
    Knobs next = ReadKnobs(warnings);
    // Warn at each init and when the warnings change, not at every re-read.
    static std::vector<std::string> lastWarnings;
    if (force || warnings != lastWarnings)
        for (const std::string& w : warnings) log.Line("emu_knobs", -1, 0, w);
    lastWarnings = warnings;
    knobs = std::move(next);
    knobsRead = true;
    knobsReadAt = now;

    std::lock_guard<std::mutex> fwLock(fwMutex);
    for (int i = 0; i < kMaxDevices; ++i) {
        if (fwKnobApplied[i] == knobs.fwText) continue;
        fwKnobApplied[i] = knobs.fwText;
        if (knobs.fwId) firmware[i] = {*knobs.fwId, *knobs.buildId, *knobs.fwId, *knobs.buildId};
        else firmware[i] = {kCurrentFwId, kCurrentBuildId, kCurrentFwId, kCurrentBuildId};
    }
}

void Emulator::EndSession()
{
    // Dongles notice the new session number at their next call; nobody
    // waits here for a call still running on another thread.
    ++session;
    added = 0;
    state = State::Idle;
}

bool Emulator::Injected(const char* call)
{
    std::lock_guard<std::mutex> lock(mutex);
    RefreshKnobs(false);
    return knobs.Fails(call);
}

int Emulator::Init(std::string& detail)
{
    std::lock_guard<std::mutex> lock(mutex);
    RefreshKnobs(true);
    if (knobs.Fails("lib_init")) return kEdlInjected;
    if (state != State::Idle) detail = "initialised again: previous session ended";
    EndSession();
    state = State::Initialised;
    return kEdlOk;
}

int Emulator::AddDevice(int devType, std::string& detail)
{
    std::unique_lock<std::mutex> lock(mutex);
    RefreshKnobs(false);
    if (knobs.Fails("add_dev")) {
        detail = "injected failure";
        return kEdlNoDevice;
    }
    if (state != State::Initialised) {
        detail = "library not initialised, or already started";
        return kEdlNoDevice;
    }
    if (devType != 1) {
        detail = "device type must be 1 (USB)";
        return kEdlNoDevice;
    }
    if (added >= knobs.devices) {
        detail = "no more dongles plugged in (EDL_EMU_DEVICES=" + std::to_string(knobs.devices) + ")";
        return kEdlNoDevice;
    }
    const int dev = added++;
    const uint64_t current = session;
    lock.unlock();
    // Waits for a call of an ended session that may still run on this dongle.
    Dongle& d = dongles[dev];
    std::lock_guard<std::mutex> deviceLock(d.mutex);
    d.ClearDme();
    d.session = current;
    d.removed = false;
    d.inferences = 0;
    return dev;
}

int Emulator::Start(std::string& detail)
{
    std::lock_guard<std::mutex> lock(mutex);
    RefreshKnobs(false);
    if (knobs.Fails("lib_start")) return kEdlInjected;
    if (state == State::Idle) {
        detail = "library not initialised";
        return kEdlWrongState;
    }
    state = State::Started;
    detail = std::to_string(added) + " device(s)";
    return kEdlOk;
}

int Emulator::DeInit()
{
    std::lock_guard<std::mutex> lock(mutex);
    RefreshKnobs(false);
    if (knobs.Fails("lib_de_init")) return kEdlInjected;
    EndSession();
    return kEdlOk;
}

int Emulator::WithDevice(const char* call, int dev, std::string& detail, const DeviceWork& work)
{
    std::unique_lock<std::mutex> lock(mutex);
    RefreshKnobs(false);
    if (knobs.Fails(call)) {
        detail = "injected failure";
        return kEdlInjected;
    }
    if (state != State::Started) {
        detail = "library not started";
        return kEdlWrongState;
    }
    if (dev < 0 || dev >= added) {
        detail = "no such device";
        return kEdlNoDevice;
    }
    const Knobs current = knobs;
    const uint64_t currentSession = session;
    lock.unlock();

    Dongle& d = dongles[dev];
    std::lock_guard<std::mutex> deviceLock(d.mutex);
    if (d.session != currentSession) {
        detail = "library de-initialised meanwhile";
        return kEdlNoDevice;
    }
    if (dev >= current.devices) d.removed = true;  // pulled out through EDL_EMU_DEVICES
    if (d.removed) {
        detail = "device removed";
        return kEdlNoDevice;
    }
    try {
        return work(d, current, detail);
    } catch (const std::exception& e) {  // nothing may unwind into a C caller
        detail = std::string("internal error: ") + e.what();
        return kEdlInternal;
    }
}

Firmware Emulator::GetFirmware(int dev)
{
    std::lock_guard<std::mutex> lock(fwMutex);
    return firmware[dev];
}

void Emulator::SetFirmware(int dev, uint32_t moduleId, uint32_t fwId, uint32_t buildId)
{
    std::lock_guard<std::mutex> lock(fwMutex);
    if (moduleId == kModuleScpu) {
        firmware[dev].scpuFwId = fwId;
        firmware[dev].scpuBuildId = buildId;
    } else {
        firmware[dev].ncpuFwId = fwId;
        firmware[dev].ncpuBuildId = buildId;
    }
}

}  // namespace hostedl
