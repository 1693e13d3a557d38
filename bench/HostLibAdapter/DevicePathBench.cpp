// The device path per 1280 x 720 frame against the emulated dongle: the
// copy the inference thread hands over, the dispatch, the job's resize and
// BGR565 conversion, the answer parsing and the result signal back to the
// GUI thread, measured as the program's own time beside the time spent
// inside edl_dme_inference, in the same run. Then frames offered at a 30 fps
// source rate while the dongle is slower: showing them never waits for it.
//
//   bench_hostlib [--short]

#include "BenchReport.h"
#include "CameraFrame.h"

#include "HostLibAdapter/AnswerParsers.h"
#include "HostLibAdapter/DeviceImage.h"
#include "HostLibAdapter/HostLibAdapter.h"

#include <hostedl.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QTimer>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <functional>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<long long> insideInferenceNs{0};
std::atomic<long long> insideRetrievalNs{0};
// When the last inference call began and the last retrieval ended.
std::atomic<long long> inferenceEnteredAt{0};
std::atomic<long long> retrievalLeftAt{0};

long long Ns(Clock::duration d)
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
}

template <typename Fn>
Fn Next(const char* name)
{
    void* next = dlsym(RTLD_NEXT, name);
    if (next == nullptr) {
        std::fprintf(stderr, "no %s in the host library\n", name);
        std::exit(2);
    }
    return reinterpret_cast<Fn>(next);
}

}  // namespace

// The job worker's calls land here first; the library's own follow.
extern "C" int edl_dme_inference(int dev, char* image, int image_len, uint32_t* result_size, uint8_t* result_flag,
                                 char* result_buf, uint16_t reserved1, uint16_t reserved2)
{
    using Fn = int (*)(int, char*, int, uint32_t*, uint8_t*, char*, uint16_t, uint16_t);
    static const Fn next = Next<Fn>("edl_dme_inference");
    const auto start = Clock::now();
    inferenceEnteredAt = Ns(start.time_since_epoch());
    const int result = next(dev, image, image_len, result_size, result_flag, result_buf, reserved1, reserved2);
    insideInferenceNs += Ns(Clock::now() - start);
    return result;
}

extern "C" int edl_dme_retrieve_res(int dev, uint32_t offset, int len, char* result_buf)
{
    using Fn = int (*)(int, uint32_t, int, char*);
    static const Fn next = Next<Fn>("edl_dme_retrieve_res");
    const auto start = Clock::now();
    const int result = next(dev, offset, len, result_buf);
    const auto end = Clock::now();
    insideRetrievalNs += Ns(end - start);
    retrievalLeftAt = Ns(end.time_since_epoch());
    return result;
}

