#include "pipeline/FrameSlots.h"

#include "pipeline/StageRecorder.h"

namespace {

// An empty slot if there is one, else the one with the older unconsumed frame.
FrameSlot* PickWritable(FrameSlot (&pair)[2])
{
    FrameSlot* oldest = nullptr;
    for (FrameSlot& slot : pair) {
        if (slot.busy || slot.writing)
            continue;
        if (slot.consumed)
            return &slot;
        if (oldest == nullptr || slot.sequence < oldest->sequence)
            oldest = &slot;
    }
    return oldest;
}

FrameSlot* PickNewest(FrameSlot (&pair)[2])
{
    FrameSlot* newest = nullptr;
    for (FrameSlot& slot : pair) {
        if (!slot.consumed && !slot.writing && (newest == nullptr || slot.sequence > newest->sequence))
            newest = &slot;
    }
    return newest;
}

}  // namespace

FrameSlot* FrameSlots::GetWritableSlot()
{
    std::unique_lock<std::mutex> lock(mutex);
    FrameSlot* chosen = nullptr;
    changed.wait(lock, [&] { return stopped || (chosen = PickWritable(pair)) != nullptr; });
    if (stopped)
        return nullptr;
    if (!chosen->consumed)  // the reader never got to that frame
        StageRecorder::Instance().framesDropped.fetch_add(1, std::memory_order_relaxed);
    chosen->writing = true;
    chosen->consumed = true;
    return chosen;
}

void FrameSlots::PublishSlot(FrameSlot* slot)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        slot->writing = false;
        slot->consumed = false;
        slot->sequence = ++published;
        slot->published = std::chrono::steady_clock::now();
    }
    changed.notify_all();
}

void FrameSlots::AbandonSlot(FrameSlot* slot)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        slot->writing = false;
        slot->consumed = true;
    }
    changed.notify_all();
}

FrameSlot* FrameSlots::TakeNewestSlot()
{
    std::unique_lock<std::mutex> lock(mutex);
    FrameSlot* newest = nullptr;
    changed.wait(lock, [&] { return stopped || woken || (newest = PickNewest(pair)) != nullptr; });
    woken = false;
    if (stopped || newest == nullptr)
        return nullptr;
    for (FrameSlot& slot : pair) {
        if (&slot != newest && !slot.writing && !slot.consumed) {
            slot.consumed = true;  // an older frame never runs after a newer one
            StageRecorder::Instance().framesDropped.fetch_add(1, std::memory_order_relaxed);
        }
    }
    newest->busy = true;
    return newest;
}

void FrameSlots::ReleaseSlot(FrameSlot* slot)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        slot->busy = false;
        slot->consumed = true;
    }
    changed.notify_all();
}

void FrameSlots::Wake()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        woken = true;
    }
    changed.notify_all();
}

bool FrameSlots::IsStopped()
{
    std::lock_guard<std::mutex> lock(mutex);
    return stopped;
}

void FrameSlots::Stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopped = true;
    }
    changed.notify_all();
}

bool FrameSlots::WaitUntilDrained(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, timeout, [this] {
        return pair[0].consumed && !pair[0].busy && pair[1].consumed && !pair[1].busy;
    });
}
