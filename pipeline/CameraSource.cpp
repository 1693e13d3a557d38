#include "pipeline/CameraSource.h"

#include "pipeline/CaptureApi.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QtDebug>

namespace {

CameraSource::Kind KindOf(const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("\\A\\d*\\z"));
    if (digits.match(text).hasMatch())
        return CameraSource::Kind::Index;
    // Before the addresses: "rtspsrc location=rtsp://... ! ..." is a pipeline.
    if (text.contains(QStringLiteral(" ! ")))
        return CameraSource::Kind::Pipeline;
    if (text.contains(QStringLiteral("rtsp://"), Qt::CaseInsensitive))
        return CameraSource::Kind::Stream;
    if (text.contains(QStringLiteral("://")))
        return CameraSource::Kind::Address;
    if (IsCharacterDevice(text.toStdString()))
        return CameraSource::Kind::Device;
    return CameraSource::Kind::File;
}

}  // namespace

CameraSource::CameraSource(QString source) : text(std::move(source)), kind(KindOf(text)) {}

bool CameraSource::Open(cv::VideoCapture& capture) const
{
    try {
        if (text.size() <= 1)
            return capture.open(text.isEmpty() || !text[0].isDigit() ? 0 : text.toInt(), CameraIndexCaptureApi());
        const std::string name = text.toStdString();
        switch (kind) {
        case Kind::Pipeline:
            return capture.open(name, cv::CAP_GSTREAMER);
        case Kind::Stream:
        case Kind::Address: {
            const int ms = static_cast<int>(kStreamTimeout.count());
            return capture.open(name, cv::CAP_FFMPEG,
                                {cv::CAP_PROP_OPEN_TIMEOUT_MSEC, ms, cv::CAP_PROP_READ_TIMEOUT_MSEC, ms});
        }
        case Kind::Device:
            return capture.open(name, CameraIndexCaptureApi());
        case Kind::Index:  // "12": a name, as the camera index is one character
        case Kind::File:
            break;
        }
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
