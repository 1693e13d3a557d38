#include "PipelineTestSupport.h"

#include "settings/QtSettingManager.h"

#include "TempDir.h"

#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <sys/resource.h>

namespace {

constexpr int kBits = 16;

cv::Rect Cell(const cv::Mat& frame, int index)
{
    const int width = frame.cols / kBits;
    return cv::Rect(index * width + width / 4, frame.rows / 16, width / 2, frame.rows / 8);
}

bool IsWhite(const cv::Mat& frame, const cv::Rect& area)
{
    return cv::mean(frame(area))[1] > 128;
}

// The number a mirrored numbered frame carries; -1 when it carries none. A
// frame that was not mirrored reads as its number's bits reversed.
int ReadMirroredFrameNumber(const cv::Mat& frame)
{
    if (frame.empty() || frame.type() != CV_8UC3)
        return -1;
    int number = 0;
    for (int bit = 0; bit < kBits; ++bit)
        if (IsWhite(frame, Cell(frame, kBits - 1 - bit)))
            number |= 1 << bit;
    return number;
}

// Loads a settings document into the process-wide store.
void LoadSettings(const std::string& json)
{
    static TempDir dir;
    const std::string path = dir.File("settings.json");
    WriteText(path, json);
    QtSettingManager::GetInstance()->Load(path);
}

}  // namespace

bool WriteNumberedVideo(const std::string& path, int frames, double fps, cv::Size size)
{
    cv::VideoWriter writer(path, cv::VideoWriter::fourcc('M', 'J', 'P', 'G'), fps, size);
    if (!writer.isOpened())
        return false;
    const int cell = size.width / kBits;
    for (int n = 0; n < frames; ++n) {
        cv::Mat frame(size, CV_8UC3, cv::Scalar(40, 40, 40));
        for (int bit = 0; bit < kBits; ++bit) {
            const cv::Scalar colour = (n >> bit) & 1 ? cv::Scalar(255, 255, 255) : cv::Scalar(0, 0, 0);
            cv::rectangle(frame, cv::Rect(bit * cell, 0, cell, size.height / 4), colour, cv::FILLED);
        }
        writer.write(frame);
    }
    return true;
}

bool Eventually(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return done();
}

RecordingConsumer::RecordingConsumer(FrameSlots& frameSlots) : frameSlots(frameSlots)
{
    thread = std::thread([this] {
        while (FrameSlot* slot = this->frameSlots.TakeNewestSlot()) {
            Seen frame{ReadMirroredFrameNumber(slot->frame), Clock::now()};
            this->frameSlots.ReleaseSlot(slot);
            std::lock_guard<std::mutex> lock(mutex);
            seen.push_back(frame);
        }
    });
}

RecordingConsumer::~RecordingConsumer()
{
    frameSlots.Stop();
    thread.join();
}

bool RecordingConsumer::WaitFor(std::size_t count, std::chrono::milliseconds timeout)
{
    return Eventually([&] { return Frames().size() >= count; }, timeout);
}

std::vector<RecordingConsumer::Seen> RecordingConsumer::Frames()
{
    std::lock_guard<std::mutex> lock(mutex);
    return seen;
}

Capture::Capture(const std::string& settings) : loaded((LoadSettings(settings), true)), worker(frameSlots) {}

RecordingConsumer& Capture::Start()
{
    consumer = std::make_unique<RecordingConsumer>(frameSlots);
    worker.SetRunning(true);
    thread = std::thread([this] { worker.DoWork(); });
    return *consumer;
}

std::chrono::steady_clock::duration Capture::Stop()
{
    if (!thread.joinable())
        return {};
    const auto start = std::chrono::steady_clock::now();
    worker.SetRunning(false);
    thread.join();
    return std::chrono::steady_clock::now() - start;
}

double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}
