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
    explicit CameraSource(QString text) : text(std::move(text)) {}

    const QString& Text() const { return text; }
    bool IsStream() const;      // "rtsp://" anywhere, in any letter case
    bool IsIndex() const;       // only decimal digits, or empty
    bool IsDevicePath() const;  // /dev/videoN
    // Live sources are read as fast as they deliver; files are paced.
    bool IsLive() const { return IsStream() || IsIndex() || IsDevicePath(); }

    // Opens `capture`: a one-character source as a device index (a
    // non-digit as index 0), anything longer by name: an address with
    // "://" through FFmpeg with bounded waits, a file only when it exists.
    // Never throws.
    bool Open(cv::VideoCapture& capture) const;

private:
    QString text;
};
