// Answers per second of owl-detector itself: 853 x 480 requests made from
// the sample video's frames beforehand, sent one at a time through the real
// pipes, each answer read before the next request goes. The requests are
// ready, so the figure is the detector's own rate (PNG decode, faces, eyes,
// answer text) plus the pipes, without the program's encoding.
//
//   bench_owl_rate [--short]
//
// owl.answers_per_s: the median of several windows of a second or more.

#include "BenchReport.h"

#include "fifo/Base64.h"
#include "fifo/MessageFraming.h"
#include "fifo/PipeIo.h"
#include "fifo/RequestWriter.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

// Every 10th frame of the sample video (its faces come and go), as the pipe
// back-end sends a 1280 x 720 camera frame: scaled to 853 x 480, PNG, Base64.
std::vector<std::string> Requests()
{
    std::vector<std::string> requests;
    cv::VideoCapture video(VIREO_BUILD_DIR "/samples/faces.avi");
    const RequestWriter writer("edge");
    cv::Mat frame;
    cv::Mat scaled;
    std::vector<unsigned char> png;
    std::string base64;
    for (int index = 0; video.read(frame); ++index) {
        if (index % 10 != 0)
            continue;
        cv::resize(frame, frame, cv::Size(1280, 720));
        cv::resize(frame, scaled, cv::Size(853, 480), 0, 0, cv::INTER_LINEAR);
        cv::imencode(".png", scaled, png);
        Base64Encode(png.data(), png.size(), base64);
        requests.emplace_back();
        writer.BuildMessage(base64, requests.back());
    }
    return requests;
}

// The CPU time a process has used so far, in ms (Linux), which other
// processes' load hardly moves; 0 when unknown.
double CpuMs(qint64 pid)
{
    std::FILE* file = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
    if (file == nullptr)
        return 0;
    unsigned long user = 0, system = 0;
    // After the name in parentheses: state, then ten numbers before utime and stime.
    const int read = std::fscanf(file, "%*d (%*[^)]) %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &user,
                                 &system);
    std::fclose(file);
    return read == 2 ? 1000.0 * static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK)) : 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);  // QProcess's child bookkeeping
    const bool shortRun = IsShortRun(argc, argv);
    const int windows = shortRun ? 3 : 7;
    const double windowSeconds = shortRun ? 1.0 : 2.0;
    std::signal(SIGPIPE, SIG_IGN);

    const std::vector<std::string> requests = Requests();
    if (requests.empty()) {
        std::fprintf(stderr, "bench_owl_rate: no frames in %s\n", VIREO_BUILD_DIR "/samples/faces.avi");
        return 1;
    }
    QTemporaryDir dir;
    const std::string request = dir.filePath("req").toStdString();
    const std::string response = dir.filePath("resp").toStdString();
    QProcess detector;
    detector.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    detector.start(QStringLiteral(VIREO_BUILD_DIR "/bin/owl-detector"),
                   {"--req", QString::fromStdString(request), "--resp", QString::fromStdString(response)});
    if (!detector.waitForStarted()) {
        std::fprintf(stderr, "bench_owl_rate: owl-detector did not start\n");
        return 1;
    }
    // The detector makes the pipes and then waits for a writer on its request
    // pipe: the response end opens first (it does not wait), then the request
    // end as soon as the detector reads.
    pipeio::OpenResult answers;
    pipeio::OpenResult asks;
    const auto start = BenchClock::now();
    while (MillisecondsSince(start) < 10000 && !(answers.Ok() && asks.Ok())) {
        if (!answers.Ok())
            answers = pipeio::OpenPipe(response, pipeio::PipeAccess::Read);
        if (answers.Ok() && !asks.Ok())
            asks = pipeio::OpenPipe(request, pipeio::PipeAccess::Write);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!answers.Ok() || !asks.Ok()) {
        std::fprintf(stderr, "bench_owl_rate: the pipes did not open\n");
        return 1;
    }

    std::atomic<bool> never{false};
    const pipeio::WaitLimits patient{std::chrono::seconds(10), std::chrono::seconds(10)};
    const ReadExactly readAnswer = [&](void* buffer, std::size_t size) {
        return pipeio::ReadAll(answers.handle, buffer, size, never, patient, asks.handle).bytes;
    };
    std::string answer;
    std::size_t next = 0;
    const auto exchange = [&] {
        const std::string& message = requests[next++ % requests.size()];
        return pipeio::WriteAll(asks.handle, message.data(), message.size(), never, patient).end ==
                   pipeio::IoEnd::Complete &&
               ReadFrame(readAnswer, answer).status == FrameStatus::Ok;
    };
    std::vector<double> rates;
    bool ok = true;
    double cpuStart = 0;
    int measured = 0;
    for (int window = -1; window < windows && ok; ++window) {
        int count = 0;
        const auto begun = BenchClock::now();
        while (ok && MillisecondsSince(begun) < windowSeconds * 1000) {
            ok = exchange();
            ++count;
        }
        const double rate = count / (MillisecondsSince(begun) / 1000);
        if (window < 0)
            cpuStart = CpuMs(detector.processId());
        else
            measured += count;
        if (window >= 0) {  // the first window warms up
            rates.push_back(rate);
            std::printf("window %d: %.1f answers/s\n", window, rate);
        }
    }
    const double cpuPerAnswer = (CpuMs(detector.processId()) - cpuStart) / std::max(1, measured);
    pipeio::ClosePipe(asks.handle);
    pipeio::ClosePipe(answers.handle);
    if (!detector.waitForFinished(5000)) {
        detector.terminate();
        detector.waitForFinished(5000);
    }
    if (!ok) {
        std::fprintf(stderr, "bench_owl_rate: an exchange failed\n");
        return 1;
    }
    std::printf("%zu requests of %zu..%zu bytes, 853x480; %.1f ms of owl-detector's CPU per answer\n",
                requests.size(), requests.front().size(), requests.back().size(), cpuPerAnswer);
    ReportBench("owl.answers_per_s", Median(rates), "answers/s", ">=", 40.0);
    return 0;
}
