#include "fifo/EdgeFifoAdaptor.h"

#include "ConsoleLine.h"
#include "fifo/ResultDocument.h"
#include "settings/QtSettingManager.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <mutex>
#include <stdexcept>

namespace {

std::atomic<EdgeFifoAdaptor*> instance{nullptr};
std::mutex instanceMutex;  // CreateInstance against DestroyInstance

CameraSize CurrentCameraSize()
{
    const QtSettingManager* settings = QtSettingManager::GetInstance();
    return settings != nullptr ? settings->GetCameraSize() : CameraSize{};
}

}  // namespace

EdgeFifoAdaptor* EdgeFifoAdaptor::CreateInstance(const std::string& requestName, const std::string& responseName)
{
    std::lock_guard<std::mutex> lock(instanceMutex);
    if (EdgeFifoAdaptor* live = instance.load())
        return live;
    auto* fresh = new EdgeFifoAdaptor(requestName, responseName);
    instance.store(fresh);
    return fresh;
}

EdgeFifoAdaptor* EdgeFifoAdaptor::GetInstance()
{
    EdgeFifoAdaptor* live = instance.load();
    if (live == nullptr)
        throw std::runtime_error("Error: Not initialize the request/response FIFO.");
    return live;
}

void EdgeFifoAdaptor::DestroyInstance()
{
    std::lock_guard<std::mutex> lock(instanceMutex);
    delete instance.exchange(nullptr);
}

EdgeFifoAdaptor::EdgeFifoAdaptor(const std::string& requestName, const std::string& responseName)
{
    SetAppType("edge");
    SetFifoNames(requestName, responseName);
}

EdgeFifoAdaptor::~EdgeFifoAdaptor()
{
    EdgeFifoAdaptor* self = this;
    instance.compare_exchange_strong(self, nullptr);
}

void EdgeFifoAdaptor::StoreTarget(int width, int height)
{
    targetSize.store((static_cast<std::uint64_t>(static_cast<std::uint32_t>(width)) << 32) |
                     static_cast<std::uint32_t>(height));
}

void EdgeFifoAdaptor::SetTargetHeight(const int& height)
{
    wantedHeight = std::max(height, 0);
    // Known now for the camera's size, if it is known: the display may ask
    // before the first frame went out. Each frame checks it again.
    const CameraSize camera = CurrentCameraSize();
    if (camera.IsKnown())
        FitTarget(cv::Size(camera.width, camera.height));
}

void EdgeFifoAdaptor::FitTarget(cv::Size frame)
{
    fittedFor = frame;
    if (wantedHeight == 0 || frame.height <= 0) {
        resizeTo = cv::Size();
        StoreTarget(frame.width, frame.height);
        return;
    }
    scale = static_cast<double>(static_cast<float>(wantedHeight) / static_cast<float>(frame.height));
    // A frame of a few lines would otherwise ask for an enormous picture.
    const int width = std::clamp(static_cast<int>(scale * frame.width), 1, kMaxTargetWidth);
    resizeTo = scale != 1.0 ? cv::Size(width, wantedHeight) : cv::Size();
    StoreTarget(scale != 1.0 ? width : frame.width, wantedHeight);
}

int EdgeFifoAdaptor::GetTargetWidth() const
{
    return static_cast<int>(targetSize.load() >> 32);
}

int EdgeFifoAdaptor::GetTargetHeight() const
{
    return static_cast<int>(targetSize.load() & 0xFFFFFFFFu);
}

bool EdgeFifoAdaptor::Prepare(const cv::Mat& frame, DetectorRequest& request)
{
    request.message.clear();
    // Nobody listens: the next exchange only opens the pipes, and encoding a
    // picture for it would be work for nothing.
    if (PipesUnserved())
        return true;
    if (frame.empty()) {
        StoreTarget(0, 0);
        request.sent = cv::Size();
        BuildRequest(frame, request.message);
        return true;
    }
    // The camera's size is known from its frames: one that opens late or
    // reopens at another size is followed at its first frame.
    if (frame.size() != fittedFor)
        FitTarget(frame.size());
    if (resizeTo.empty()) {
        request.sent = frame.size();
        BuildRequest(frame, request.message);
        return true;
    }
    try {
        cv::resize(frame, scaled, resizeTo, 0, 0, cv::INTER_LINEAR);
    } catch (const cv::Exception& error) {
        PrintLine(std::string("Failed to scale the frame for the detector (") + error.what() + ")");
        return false;
    }
    request.sent = resizeTo;
    BuildRequest(scaled, request.message);
    return true;
}

int EdgeFifoAdaptor::Exchange(const DetectorRequest& request)
{
    return PythonDetectorBase::Exchange(request.message);
}

int EdgeFifoAdaptor::Infer(const cv::Mat& frame)
{
    if (!Prepare(frame, ownRequest))
        return -3;
    if (!ownRequest.message.empty())
        return Exchange(ownRequest);
    // The pipes were not served: try them, and send this frame if they are now.
    const int opened = Exchange(ownRequest);
    if (PipesUnserved() || !Prepare(frame, ownRequest))
        return opened;
    return Exchange(ownRequest);
}

void EdgeFifoAdaptor::GetBboxResults(std::vector<Json::Value>& out)
{
    out.swap(bboxResults);
    bboxResults.clear();
}

void EdgeFifoAdaptor::GetFrameResults(std::vector<Json::Value>& out)
{
    out.swap(frameResults);
    frameResults.clear();
}

void EdgeFifoAdaptor::Cancel()
{
    CancelExchanges();
}

int EdgeFifoAdaptor::ParseResults(Json::Value& response)
{
    return ParseResultDocument(response, bboxResults, frameResults);
}
