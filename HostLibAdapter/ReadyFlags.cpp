#include "HostLibAdapter/ReadyFlags.h"

bool ReadyFlags::TryClaim(int DevId)
{
    std::lock_guard<std::mutex> lock(readyMutex);
    bool& ready = readyMap[DevId];
    if (!ready)
        return false;
    ready = false;
    return true;
}

void ReadyFlags::Release(int DevId)
{
    Set(DevId, true);
}

bool ReadyFlags::IsReady(int DevId) const
{
    std::lock_guard<std::mutex> lock(readyMutex);
    const auto it = readyMap.find(DevId);
    return it != readyMap.end() && it->second;
}

void ReadyFlags::Set(int DevId, bool ready)
{
    std::lock_guard<std::mutex> lock(readyMutex);
    readyMap[DevId] = ready;
}
