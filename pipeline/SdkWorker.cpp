#include "pipeline/SdkWorker.h"

#include "pipeline/InferenceBackends.h"

#include <opencv2/imgproc.hpp>

#include <QtDebug>

QImage ToDisplayImage(const cv::Mat& frame)
{
    // Converted straight into the picture's own pixels, in the window
    // system's native 32-bit layout (bytes B, G, R, 255), so the GUI thread
    // neither converts nor copies it again.
    QImage image(frame.cols, frame.rows, QImage::Format_RGB32);
    cv::Mat bgra(frame.rows, frame.cols, CV_8UC4, image.bits(), static_cast<std::size_t>(image.bytesPerLine()));
    cv::cvtColor(frame, bgra, cv::COLOR_BGR2BGRA);
    return image;
}

SdkWorker::SdkWorker(InferenceMode inferenceMode, DetectorBackend* detector, DeviceBackend* device)
    : inferenceMode(inferenceMode), device(device)
{
    if (detector != nullptr && inferenceMode == InferenceMode::Fifo)
        exchange = std::make_unique<DetectorExchange>(*detector);
}

SdkWorker::~SdkWorker() = default;

void SdkWorker::Stop()
{
    inferenceEnabled = false;
    running.Set(false);
    frameSlots.Stop();
    if (exchange != nullptr)
        exchange->Stop();
}

void SdkWorker::DoWork()
{
    while (running.IsSet()) {
        FrameSlot* slot = frameSlots.TakeNewestSlot();
        if (slot == nullptr)
            break;
        try {
            Process(slot->frame, slot->published);
        } catch (const cv::Exception& e) {
            qDebug() << "[Inference] a frame could not be processed:" << e.what();
        }
        frameSlots.ReleaseSlot(slot);
    }
}

void SdkWorker::Process(const cv::Mat& frame, Clock::time_point captured)
{
    if (inferenceMode == InferenceMode::Fifo)
        RunDetector(frame, captured);
    else
        RunDevice(frame, captured);
}

void SdkWorker::RunDetector(const cv::Mat& frame, Clock::time_point captured)
{
    // A frame that starts an exchange waits for its answer, so boxes fit
    // their picture; while a slow or hung detector keeps an exchange open,
    // later frames are shown at once, and an answer that comes late is shown
    // with the frame of its arrival.
    std::chrono::milliseconds patience{0};
    if (exchange != nullptr && !exchange->Busy()) {
        exchange->Start(frame.clone());  // the slot's buffer is refilled meanwhile
        patience = kAnswerPatience;
    }
    // Made while the detector works on the frame, not before it starts.
    DisplayFrame shown{ToDisplayImage(frame), {}, {}, captured};
    if (exchange != nullptr) {
        if (std::optional<DetectorResults> results = exchange->WaitForResults(patience)) {
            shown.bboxResultsVec = std::move(results->bboxResultsVec);
            shown.frameResultsVec = std::move(results->frameResultsVec);
        }
    }
    if (shown.bboxResultsVec.empty())
        emit SigCleanResult(-1);
    if (display.Post(std::move(shown)))
        emit SigShowResults();
}

void SdkWorker::RunDevice(const cv::Mat& frame, Clock::time_point captured)
{
    if (device == nullptr) {
        if (display.Post({ToDisplayImage(frame), {}, {}, captured}))
            emit SigShowBackground();
        return;
    }
    // The slot's buffer is refilled by the next camera read: the device gets
    // its own copy, and only when it can take one.
    if (inferenceEnabled && device->IsReady(0))
        device->Dispatch(frame.clone(), 0);
    if (!device->IsBusy() && display.Post({ToDisplayImage(frame), {}, {}, captured}))
        emit SigShowBackground();
}
