#include "fifo/PythonDetectorBase.h"

#include "ConsoleLine.h"
#include "fifo/Base64.h"
#include "fifo/ExchangeLimits.h"
#include "fifo/MessageFraming.h"
#include "fifo/ResultDocument.h"
#include "pipeline/StageRecorder.h"

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include <cstring>

namespace {

const char* const kReconnecting = "; the pipes are closed so that it can reconnect";

std::string ErrnoLine(const char* what, int error)
{
    return std::string(what) + " with errno [" + std::to_string(error) + "]";
}

// Error 0 is an end of file: said in words, as a detector author meets it.
std::string ReadErrorLine(const char* what, const pipeio::IoResult& read)
{
    std::string line = ErrnoLine(what, read.error);
    if (read.end == pipeio::IoEnd::Closed && read.error == 0)
        line += " (end of file: the detector closed its end)";
    return line;
}

std::string Seconds(std::chrono::milliseconds limit)
{
    const auto ms = limit.count();
    std::string text = std::to_string(ms / 1000);
    if (ms % 1000 != 0)
        text += "." + std::to_string(ms % 1000 / 100);
    return text + " s";
}

}  // namespace

PythonDetectorBase::PythonDetectorBase()
    : requestOpenLine(std::make_unique<RateLimitedLine>()), responseOpenLine(std::make_unique<RateLimitedLine>())
{
}

PythonDetectorBase::~PythonDetectorBase()
{
    CloseFifos();
}

void PythonDetectorBase::SetFifoNames(const std::string& requestName, const std::string& responseName)
{
    requestFifoName = requestName;
    responseFifoName = responseName;
}

void PythonDetectorBase::SetAppType(const std::string& type)
{
    appType = type;
    writer = RequestWriter(type);
}

void PythonDetectorBase::CancelExchanges()
{
    cancelled.store(true);
}

void PythonDetectorBase::CloseFifos()
{
    pipeio::ClosePipe(requestPipe);
    pipeio::ClosePipe(responsePipe);
    isConnected = false;
}

int PythonDetectorBase::OpenFifos()
{
    CloseFifos();  // a broken connection's handles never outlive it

    // The response end first: opening a FIFO for reading never waits, and it
    // releases a detector that opens its response end before its request end.
    const pipeio::OpenResult response = pipeio::OpenPipe(responseFifoName, pipeio::PipeAccess::Read);
    if (!response.Ok()) {
        responseOpenLine->Report(response.refusal.empty()
                                     ? "Failed to open resp fifo with errno [" + std::to_string(response.error) + "]"
                                     : "Failed to open resp fifo: " + response.refusal);
        return -1;
    }
    responsePipe = response.handle;

    const pipeio::OpenResult request = pipeio::OpenPipe(requestFifoName, pipeio::PipeAccess::Write);
    if (!request.Ok()) {
        requestOpenLine->Report(request.refusal.empty()
                                    ? "Failed to open req fifo with errno [" + std::to_string(request.error) + "]"
                                    : "Failed to open req fifo: " + request.refusal);
        CloseFifos();
        return -1;
    }
    requestPipe = request.handle;
    requestOpenLine->Reset();
    responseOpenLine->Reset();
    answersOnConnection = 0;
    return 0;
}

int PythonDetectorBase::FailExchange(const std::string& line)
{
    PrintLine(line);
    CloseFifos();
    return -3;
}

void PythonDetectorBase::EncodeImage(const cv::Mat& image)
{
    base64.clear();
    if (image.empty())
        return;
    try {
        if (!cv::imencode(".png", image, png)) {
            PrintLine("Failed to encode the frame as PNG; an empty picture goes out");
            png.clear();
        }
    } catch (const cv::Exception& error) {
        PrintLine(std::string("Failed to encode the frame as PNG (") + error.what() + "); an empty picture goes out");
        png.clear();
    }
    Base64Encode(png.data(), png.size(), base64);
}

void PythonDetectorBase::BuildRequest(const cv::Mat& image, std::string& out)
{
    EncodeImage(image);
    writer.BuildMessage(base64, out);
}

int PythonDetectorBase::RunDetection(const cv::Mat& image)
{
    BuildRequest(image, message);
    return Exchange(message);
}

