#pragma once
// What the "Camera" setting names, and how to open it.

#include <opencv2/videoio.hpp>

#include <QString>

#include <chrono>

// How long opening or reading a network stream may take before it counts as
// failed, so an unreachable address never blocks start-up or shutdown long.
constexpr std::chrono::milliseconds kStreamTimeout{2000};

class CameraSource {
public:
    enum class Kind {
        Index,     // only decimal digits, or empty: a camera by its number
        Device,    // a character device, also through a symbolic link (/dev/v4l/by-id/...)
        Pipeline,  // a GStreamer pipeline ("... ! ... ! appsink")
        Stream,    // an "rtsp://" address, in any letter case
        Address,   // any other "scheme://" address, read through FFmpeg like a file
        File,      // anything else: a video file or an image sequence
    };

    explicit CameraSource(QString text);

    const QString& Text() const { return text; }
    Kind GetKind() const { return kind; }
    // Live sources are read as fast as they deliver; files are paced.
    bool IsLive() const { return kind == Kind::Index || kind == Kind::Device || kind == Kind::Pipeline || kind == Kind::Stream; }

    // Opens `capture`: a one-character source as a device index (a
    // non-digit as index 0), anything longer by name with the back-end its
    // kind needs; addresses with bounded waits, a file only when it exists.
    // Never throws.
    bool Open(cv::VideoCapture& capture) const;

private:
    QString text;
    Kind kind;
};
