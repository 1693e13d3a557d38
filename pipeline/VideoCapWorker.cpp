#include "pipeline/VideoCapWorker.h"

#include "pipeline/FramePacer.h"
#include "pipeline/FrameSlots.h"
#include "pipeline/StageRecorder.h"

#include "settings/QtSettingManager.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <QtDebug>

#include <algorithm>
#include <chrono>
#include <utility>

using namespace std::chrono_literals;

namespace {

// A negative setting turns reconnection off; longer than a day means "rarely".
std::chrono::milliseconds ReconnectWait(int seconds)
{
    return std::chrono::milliseconds(std::min<std::int64_t>(seconds, 24 * 3600) * 1000);
}

}  // namespace

VideoCapWorker::VideoCapWorker(FrameSlots& sink)
    : frameSink(sink),
      cameraSource(QString::fromStdString(QtSettingManager::GetInstance()->GetCamera()))
{
    const QtSettingManager* settings = QtSettingManager::GetInstance();
    std::tie(resolutionWidth, resolutionHeight) = settings->GetCameraResolution();
    // The store keeps CameraFps at 1 or more, so files have a pace even
    // when the first open fails.
    fps = settings->GetCameraFps();
    reconnectSec = settings->GetCameraAutoReconnectSec();
    isCameraOpened = OpenCamera();
}

VideoCapWorker::~VideoCapWorker() = default;

bool VideoCapWorker::OpenCamera()
{
    if (!cameraSource.Open(capture)) {
        qDebug() << "[error!!] =========== open camera fail :" << cameraSource.Text();
        return false;
    }
    QtSettingManager* settings = QtSettingManager::GetInstance();
    const int configuredFps = settings->GetCameraFps();
    // A GStreamer pipeline names its own size and rate; asking it for others
    // stops it.
    if (cameraSource.GetKind() != CameraSource::Kind::Pipeline) {
        bool accepted = capture.set(cv::CAP_PROP_FRAME_WIDTH, double(resolutionWidth));
        accepted = capture.set(cv::CAP_PROP_FRAME_HEIGHT, double(resolutionHeight)) && accepted;
        accepted = capture.set(cv::CAP_PROP_FPS, double(configuredFps)) && accepted;
        if (!accepted)
            qDebug() << "[WARNING] OpenCV set camera resolution or fps may not success. Please set it from device.";
    }

    const int width = static_cast<int>(capture.get(cv::CAP_PROP_FRAME_WIDTH));
    const int height = static_cast<int>(capture.get(cv::CAP_PROP_FRAME_HEIGHT));
    fps = configuredFps;
    everOpened = true;
    settings->SetCameraInfo(width, height, configuredFps);
    qDebug() << "open camera success : " << cameraSource.Text();
    qDebug().noquote() << "cam width" << width << "\ncam heigth" << height;
    qDebug() << "FPS:" << fps;

    // A looping file reopens with the same size: the device must not reload
    // its model for that.
    if (width != reportedWidth || height != reportedHeight) {
        reportedWidth = width;
        reportedHeight = height;
        emit SigCameraOpened(width, height);
    }
    return true;
}

VideoCapWorker::ReadResult VideoCapWorker::ReadInto(cv::Mat& frame)
{
    try {
        if (!capture.read(frame) || frame.empty())
            return ReadResult::Failed;
        switch (frame.type()) {
        case CV_8UC3:
            return ReadResult::Frame;
        case CV_8UC1:
            cv::cvtColor(frame, frame, cv::COLOR_GRAY2BGR);
            return ReadResult::Frame;
        case CV_8UC4:
            cv::cvtColor(frame, frame, cv::COLOR_BGRA2BGR);
            return ReadResult::Frame;
        default:
            if (!std::exchange(typeSkipLogged, true))
                qDebug() << "[Camera] skipping frames of OpenCV type" << frame.type() << "from" << cameraSource.Text();
            return ReadResult::Skipped;
        }
    } catch (const cv::Exception& e) {
        qDebug() << "[Camera] reading" << cameraSource.Text() << "failed:" << e.what();
        return ReadResult::Failed;
    }
}

void VideoCapWorker::WaitForShutdownAfterEnd(bool everOpened)
{
    if (everOpened)
        qDebug() << "[Camera] no more frames from" << cameraSource.Text()
                 << "and CameraAutoReconnectSec is negative: the video stops here";
    else
        qDebug() << "[Camera]" << cameraSource.Text()
                 << "could not be opened and CameraAutoReconnectSec is negative: there is no video";
    capture.release();
    isRunning.WaitUntilCleared();
}

void VideoCapWorker::DoWork()
{
    const bool live = cameraSource.IsLive();
    const bool reconnect = reconnectSec >= 0;
    FramePacer pacer(fps);
    bool readFailureLogged = false;

    while (isRunning.IsSet()) {
        if (!isCameraOpened && reconnect) {
            isCameraOpened = OpenCamera();
            if (!isCameraOpened) {
                qDebug() << "Camera disconnected.... wait to reconnect.";
                isRunning.SleepFor(ReconnectWait(reconnectSec));
                continue;
            }
            if (!isRunning.SleepFor(1s))
                break;
            pacer.Restart();
        }
        // Without reconnection a file that ended, or a source that never
        // opened, stays so; a live source that opened is read on, even when
        // its first frame is late.
        if (!isCameraOpened && (!live || !everOpened)) {
            WaitForShutdownAfterEnd(everOpened);
            break;
        }

        FrameSlot* slot = frameSink.GetWritableSlot();
        if (slot == nullptr)
            break;
        const auto readStart = StageRecorder::Clock::now();
        const ReadResult result = ReadInto(slot->frame);
        StageRecorder::Instance().Record(Stage::CaptureRead, readStart);
        if (result != ReadResult::Frame) {
            frameSink.AbandonSlot(slot);
            if (result == ReadResult::Failed) {
                isCameraOpened = false;
                // A live source without reconnection keeps being read, as
                // a camera may recover, but never at full speed.
                if (!reconnect && live) {
                    if (!std::exchange(readFailureLogged, true))
                        qDebug() << "[Camera] reading" << cameraSource.Text() << "failed; retrying";
                    isRunning.SleepFor(100ms);
                }
            }
            continue;
        }
        isCameraOpened = true;
        readFailureLogged = false;
        StageRecorder::Instance().framesRead.fetch_add(1, std::memory_order_relaxed);
        cv::flip(slot->frame, slot->frame, 1);
        frameSink.PublishSlot(slot);

        if (!live && !pacer.WaitForNextFrame(isRunning))
            break;
    }
    capture.release();
}
