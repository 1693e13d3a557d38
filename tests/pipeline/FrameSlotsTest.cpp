#include "pipeline/FrameSlots.h"

#include <opencv2/core.hpp>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

// Publishes `number` in the slot the writer gets, and returns that slot.
FrameSlot* Publish(FrameSlots& frameSlots, int number)
{
    FrameSlot* slot = frameSlots.GetWritableSlot();
    if (slot == nullptr) {
        ADD_FAILURE() << "no slot for frame " << number;
        return nullptr;
    }
    slot->frame = cv::Mat(1, 1, CV_32S, cv::Scalar(number));
    frameSlots.PublishSlot(slot);
    return slot;
}

int Number(const FrameSlot* slot)
{
    return slot->frame.at<int>(0, 0);
}

// The newer of two waiting frames is taken and the older dropped; an
// abandoned slot is never taken; the writer never gets the slot being read.
TEST(FrameSlots, TheNewerOfTwoWaitingFramesIsTakenAndTheOneBeingReadIsLeftAlone)
{
    FrameSlots frameSlots;
    frameSlots.AbandonSlot(frameSlots.GetWritableSlot());
    Publish(frameSlots, 1);
    Publish(frameSlots, 2);
    FrameSlot* reading = frameSlots.TakeNewestSlot();
    EXPECT_EQ(Number(reading), 2);
    for (int i = 3; i < 7; ++i)
        EXPECT_NE(Publish(frameSlots, i), reading);
    EXPECT_EQ(Number(reading), 2);  // untouched while read
    frameSlots.ReleaseSlot(reading);
    reading = frameSlots.TakeNewestSlot();
    EXPECT_EQ(Number(reading), 6);
    frameSlots.ReleaseSlot(reading);

    // Nothing newer waits: the next take waits for a new frame.
    std::thread later([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        Publish(frameSlots, 7);
    });
    reading = frameSlots.TakeNewestSlot();
    EXPECT_EQ(Number(reading), 7);
    frameSlots.ReleaseSlot(reading);
    later.join();

    // Stop ends the waits of both sides.
    std::atomic<bool> readerDone{false};
    std::thread reader([&] {
        EXPECT_EQ(frameSlots.TakeNewestSlot(), nullptr);
        readerDone = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(readerDone);
    frameSlots.Stop();
    reader.join();
    EXPECT_EQ(frameSlots.GetWritableSlot(), nullptr);
    EXPECT_EQ(frameSlots.TakeNewestSlot(), nullptr);
}

// A fast writer and a slow reader: the reader sees strictly increasing
// numbers, skipping some, never an older frame after a newer one.
TEST(FrameSlots, SlowReaderSeesOnlyNewerFrames)
{
    FrameSlots frameSlots;
    std::atomic<bool> writing{true};
    std::thread writer([&] {
        for (int n = 0; writing; ++n) {
            FrameSlot* slot = frameSlots.GetWritableSlot();
            if (slot == nullptr)
                return;
            slot->frame.create(64, 64, CV_32S);
            slot->frame.setTo(cv::Scalar(n));  // the whole frame, so a torn write would show
            frameSlots.PublishSlot(slot);
        }
    });
    int last = -1;
    int skipped = 0;
    for (int i = 0; i < 200; ++i) {
        FrameSlot* slot = frameSlots.TakeNewestSlot();
        const int number = Number(slot);
        double low = 0, high = 0;
        cv::minMaxLoc(slot->frame, &low, &high);
        EXPECT_EQ(low, high) << "frame written while read";
        EXPECT_GT(number, last);
        skipped += number - last - 1;
        last = number;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        frameSlots.ReleaseSlot(slot);
    }
    writing = false;
    frameSlots.Stop();
    writer.join();
    EXPECT_GT(skipped, 0);
}

}  // namespace
