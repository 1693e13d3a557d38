#pragma once
// Per device of one session: may it take a frame now? A job claims the device
// by turning its flag from true to false in one step, and gives it back by
// setting it true, so at most one job per device is ever in flight.

#include <map>
#include <mutex>

// Thread-safety: every member is safe from any thread; the mutex is never
// held across a library call, a signal or a wait.
class ReadyFlags {
public:
    // True when the device was ready; it is then not ready until Release.
    bool TryClaim(int DevId);
    void Release(int DevId);
    bool IsReady(int DevId) const;
    // Sets the flag without claiming (a device just added is ready; a lost
    // one is not).
    void Set(int DevId, bool ready);

private:
    mutable std::mutex readyMutex;
    std::map<int, bool> readyMap;  // an absent entry reads as not ready
};
