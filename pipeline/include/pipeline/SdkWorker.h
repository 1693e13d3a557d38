#pragma once
// The consumer of the frame pipeline: takes the newest frame, makes the
// display picture and runs the chosen back-end on the frame.

#include "pipeline/AnswerPatience.h"
#include "pipeline/DetectorExchange.h"
#include "pipeline/DisplayMailbox.h"
#include "pipeline/FrameSlots.h"
#include "pipeline/RunFlag.h"

#include "settings/InferenceMode.h"

#include <QObject>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

class DetectorBackend;
class DeviceBackend;

// Thread-safety: created on the GUI thread and moved to its own QThread,
// whose started() runs DoWork. Stop, SetRunning, SetInferenceEnabled and
// TakeDisplayFrame may be called from any thread.
class SdkWorker : public QObject {
    Q_OBJECT

public:
    // The back-ends are not owned and may be null when the mode does not use
    // them.
    SdkWorker(InferenceMode inferenceMode, DetectorBackend* detector, DeviceBackend* device);
    ~SdkWorker() override;

    FrameSlots& Slots() { return frameSlots; }

    void SetRunning(bool running) { this->running.Set(running); }
    void SetInferenceEnabled(bool enabled) { inferenceEnabled = enabled; }
    // Clears both flags and ends a wait for a frame or a detector answer;
    // a pending exchange is cancelled and its thread joined.
    void Stop();

    // The newest picture waiting for the window (GUI thread).
    std::optional<DisplayFrame> TakeDisplayFrame() { return display.Take(); }

signals:
    // A picture (with the detector's results, when an exchange ended) is
    // waiting in TakeDisplayFrame.
    void SigShowResults();
    // A picture without results (device mode) is waiting in TakeDisplayFrame.
    void SigShowBackground();

public slots:
    void DoWork();

private:
    using Clock = std::chrono::steady_clock;
    void Process(const cv::Mat& frame, Clock::time_point captured);
    void RunDetector(const cv::Mat& frame, Clock::time_point captured);
    void RunDevice(const cv::Mat& frame, Clock::time_point captured);
    bool Prepare(const cv::Mat& frame, DetectorRequest& request);
    std::optional<DisplayFrame> TakeFinished(std::chrono::milliseconds timeout);
    // Posts a picture for the window (inference thread, FIFO mode).
    void Show(DisplayFrame frame);
    // A picture without results, posted to the window.
    void ShowVideoAlone(const cv::Mat& frame, Clock::time_point captured);

    // How long a frame that starts an exchange waits for the detector's answer.
    static constexpr std::chrono::milliseconds kAnswerPatience{500};

    const InferenceMode inferenceMode;
    DetectorBackend* const detector;
    DeviceBackend* const device;
    std::unique_ptr<DetectorExchange> exchange;  // FIFO mode only
    AnswerPatience patience{kAnswerPatience};
    Clock::time_point lastShown{};               // capture time of the newest picture posted
    std::optional<DetectorResults> lateResults;  // an answer waiting for the next picture
    RunFlag running;
    std::atomic<bool> inferenceEnabled{false};
    FrameSlots frameSlots;
    DisplayMailbox display;
};

// The frame (8-bit BGR) as a picture (Format_RGB32) that owns its pixels.
QImage ToDisplayImage(const cv::Mat& frame);
