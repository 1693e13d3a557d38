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
    const CameraSize camera = CurrentCameraSize();
    if (height > 0 && camera.IsKnown()) {
        scale = static_cast<double>(static_cast<float>(height) / static_cast<float>(camera.height));
        const int width = std::max(1, static_cast<int>(scale * camera.width));
        StoreTarget(width, height);
        resizeWidth = scale != 1.0 ? width : 0;
        resizeHeight = scale != 1.0 ? height : 0;
        return;
    }
    if (height > 0) {
        // Without the camera's size there is no ratio to keep; sending what
        // comes is better than dividing by zero.
        PrintLine("The camera size is not known yet: frames go to the detector unscaled");
        scale = 1.0;
        resizeWidth = resizeHeight = 0;
        StoreTarget(0, 0);
        return;
    }
    StoreTarget(camera.width, camera.height);
    const bool resize = scale != 1.0 && camera.IsKnown();
    resizeWidth = resize ? camera.width : 0;
    resizeHeight = resize ? camera.height : 0;
}

int EdgeFifoAdaptor::GetTargetWidth() const
{
    return static_cast<int>(targetSize.load() >> 32);
}

int EdgeFifoAdaptor::GetTargetHeight() const
{
    return static_cast<int>(targetSize.load() & 0xFFFFFFFFu);
}

int EdgeFifoAdaptor::Infer(const cv::Mat& frame)
{
    if (frame.empty() || resizeWidth == 0) {
        if (!frame.empty())
            StoreTarget(frame.cols, frame.rows);  // what the detector's coordinates refer to
        return RunDetection(frame);
    }
    try {
        cv::resize(frame, scaled, cv::Size(resizeWidth, resizeHeight), 0, 0, cv::INTER_LINEAR);
    } catch (const cv::Exception& error) {
        PrintLine(std::string("Failed to scale the frame for the detector (") + error.what() + ")");
        return -3;
    }
    return RunDetection(scaled);
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
