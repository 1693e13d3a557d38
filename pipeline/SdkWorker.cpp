#include "pipeline/SdkWorker.h"

#include "pipeline/InferenceBackends.h"
#include "pipeline/StageRecorder.h"

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
    : inferenceMode(inferenceMode), detector(detector), device(device)
{
    // An answer that comes while no frame does is shown at once.
    if (detector != nullptr && inferenceMode == InferenceMode::Fifo)
        exchange = std::make_unique<DetectorExchange>(*detector, [this] { frameSlots.Wake(); });
}

SdkWorker::~SdkWorker()
{
    // Its thread wakes the frame slots, which go before it otherwise.
    if (exchange != nullptr)
        exchange->Stop();
}

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
        if (slot == nullptr) {
            if (frameSlots.IsStopped())
                break;
            if (std::optional<DisplayFrame> done = TakeFinished(std::chrono::milliseconds(0)))
                Show(std::move(*done));
            continue;
        }
        StageRecorder::Instance().Record(Stage::SlotWait, slot->published);
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
    using std::chrono::milliseconds;
    if (exchange == nullptr) {
        ShowVideoAlone(frame, captured);  // no detector: as without a dongle
        return;
    }
    DisplayFrame current{ToDisplayImage(frame), std::nullopt, captured};
    const milliseconds wait = patience.ForNextExchange();
    if (wait > milliseconds(0) && exchange->CanSubmit()) {
        // Keeping up: this frame is encoded while the detector works on the
        // one before, and shown with its own answer, so boxes fit their
        // picture.
        DetectorRequest request;
        if (Prepare(frame, request)) {
            const bool behindAnother = exchange->Running();
            exchange->Submit(std::move(request), current);
            if (std::optional<DisplayFrame> done = TakeFinished(behindAnother ? wait : milliseconds(0))) {
                Show(std::move(*done));
                return;
            }
            if (!behindAnother)
                return;  // shown with its answer, once that comes
            // The detector fell behind: this frame is shown now, and its
            // answer goes with the frame shown when it comes.
            patience.WaitedInVain();
            Show(std::move(current));
            return;
        }
    } else if (wait == milliseconds(0) && exchange->Idle()) {
        // Behind: one frame at a time goes out, and the results shown stay
        // over newer frames until its answer replaces them.
        DetectorRequest request;
        if (Prepare(frame, request))
            exchange->Submit(std::move(request), DisplayFrame{QImage(), std::nullopt, captured});
    }
    if (std::optional<DisplayFrame> done = TakeFinished(milliseconds(0)))
        Show(std::move(*done));
    Show(std::move(current));
}

bool SdkWorker::Prepare(const cv::Mat& frame, DetectorRequest& request)
{
    const auto start = StageRecorder::Clock::now();
    const bool prepared = detector->Prepare(frame, request);
    if (!request.message.empty())
        StageRecorder::Instance().Record(Stage::Encode, start);
    return prepared;
}

std::optional<DisplayFrame> SdkWorker::TakeFinished(std::chrono::milliseconds timeout)
{
    std::optional<DisplayFrame> done = exchange->WaitForFinished(timeout);
    if (done.has_value())
        patience.Answered(done->results->took);
    return done;
}

void SdkWorker::Show(DisplayFrame frame)
{
    // An answer whose picture is gone, or older than one already shown,
    // travels with the next picture: the video never steps back.
    if (frame.results.has_value() && (frame.image.isNull() || frame.captured < lastShown)) {
        lateResults = std::move(frame.results);
        return;
    }
    if (!frame.results.has_value() && lateResults.has_value())
        frame.results = std::move(lateResults);
    lateResults.reset();
    lastShown = frame.captured;
    if (display.Post(std::move(frame)))
        emit SigShowResults();
}

void SdkWorker::RunDevice(const cv::Mat& frame, Clock::time_point captured)
{
    if (device == nullptr) {
        ShowVideoAlone(frame, captured);
        return;
    }
    // The slot's buffer is refilled by the next camera read: the device gets
    // its own copy, and only when it can take one.
    if (inferenceEnabled && device->IsReady(0))
        device->Dispatch(frame.clone(), 0);
    if (!device->IsBusy())
        ShowVideoAlone(frame, captured);
}

void SdkWorker::ShowVideoAlone(const cv::Mat& frame, Clock::time_point captured)
{
    if (display.Post({ToDisplayImage(frame), std::nullopt, captured}))
        emit SigShowBackground();
}
