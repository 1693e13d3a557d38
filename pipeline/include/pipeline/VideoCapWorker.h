#pragma once
// The producer of the frame pipeline: reads the camera, mirrors each frame and
// hands it to the inference worker through the frame slots.

#include "pipeline/CameraSource.h"
#include "pipeline/RunFlag.h"

#include <opencv2/videoio.hpp>

#include <QImage>
#include <QObject>
#include <QString>

class FrameSlots;

// Thread-safety: constructed (first camera open) on the GUI thread, then
// moved to its own QThread whose started() runs DoWork. Stop may be called
// from any thread; everything else runs on the worker's thread.
class VideoCapWorker : public QObject {
    Q_OBJECT

public:
    // Reads the camera settings from the settings store and opens the camera.
    explicit VideoCapWorker(FrameSlots& sink);
    ~VideoCapWorker() override;

    bool OpenCamera();
    bool IsCameraOpened() const { return isCameraOpened; }

    // The window's run permission: set before the thread starts; clearing it
    // ends every wait at once and makes DoWork return.
    void SetRunning(bool running) { isRunning.Set(running); }

signals:
    void SigDisplayVideoImg(QImage img);
    void SigUpdateUiMsg(QString msg);
    // The camera opened with a frame size other than the last one reported.
    void SigCameraOpened(int width, int height);

public slots:
    void DoWork();

private:
    enum class ReadResult { Frame, Skipped, Failed };
    ReadResult ReadInto(cv::Mat& frame);
    void WaitForShutdownAfterEnd(bool everOpened);

    RunFlag isRunning;
    bool isCameraOpened = false;
    cv::VideoCapture capture;
    FrameSlots& frameSink;
    CameraSource cameraSource;
    int resolutionWidth;
    int resolutionHeight;
    double fps;
    int reconnectSec;
    int reportedWidth = 0;
    int reportedHeight = 0;
    bool typeSkipLogged = false;
    bool everOpened = false;
};
