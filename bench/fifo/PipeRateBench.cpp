// Frames per second through the inference worker and the pipe back-end, fed
// unpaced, with `owl-detector --echo`: against the rate that encoding (resize,
// PNG, Base64, request text) alone allows, the stages no pipe back-end can
// skip, and which overlap with the detector's work. Flow and stages are
// measured in turns in one run, the stages while the flow is paused, so
// machine load weighs on both alike.
//
//   bench_pipe_rate [--short]
//
// pipe.fps_over_png_limit: answers per second with a detector that answers at
//   once / (1 / encoding).
// pipe.fps_over_stage_bound: answers per second with a detector that takes
//   25 ms an answer / (1 / max(25 ms, encoding)): the detector and the
//   encoding of the next frame work at the same time.

#include "BenchReport.h"
#include "CameraFrame.h"

#include "fifo/Base64.h"
#include "fifo/EdgeFifoAdaptor.h"
#include "fifo/RequestWriter.h"
#include "pipeline/InferenceBackends.h"
#include "pipeline/SdkWorker.h"
#include "settings/QtSettingManager.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <atomic>
#include <cstdio>
#include <thread>

namespace {

// Counts the detector's answers on their way to the worker.
class CountingDetector : public DetectorBackend {
public:
    explicit CountingDetector(DetectorBackend& inner) : inner(inner) {}

    bool Prepare(const cv::Mat& frame, DetectorRequest& request) override { return inner.Prepare(frame, request); }
    int Exchange(const DetectorRequest& request) override
    {
        const int result = inner.Exchange(request);
        if (result == 0)
            ++answers;
        return result;
    }
    void GetBboxResults(std::vector<Json::Value>& out) override { inner.GetBboxResults(out); }
    void GetFrameResults(std::vector<Json::Value>& out) override { inner.GetFrameResults(out); }
    void Cancel() override { inner.Cancel(); }

    std::atomic<int> answers{0};

private:
    DetectorBackend& inner;
};

// The capture side without a camera: the same frame at 500 fps while
// `feeding` is set, far faster than the back-end takes frames. No camera
// delivers faster, and copying frames without a pause would take a core
// from the worker and the detector.
class Feeder {
public:
    Feeder(FrameSlots& frameSlots, const cv::Mat& frame)
        : thread([this, &frameSlots, frame] {
              while (!done) {
                  if (!feeding) {
                      std::this_thread::sleep_for(std::chrono::milliseconds(1));
                      continue;
                  }
                  FrameSlot* slot = frameSlots.GetWritableSlot();
                  if (slot == nullptr)
                      return;
                  frame.copyTo(slot->frame);
                  frameSlots.PublishSlot(slot);
                  std::this_thread::sleep_for(std::chrono::milliseconds(2));
              }
          })
    {
    }
    ~Feeder()
    {
        done = true;
        thread.join();
    }
    std::atomic<bool> feeding{false};

private:
    std::atomic<bool> done{false};
    std::thread thread;
};

// Resize, PNG, Base64 and request text of one frame, as the back-end does them.
double EncodeMs(const cv::Mat& frame)
{
    cv::Mat scaled;
    std::vector<unsigned char> png;
    std::string base64;
    std::string message;
    const RequestWriter writer("edge");
    return WallMs([&] {
        cv::resize(frame, scaled, cv::Size(853, 480), 0, 0, cv::INTER_LINEAR);
        cv::imencode(".png", scaled, png);
        Base64Encode(png.data(), png.size(), base64);
        writer.BuildMessage(base64, message);
    });
}

// Answers per second over the rate the stages allow, per turn, with an
// owl-detector that waits `delayMs` before each answer.
std::vector<double> FlowOverBound(int delayMs, int turns, bool shortRun)
{
    QTemporaryDir dir;
    const QString request = dir.filePath("req");
    const QString response = dir.filePath("resp");
    QProcess detector;
    detector.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    detector.start(QStringLiteral(VIREO_BUILD_DIR "/bin/owl-detector"),
                   {"--req", request, "--resp", response, "--echo", "--delay-ms", QString::number(delayMs)});
    if (!detector.waitForStarted()) {
        std::fprintf(stderr, "bench_pipe_rate: owl-detector did not start\n");
        return {};
    }
    // The detector makes the pipes; the adaptor would only report them missing.
    for (int waited = 0; !QFileInfo::exists(response) && waited < 5000; waited += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));

    EdgeFifoAdaptor* adaptor = EdgeFifoAdaptor::CreateInstance(request.toStdString(), response.toStdString());
    adaptor->SetTargetHeight(480);
    CountingDetector counting(*adaptor);
    const cv::Mat frame = CameraFrame(true);
    std::vector<double> ratios;
    {
        SdkWorker worker(InferenceMode::Fifo, &counting, nullptr);
        worker.SetRunning(true);
        std::thread inference([&worker] { worker.DoWork(); });
        Feeder feeder(worker.Slots(), frame);

        // The window's side: takes each picture as its event loop would.
        const auto flowFor = [&](double seconds) {
            feeder.feeding = true;
            const int before = counting.answers;
            const auto start = BenchClock::now();
            while (MillisecondsSince(start) < seconds * 1000) {
                worker.TakeDisplayFrame();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            const double elapsed = MillisecondsSince(start) / 1000;
            feeder.feeding = false;
            return (counting.answers - before) / elapsed;
        };
        flowFor(1.0);  // connects, warms caches
        for (int turn = 0; turn < turns; ++turn) {
            const double fps = flowFor(shortRun ? 1.5 : 3.0);
            std::this_thread::sleep_for(std::chrono::milliseconds(100 + delayMs));  // the last exchange ends
            std::vector<double> stages;
            for (int i = 0; i < 7; ++i)
                stages.push_back(EncodeMs(frame));
            const double boundFps = 1000 / std::max<double>(delayMs, Median(stages));
            std::printf("detector %d ms, turn %d: %.1f answers/s, encoding %.2f ms (bound %.1f fps)\n", delayMs, turn,
                        fps, Median(stages), boundFps);
            ratios.push_back(fps / boundFps);
        }
        worker.Stop();
        inference.join();
    }
    EdgeFifoAdaptor::DestroyInstance();
    detector.terminate();
    detector.waitForFinished();
    return ratios;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const bool shortRun = IsShortRun(argc, argv);
    const int turns = shortRun ? 3 : 10;
    QtSettingManager::GetInstance()->SetCameraInfo(1280, 720, 30);
    ReportBench("pipe.fps_over_png_limit", Median(FlowOverBound(0, turns, shortRun)), "ratio", ">=", 0.85);
    ReportBench("pipe.fps_over_stage_bound", Median(FlowOverBound(25, turns, shortRun)), "ratio", ">=", 0.9);
    return 0;
}
