#include "pipeline/CameraSource.h"

#include "pipeline/CaptureApi.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QtDebug>

bool CameraSource::IsStream() const
{
    return text.contains(QStringLiteral("rtsp://"), Qt::CaseInsensitive);
}

bool CameraSource::IsIndex() const
{
    static const QRegularExpression digits(QStringLiteral("\\A\\d*\\z"));
    return digits.match(text).hasMatch();
}

bool CameraSource::IsDevicePath() const
{
    static const QRegularExpression device(QStringLiteral("\\A/dev/video\\d+\\z"));
    return device.match(text).hasMatch();
}

bool CameraSource::Open(cv::VideoCapture& capture) const
{
    try {
        if (text.size() <= 1)
            return capture.open(text.isEmpty() || !text[0].isDigit() ? 0 : text.toInt(), CameraIndexCaptureApi());
        const std::string name = text.toStdString();
        if (text.contains(QStringLiteral("://"))) {
            const int ms = static_cast<int>(kStreamTimeout.count());
            return capture.open(name, cv::CAP_FFMPEG,
                                {cv::CAP_PROP_OPEN_TIMEOUT_MSEC, ms, cv::CAP_PROP_READ_TIMEOUT_MSEC, ms});
        }
        if (IsDevicePath())
            return capture.open(name, cv::CAP_V4L2);
        // An image sequence ("shot_%03d.png") is read as one; a path that is
        // no file fails at once. Files go to FFmpeg, then GStreamer: asking
        // every back-end (cv::CAP_ANY) would probe USB cameras by the way.
        if (text.contains(QLatin1Char('%')))
            return capture.open(name, cv::CAP_IMAGES);
        if (!QFileInfo(text).isFile())
            return false;
        return capture.open(name, cv::CAP_FFMPEG) || capture.open(name, cv::CAP_GSTREAMER);
    } catch (const cv::Exception& e) {
        qDebug() << "[Camera] opening" << text << "failed:" << e.what();
        return false;
    }
}
