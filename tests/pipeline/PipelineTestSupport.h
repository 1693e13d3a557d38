#pragma once
// Numbered test videos, the settings they play with, and a stand-in for the
// inference worker that records what reached it.

#include "pipeline/FrameSlots.h"
#include "pipeline/VideoCapWorker.h"

#include <opencv2/core.hpp>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Frame n carries n in 16 black or white cells along its top, its lowest
// bit at the left; returns false when the file cannot be written.
bool WriteNumberedVideo(const std::string& path, int frames, double fps, cv::Size size = {320, 240});

// Whether `done` comes true within `timeout`, asked every 10 ms.
bool Eventually(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Takes frames from the frameSlots on a thread of its own, like the inference
// worker, and notes the number each carries and when it came.
class RecordingConsumer {
public:
    using Clock = std::chrono::steady_clock;
    struct Seen {
        int number;
        Clock::time_point at;
    };

    explicit RecordingConsumer(FrameSlots& frameSlots);
    ~RecordingConsumer();

    // Waits until `count` frames were seen or `timeout` passed.
    bool WaitFor(std::size_t count, std::chrono::milliseconds timeout);
    std::vector<Seen> Frames();

private:
    FrameSlots& frameSlots;
    std::mutex mutex;
    std::vector<Seen> seen;
    std::thread thread;
};

// A capture worker opened on the settings document `settings`; once started,
// its loop runs on a thread of its own with a consumer taking the frames, and
// is stopped as the window stops it.
// Thread-safety: test thread only.
class Capture {
public:
    explicit Capture(const std::string& settings);
    ~Capture() { Stop(); }

    RecordingConsumer& Start();
    // How long the loop took to end after it was told to.
    std::chrono::steady_clock::duration Stop();

    const bool loaded;  // the settings, before the worker reads them
    FrameSlots frameSlots;
    VideoCapWorker worker;

private:
    std::unique_ptr<RecordingConsumer> consumer;
    std::thread thread;
};

// CPU seconds this process used so far.
double ProcessCpuSeconds();
