#pragma once
// Per device: may it take work now? A job, a reset, a model change and a
// firmware update each claim the device by turning its flag from true to
// false in one step, and give it back by setting it true.

#include <map>
#include <mutex>

// Thread-safety: every member is safe from any thread; readyMutex is never
// held across a library call, a signal or a wait.
class ReadyFlags {
public:
    // True when the device was ready; it is then not ready until Release.
    static bool TryClaim(int DevId);
    static void Release(int DevId);
    static bool IsReady(int DevId);
    // Sets the flag without claiming (a device just added is ready).
    static void Set(int DevId, bool ready);

    // Device index -> ready; an absent entry reads as not ready.
    static std::map<int, bool> readyMap;
    static std::mutex readyMutex;
};
