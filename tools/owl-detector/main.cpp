// owl-detector: a reference detector for VireoOWL Edge's pipe back-end. It
// serves the request and response FIFOs, finds faces and eyes in every frame
// and answers with every kind of result entry; flags make it misbehave on
// purpose for tests and measurements.

#include "AnswerDocument.h"
#include "Base64Decode.h"
#include "FaceFinder.h"
#include "Options.h"
#include "PipeServer.h"
#include "RequestPicture.h"

#include "fifo/MessageFraming.h"
#include "fifo/PipeIo.h"

#include <opencv2/core/utility.hpp>
#include <opencv2/imgcodecs.hpp>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>
#include <unistd.h>

namespace {

constexpr std::uint32_t kHugeLength = 0xFFFFFFF0u;
const char* const kGarbage = "{\"bounding_box_info\": {\"face_000\": {\"bbox\": \x01 this is not JSON";

std::string Framed(const std::string& text)
{
    std::string message(kLengthBytes, '\0');
    PutLength(static_cast<std::uint32_t>(text.size()), reinterpret_cast<unsigned char*>(&message[0]));
    return message + text;
}

cv::Mat DecodePicture(const std::string& request)
{
    std::string_view base64;
    std::string storage;
    std::string errors;
    if (!RequestPicture(request, base64, storage, errors)) {
        std::fprintf(stderr, "owl-detector: a request that is not a request document: %s\n", errors.c_str());
        return cv::Mat();
    }
    std::vector<unsigned char> png;
    if (!Base64Decode(base64, png) || png.empty())
        return cv::Mat();
    try {
        return cv::imdecode(png, cv::IMREAD_COLOR);
    } catch (const cv::Exception&) {
        return cv::Mat();
    }
}

std::string Answer(const Options& options, const std::string& request, FaceFinder& finder, long long number)
{
    if (options.echo || options.garbage) {
        if (options.log)
            std::printf("owl-detector: frame %lld answered without looking\n", number);
        return options.echo ? "{}" : kGarbage;
    }
    const cv::Mat image = DecodePicture(request);
    const auto start = std::chrono::steady_clock::now();
    const std::vector<Face> faces = finder.Find(image);
    FrameFacts facts;
    facts.number = number;
    facts.width = image.cols;
    facts.height = image.rows;
    facts.detectMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    facts.overlay = options.overlay;
    if (options.log)
        std::printf("owl-detector: frame %lld, %dx%d, %zu faces, %.1f ms\n", number, image.cols, image.rows,
                    faces.size(), facts.detectMs);
    return AnswerText(BuildAnswer(faces, image, facts));
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "owl-detector: %s\n\n%s", error.c_str(), kUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    // A program that goes away mid-answer is a write error here, not a death.
    std::signal(SIGPIPE, SIG_IGN);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // log lines appear as they happen, also into a pipe

    if (options.threads >= 0)
        cv::setNumThreads(options.threads);
    FaceFinder finder;
    if (!options.echo && !options.garbage && !finder.Load(options.cascadeDir, error)) {
        std::fprintf(stderr, "owl-detector: %s\n", error.c_str());
        return 2;
    }
    PipeServer server(pipeio::PipePath(options.requestName), pipeio::PipePath(options.responseName));
    if (!server.Prepare(error) || !server.Open(error)) {
        std::fprintf(stderr, "owl-detector: %s\n", error.c_str());
        return 1;
    }

    for (long long number = 1;; ++number) {
        std::string request;
        switch (server.ReadRequest(request, error)) {
        case PipeServer::ReadStatus::Ok:
            break;
        case PipeServer::ReadStatus::Ended:
            return 0;  // the program closed the pipes
        case PipeServer::ReadStatus::Failed:
            std::fprintf(stderr, "owl-detector: %s\n", error.c_str());
            return 1;
        }
        if (options.crashAfter >= 0 && number > options.crashAfter)
            _exit(70);  // dies mid-exchange, as a crashed detector would
        if (options.delayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(options.delayMs));

        const std::string text = Answer(options, request, finder, number);
        std::string message = Framed(text);
        if (options.shortBody) {
            message.resize(kLengthBytes + text.size() / 2);
            server.Write(message);
            _exit(0);
        }
        if (options.hugeLength)
            PutLength(kHugeLength, reinterpret_cast<unsigned char*>(&message[0]));
        if (options.twoAnswers)
            message += message;  // one write: both answers are there before the first is read
        if (!server.Write(message))
            return 0;  // the program went away
        if (options.once)
            return 0;
    }
}