int PythonDetectorBase::Exchange(const std::string& request)
{
    if (cancelled.load()) {
        if (!cancelReported) {
            PrintLine("Pipe exchanges are cancelled: the detector is no longer asked");
            cancelReported = true;
        }
        CloseFifos();
        return -3;
    }
    if (!isConnected) {
        isConnected = OpenFifos() == 0;
        unserved.store(!isConnected);
        if (!isConnected || request.empty())
            return -2;
    }

    // Anything still waiting is left over from an earlier exchange (a detector
    // that answered twice); reading it now would pair this frame with it.
    const std::size_t stale = pipeio::DiscardPending(responsePipe);
    if (stale > 0)
        PrintLine("Dropped " + std::to_string(stale) + " stale bytes from the detector before the next request");

    // A new connection's detector may still be loading its model.
    const bool fresh = answersOnConnection == 0;
    const auto startLimit = fresh ? limits.firstAnswerStart : limits.answerStart;
    const auto writeLimit = fresh ? limits.firstAnswerStart : limits.stall;
    StageRecorder& stages = StageRecorder::Instance();
    const auto writeStart = StageRecorder::Clock::now();
    const pipeio::IoResult sent =
        pipeio::WriteAll(requestPipe, request.data(), request.size(), cancelled, {writeLimit, writeLimit});
    const auto written = StageRecorder::Clock::now();
    stages.Record(Stage::RequestWrite, written - writeStart);
    if (sent.end == pipeio::IoEnd::Cancelled)
        return FailExchange("Pipe exchange cancelled while writing the request");
    if (sent.end == pipeio::IoEnd::TimedOut)
        return FailExchange("The detector stopped reading the request for " + Seconds(writeLimit) + " (" +
                            std::to_string(sent.bytes) + " of " + std::to_string(request.size()) +
                            " bytes taken)" + kReconnecting);
    if (sent.bytes < kLengthBytes)
        return FailExchange(ErrnoLine("Failed to write cnn msg hdr", sent.error));
    if (sent.bytes < request.size())
        return FailExchange(ErrnoLine("Failed to write img data", sent.error));

    pipeio::IoResult lastRead;
    std::size_t received = 0;
    const ReadExactly read = [&](void* buffer, std::size_t size) {
        // The first byte may take the detector's whole working time; after
        // that the answer must keep coming.
        const pipeio::WaitLimits wait{received == 0 ? startLimit : limits.stall, limits.stall};
        lastRead = pipeio::ReadAll(responsePipe, buffer, size, cancelled, wait, requestPipe);
        received += lastRead.bytes;
        return lastRead.bytes;
    };
    const FrameRead frame = ReadFrame(read, body);
    if (lastRead.end == pipeio::IoEnd::Cancelled)
        return FailExchange("Pipe exchange cancelled while waiting for the detector's answer");
    if (lastRead.end == pipeio::IoEnd::TimedOut && received == 0)
        return FailExchange("No answer from the detector " + Seconds(startLimit) + " after the request" +
                            kReconnecting);
    if (lastRead.end == pipeio::IoEnd::TimedOut)
        return FailExchange("The detector's answer stopped for " + Seconds(limits.stall) + " after " +
                            std::to_string(received) + " bytes" + kReconnecting);
    switch (frame.status) {
    case FrameStatus::Ok:
        break;
    case FrameStatus::ShortHeader:
        return FailExchange(ReadErrorLine("Failed to read cnn msg hdr", lastRead));
    case FrameStatus::TooLarge:
        return FailExchange("Refused a detector answer of " + std::to_string(frame.announced) +
                            " bytes (the limit is " + std::to_string(kMaxAnswerBytes) + ")");
    case FrameStatus::ShortBody:
        return FailExchange(ReadErrorLine("Failed to read cnn result", lastRead));
    }
    ++answersOnConnection;
    stages.Record(Stage::DetectorAnswer, written);

    // The text ends at the first zero byte, if the detector sent one.
    body.resize(std::strlen(body.c_str()));
    Json::Value response = ParseAnswerText(body);
    return ParseResults(response);
}

int PythonDetectorBase::ParseResults(Json::Value& response)
{
    response = 0;
    return -1;
}
