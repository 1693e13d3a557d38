#pragma once
// The pipe transport to an external detector process: two named pipes, one
// framed request out and one framed answer back per frame.

#include "fifo/ExchangeLimits.h"
#include "fifo/PipeIo.h"
#include "fifo/RequestWriter.h"

#include <json/value.h>
#include <opencv2/core/mat.hpp>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

class RateLimitedLine;

// Thread-safety: Exchange, OpenFifos and ParseResults run on one thread at a
// time; BuildRequest on one thread at a time, possibly another;
// CancelExchanges and PipesUnserved may be called from any thread.
class PythonDetectorBase {
public:
    PythonDetectorBase();
    virtual ~PythonDetectorBase();
    PythonDetectorBase(const PythonDetectorBase&) = delete;
    PythonDetectorBase& operator=(const PythonDetectorBase&) = delete;

    void SetFifoNames(const std::string& requestName, const std::string& responseName);
    void SetAppType(const std::string& type);

    // Opens the response pipe for reading, then the request pipe for writing,
    // closing any handles of an earlier connection first, so a detector may
    // open its two ends in either order. 0 on success, -1 (with a line on
    // standard output) when either cannot be opened now.
    int OpenFifos();

    // One exchange for `image` (8-bit, 1, 3 or 4 channels; empty sends an
    // empty picture): BuildRequest, then Exchange.
    int RunDetection(const cv::Mat& image);

    // The framed request for `image`. Runs on one thread at a time, which may
    // be another than the exchanges' (a frame is encoded while the detector
    // works on the one before).
    void BuildRequest(const cv::Mat& image, std::string& request);
    // One exchange of a framed request: ParseResults' result, -2 when the
    // pipes cannot be opened (or `request` is empty: the pipes are then
    // opened for the next one), -3 when the exchange failed, was cancelled
    // or ran out of the limits of ExchangeLimits.h (the pipes are then
    // closed, so the detector sees an end of file, and reopened at the next
    // call).
    int Exchange(const std::string& request);
    // Nobody served the pipes at the last exchange (any thread).
    bool PipesUnserved() const { return unserved.load(); }

    // Turns a parsed answer into results. This base has no results: it sets
    // `response` to 0 and returns -1.
    virtual int ParseResults(Json::Value& response);

    // Ends a pending exchange within 200 ms and makes every later one fail at
    // once with -3; for shutting down while a detector hangs.
    void CancelExchanges();

    bool IsConnected() const { return isConnected; }
    // For tests: shorter limits than ExchangeLimits.h's; before the first exchange.
    void SetExchangeLimits(const ExchangeLimits& shorter) { limits = shorter; }

protected:
    bool isConnected = false;
    std::string requestFifoName;
    std::string responseFifoName;
    std::string appType;
    double scale = 1.0;
    pipeio::PipeHandle requestPipe = pipeio::kInvalidPipe;
    pipeio::PipeHandle responsePipe = pipeio::kInvalidPipe;

private:
    void EncodeImage(const cv::Mat& image);
    int FailExchange(const std::string& line);
    void CloseFifos();

    RequestWriter writer;
    std::atomic<bool> cancelled{false};
    std::atomic<bool> unserved{false};
    bool cancelReported = false;
    unsigned answersOnConnection = 0;
    ExchangeLimits limits;
    std::unique_ptr<RateLimitedLine> requestOpenLine;
    std::unique_ptr<RateLimitedLine> responseOpenLine;
    // Per-frame buffers, kept to reuse their storage: the first three belong
    // to BuildRequest, `body` to Exchange.
    std::vector<unsigned char> png;
    std::string base64;
    std::string message;
    std::string body;
};
