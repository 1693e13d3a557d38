// The frame pipeline measured against the decoding it cannot avoid.
//
//   bench_pipeline [--short] [VIDEO]
//
// pipeline.cost_over_decode: wall time per frame shown when the capture
//   worker reads VIDEO unpaced and the inference worker makes every display
//   picture, over the bare cv::VideoCapture decode time per frame of the same
//   file, in the same run. The two workers run on their own threads as in the
//   program, so on two or more cores the pipeline should cost little more
//   than the decode.
// pipeline.capture_to_display_ms: median time from a frame's hand-over by
//   the capture worker to the window's taking its picture (conversion for
//   display included; no back-end).
// idle.cpu_share: CPU time over wall time of both workers while no frame
//   comes (a file at its end, reconnection off).

#include "pipeline/SdkWorker.h"
#include "pipeline/VideoCapWorker.h"

#include "settings/QtSettingManager.h"

#include "BenchReport.h"

#include <opencv2/videoio.hpp>

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <fstream>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

double DecodeMsPerFrame(const std::string& video, int frames)
{
    cv::VideoCapture capture(video);
    cv::Mat frame;
    capture.read(frame);  // warm up
    const auto start = BenchClock::now();
    int decoded = 0;
    while (decoded < frames && capture.read(frame))
        ++decoded;
    return MillisecondsSince(start) / std::max(decoded, 1);
}

void UseSettings(const std::string& json)
{
    const std::string path = "/tmp/vireo-bench-pipeline-settings.json";
    std::ofstream(path) << json;
    QtSettingManager::GetInstance()->Load(path);
}

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The capture and inference workers on their threads, and the window's side
// on this one: woken by the worker's signal through the event loop, as the
// window is (polling would cost this thread more than the frames do).
struct Pipeline {
    SdkWorker inference{InferenceMode::Fifo, nullptr, nullptr};
    VideoCapWorker capture{inference.Slots()};
    std::thread inferenceThread;
    std::thread captureThread;

    // `show` runs on this thread for every picture the window would take.
    explicit Pipeline(const std::function<void(const DisplayFrame&)>& show)
    {
        // Without a back-end the worker hands over the video alone.
        QObject::connect(&inference, &SdkWorker::SigShowBackground, &receiver, [this, show] {
            if (std::optional<DisplayFrame> frame = inference.TakeDisplayFrame())
                show(*frame);
        });
        inference.SetRunning(true);
        capture.SetRunning(true);
        inferenceThread = std::thread([this] { inference.DoWork(); });
        captureThread = std::thread([this] { capture.DoWork(); });
    }
    ~Pipeline()
    {
        capture.SetRunning(false);
        inference.Stop();
        captureThread.join();
        inferenceThread.join();
    }

    // Runs the event loop until `done` or `timeoutMs`.
    void RunUntil(const std::function<bool()>& done, int timeoutMs)
    {
        QTimer tick;  // wakes the loop now and then to look at `done` and the clock
        tick.start(50);
        const auto start = BenchClock::now();
        while (!done() && MillisecondsSince(start) < timeoutMs)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

private:
    QObject receiver;
};

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const bool shortRun = IsShortRun(argc, argv);
    std::string video = VIREO_BUILD_DIR "/samples/faces.avi";
    for (int i = 1; i < argc; ++i)
        if (argv[i][0] != '-')
            video = argv[i];
    const int frames = shortRun ? 90 : 300;

    const double decodeMs = DecodeMsPerFrame(video, frames);

    // Unpaced: a frame rate far above what decoding allows.
    UseSettings(R"({"Camera": ")" + video + R"(", "CameraFps": 100000, "CameraAutoReconnectSec": -1})");
    std::vector<double> latencies;
    double pipelineMs = 0;
    {
        int shown = 0;
        auto lastShown = BenchClock::now();
        Pipeline pipeline([&](const DisplayFrame&) {
            ++shown;
            lastShown = BenchClock::now();
        });
        const auto start = BenchClock::now();
        pipeline.RunUntil([&] { return shown >= frames; }, 60000);
        pipelineMs = std::chrono::duration<double, std::milli>(lastShown - start).count() / std::max(shown, 1);
    }

    // Latency: paced at 30 fps, as a camera delivers.
    UseSettings(R"({"Camera": ")" + video + R"(", "CameraFps": 30, "CameraAutoReconnectSec": -1})");
    {
        Pipeline pipeline([&](const DisplayFrame& frame) {
            latencies.push_back(std::chrono::duration<double, std::milli>(BenchClock::now() - frame.captured).count());
        });
        pipeline.RunUntil([&] { return latencies.size() >= (shortRun ? 30u : 90u); }, 10000);
    }

    // Idle: a short file that ends, nothing reopened.
    UseSettings(R"({"Camera": ")" + video + R"(", "CameraFps": 100000, "CameraAutoReconnectSec": -1})");
    double idleShare = 0;
    {
        Pipeline pipeline([](const DisplayFrame&) {});
        pipeline.RunUntil([&] { return !pipeline.capture.IsCameraOpened(); }, 60000);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const double cpuBefore = CpuSeconds();
        const auto start = BenchClock::now();
        std::this_thread::sleep_for(std::chrono::seconds(shortRun ? 1 : 3));
        idleShare = (CpuSeconds() - cpuBefore) / (MillisecondsSince(start) / 1000);
    }

    std::sort(latencies.begin(), latencies.end());
    const double medianLatency = latencies.empty() ? 0 : latencies[latencies.size() / 2];
    std::printf("decode %.2f ms/frame, pipeline %.2f ms/frame shown, capture to display %.2f ms (median of %zu)\n",
                decodeMs, pipelineMs, medianLatency, latencies.size());
    ReportBench("pipeline.cost_over_decode", pipelineMs / decodeMs, "ratio", "<=", 1.5);
    ReportBench("pipeline.capture_to_display_ms", medianLatency, "ms", "<=", 10);
    ReportBench("idle.cpu_share", idleShare, "ratio", "<=", 0.01);
    return 0;
}