namespace {

// Sleeps in the event loop (so the job thread has the CPU) until `done`.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs)
{
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (Clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool quick = argc > 1 && std::strcmp(argv[1], "--short") == 0;
    QCoreApplication app(argc, argv);
    // The library's log goes to the working directory: keep it out of the way.
    const QString scratch = QDir::temp().filePath("vireo-bench-hostlib");
    QDir().mkpath(scratch);
    QDir::setCurrent(scratch);

    HostLibAdapter* adapter = HostLibAdapter::GetInstance();
    int results = 0;
    std::vector<FdFrResult> lastList;
    QObject::connect(adapter, &HostLibAdapter::SigInferenceDone, adapter,
                     [&](int, int, std::vector<FdFrResult> list) {
                         ++results;
                         lastList = std::move(list);
                     });
    QObject::connect(adapter, &HostLibAdapter::SigUpdateFwCheck, adapter,
                     [adapter](int Mode, std::vector<int> ids) { adapter->SlotCheckFw(Mode, ids, true); });
    QObject::connect(adapter, &HostLibAdapter::SigShowMsg, adapter,
                     [](const QString& msg) { std::fprintf(stderr, "%s\n", qPrintable(msg)); });
    adapter->SetResolution(1280, 720);
    adapter->SlotConnect(3);
    WaitUntil([&] { return adapter->State() == DeviceState::Connected || adapter->State() == DeviceState::Disconnected; },
              30000);
    if (!adapter->IsConnected()) {
        std::fprintf(stderr, "cannot connect to the dongle\n");
        return 1;
    }
    const cv::Mat frame = CameraFrame(false);

    // Frame by frame: from the hand-over to the result on this (GUI) thread.
    const int frames = quick ? 25 : 150;
    std::vector<double> own;
    std::vector<double> inside;
    std::vector<double> toJob;    // hand-over, dispatch, resize, BGR565
    std::vector<double> fromJob;  // parse and the result signal
    for (int i = 0; i < frames + 3; ++i) {
        // The job gives the device back just after its result signal.
        while (!adapter->IsReady(0))
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        const long long inferBefore = insideInferenceNs.load();
        const long long retrieveBefore = insideRetrievalNs.load();
        const int before = results;
        const auto start = Clock::now();
        adapter->Dispatch(frame.clone(), 0);
        if (!WaitUntil([&] { return results > before; }, 10000))
            return 1;
        const auto arrived = Clock::now();
        const double total = Ns(arrived - start) / 1e6;
        const double infer = (insideInferenceNs.load() - inferBefore) / 1e6;
        const double retrieve = (insideRetrievalNs.load() - retrieveBefore) / 1e6;
        if (i < 3)
            continue;  // warm-up: caches, first allocations
        own.push_back(total - infer - retrieve);
        inside.push_back(infer);
        toJob.push_back((inferenceEnteredAt.load() - Ns(start.time_since_epoch())) / 1e6);
        fromJob.push_back((Ns(arrived.time_since_epoch()) - retrievalLeftAt.load()) / 1e6);
    }
    double ownSum = 0;
    double insideSum = 0;
    for (std::size_t i = 0; i < own.size(); ++i) {
        ownSum += own[i];
        insideSum += inside[i];
    }

    // The stages alone, for the reader: where the program's time goes.
    std::vector<char> image(DeviceImageBytes(1280, 720));
    const int size[2] = {1280, 720};
    cv::Mat copy;
    std::vector<double> copyMs, convertMs;
    for (int i = 0; i < 20; ++i) {
        copyMs.push_back(WallMs([&] { copy = frame.clone(); }));
        convertMs.push_back(WallMs([&] { PreprocessImage(frame, image.data(), size); }));
    }
    std::printf("device path at 1280x720, %zu frames of a face picture (mask model)\n", own.size());
    std::printf("  inside edl_dme_inference  median %8.3f ms\n", Median(inside));
    std::printf("  program's own work        median %8.3f ms\n", Median(own));
    std::printf("    up to the dongle        median %8.3f ms  (alone: copy %.3f, BGR565 %.3f; the rest is\n"
                "                                               the queued signal waking the job thread)\n",
                Median(toJob), Median(copyMs), Median(convertMs));
    std::printf("    back to the GUI thread  median %8.3f ms  (parse and the result signal)\n", Median(fromJob));
    std::printf("  last answer: %zu face record(s)\n", lastList.size());
    ReportBench("device.overhead_share", ownSum / insideSum, "ratio", "<=", 0.05);

    // A 30 fps source while the dongle manages fewer: every frame is shown.
    const double sourceFps = 30.0;
    const int seconds = quick ? 3 : 10;
    std::atomic<bool> running{true};
    std::atomic<int> offered{0};
    std::atomic<int> shown{0};
    std::atomic<int> dispatched{0};
    std::atomic<long long> slowestOfferNs{0};
    const int resultsBefore = results;
    std::thread inference([&] {
        const auto period = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1 / sourceFps));
        auto next = Clock::now();
        while (running) {
            next += period;
            std::this_thread::sleep_until(next);
            const auto start = Clock::now();
            ++offered;
            if (adapter->IsReady(0)) {
                adapter->Dispatch(frame.clone(), 0);
                ++dispatched;
            }
            if (!adapter->IsBusy())
                ++shown;
            slowestOfferNs = std::max(slowestOfferNs.load(), Ns(Clock::now() - start));
        }
    });
    const auto start = Clock::now();
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    running = false;
    inference.join();
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    WaitUntil([&] { return adapter->IsReady(0); }, 10000);
    const double expected = elapsed * sourceFps;
    std::printf("frames at %.0f fps for %.1f s: %d offered, %d shown, %d to the dongle, %d results "
                "(dongle %.1f fps); slowest offer %.3f ms\n",
                sourceFps, elapsed, offered.load(), shown.load(), dispatched.load(), results - resultsBefore,
                (results - resultsBefore) / elapsed, slowestOfferNs.load() / 1e6);
    ReportBench("device.shown_over_source", shown.load() / expected, "ratio", ">=", 0.98);

    HostLibAdapter::DestroyInstance();
    return 0;
}
