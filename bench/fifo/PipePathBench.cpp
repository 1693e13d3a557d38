// The per-frame pipe path, 1280 x 720 camera frames sent at 853 x 480 to an
// in-process echo detector: each stage alone, the whole exchange, and the
// request writer against jsoncpp's styled writer. Stages and the whole are
// measured interleaved in one run, so machine load hits both alike.
//
//   bench_fifo [--short]

#include "BenchReport.h"
#include "CameraFrame.h"
#include "EchoDetector.h"

#include "fifo/Base64.h"
#include "fifo/EdgeFifoAdaptor.h"
#include "fifo/MessageFraming.h"
#include "fifo/PipeIo.h"
#include "fifo/RequestWriter.h"
#include "fifo/ResultDocument.h"
#include "settings/QtSettingManager.h"

#include <json/value.h>
#include <json/writer.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string StyledText(const std::string& base64)
{
    Json::Value request;
    request["app_type"] = "edge";
    request["image_base64_str"] = base64;
    Json::StyledStreamWriter writer;
    std::ostringstream stream;
    writer.write(stream, request);
    return stream.str();
}

}  // namespace

int main(int argc, char** argv)
{
    const bool shortRun = argc > 1 && std::strcmp(argv[1], "--short") == 0;
    const int rounds = shortRun ? 25 : 200;
    std::signal(SIGPIPE, SIG_IGN);  // the echo thread's writes; the adaptor needs no help

    char dirTemplate[] = "/tmp/vireo-bench-fifo-XXXXXX";
    if (mkdtemp(dirTemplate) == nullptr)
        return 1;
    const std::string dir = dirTemplate;

    // The whole path: the adaptor as the program uses it.
    EchoDetector wholeDetector(dir + "/req", dir + "/resp");
    // The exchange stage alone: the same pipes and calls, nothing else.
    EchoDetector stageDetector(dir + "/req2", dir + "/resp2");
    if (!wholeDetector.Start() || !stageDetector.Start())
        return 1;
    QtSettingManager::GetInstance()->SetCameraInfo(1280, 720, 30);
    EdgeFifoAdaptor* adaptor = EdgeFifoAdaptor::CreateInstance(dir + "/req", dir + "/resp");
    adaptor->SetTargetHeight(480);

    const cv::Mat frame = CameraFrame(true);
    pipeio::OpenResult request;
    while (!(request = pipeio::OpenPipe(dir + "/req2", pipeio::PipeAccess::Write)).Ok())
        usleep(1000);
    pipeio::OpenResult response = pipeio::OpenPipe(dir + "/resp2", pipeio::PipeAccess::Read);
    std::atomic<bool> never{false};
    const pipeio::WaitLimits patient{std::chrono::seconds(10), std::chrono::seconds(10)};
    const RequestWriter writer("edge");
    const ReadExactly readAnswer = [&](void* buffer, std::size_t size) {
        return pipeio::ReadAll(response.handle, buffer, size, never, patient, request.handle).bytes;
    };

    cv::Mat scaled;
    std::vector<unsigned char> png;
    std::string base64;
    std::string message;
    std::string answer;
    std::vector<Json::Value> boxes;
    std::vector<Json::Value> frames;
    std::vector<double> resize, encode, base, text, exchange, parse, whole, styled, ours;
    // Per round, from measurements taken moments apart: the machine's load
    // then weighs on both sides of each ratio alike.
    std::vector<double> wholeOverStages, writerSpeedup;
    bool identical = true;

    // One unmeasured round warms caches and connects the adaptor. The whole
    // goes first in every other round, so neither side always finds the
    // caches warmed by the other.
    for (int round = -1; round < rounds; ++round) {
        // Two measurements, each first in every other round.
        const auto inTurn = [round](const auto& one, const auto& other) {
            if (round % 2 == 0) {
                one();
                other();
            } else {
                other();
                one();
            }
        };
        double r = 0, p = 0, b = 0, t = 0, x = 0, j = 0, w = 0;
        int result = 0;
        const auto stages = [&] {
            r = WallMs([&] { cv::resize(frame, scaled, cv::Size(853, 480), 0, 0, cv::INTER_LINEAR); });
            p = WallMs([&] { cv::imencode(".png", scaled, png); });
            b = WallMs([&] { Base64Encode(png.data(), png.size(), base64); });
            t = WallMs([&] { writer.BuildMessage(base64, message); });
            x = WallMs([&] {
                pipeio::DiscardPending(response.handle);
                pipeio::WriteAll(request.handle, message.data(), message.size(), never, patient);
                ReadFrame(readAnswer, answer);
            });
            j = WallMs([&] {
                Json::Value document = ParseAnswerText(answer);
                ParseResultDocument(document, boxes, frames);
            });
        };
        const auto wholePath = [&] {
            w = WallMs([&] {
                result = adaptor->Infer(frame);
                adaptor->GetBboxResults(boxes);
                adaptor->GetFrameResults(frames);
            });
        };
        inTurn(wholePath, stages);
        if (result != 0) {
            std::fprintf(stderr, "bench_fifo: the exchange failed (%d)\n", result);
            return 1;
        }
        // Ours as the frame path uses it (into the reused message buffer)
        // against the styled writer's text for the same picture, each first
        // in every other round: the second finds the picture's text pushed
        // out of the caches by the first's megabytes.
        std::string viaStyled;
        double s = 0, o = 0;
        const auto styledText = [&] { s = CpuMs([&] { viaStyled = StyledText(base64); }); };
        const auto ourText = [&] { o = CpuMs([&] { writer.BuildMessage(base64, message); }); };
        inTurn(styledText, ourText);
        identical = identical && message.compare(kLengthBytes, std::string::npos, viaStyled) == 0;
        if (round < 0)
            continue;
        resize.push_back(r);
        encode.push_back(p);
        base.push_back(b);
        text.push_back(t);
        exchange.push_back(x);
        parse.push_back(j);
        whole.push_back(w);
        styled.push_back(s);
        ours.push_back(o);
        wholeOverStages.push_back(w / (r + p + b + t + x + j));
        writerSpeedup.push_back(s / o);
    }
    EdgeFifoAdaptor::DestroyInstance();
    pipeio::ClosePipe(request.handle);
    pipeio::ClosePipe(response.handle);
    wholeDetector.Join();
    stageDetector.Join();
    for (const char* name : {"/req", "/resp", "/req2", "/resp2"})
        unlink((dir + name).c_str());
    rmdir(dir.c_str());

    const double sum = Median(resize) + Median(encode) + Median(base) + Median(text) + Median(exchange) + Median(parse);
    std::printf("per frame, median of %d (1280x720 -> 853x480, PNG %zu bytes, request %zu bytes):\n", rounds,
                png.size(), message.size());
    std::printf("  resize    %8.3f ms\n  png       %8.3f ms\n  base64    %8.3f ms\n  request   %8.3f ms\n"
                "  exchange  %8.3f ms\n  parse     %8.3f ms\n  sum       %8.3f ms\n  whole     %8.3f ms\n",
                Median(resize), Median(encode), Median(base), Median(text), Median(exchange), Median(parse), sum,
                Median(whole));
    std::printf("request text (CPU time): styled writer %.3f ms, ours %.3f ms, bytes %s\n", Median(styled), Median(ours),
                identical ? "identical" : "DIFFERENT");
    ReportBench("pipe.whole_over_stages", Median(wholeOverStages), "ratio", "<=", 1.10);
    ReportBench("pipe.request_writer_speedup", identical ? Median(writerSpeedup) : 0.0, "ratio", ">=", 10.0);
    return 0;
}
