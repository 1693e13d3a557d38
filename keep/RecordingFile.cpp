#include "RecordingFile.h"

#include "keep/KeptFileNames.h"

#include <opencv2/imgproc.hpp>

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#include <cmath>
#include <utility>

namespace {

// MPEG-4 Visual (mp4v): written by Debian's OpenCV into both containers, and cheap
// enough to keep up with the video on a small machine.
const int kFourcc = cv::VideoWriter::fourcc('m', 'p', '4', 'v');

QString FolderProblem(const QString& path)
{
    const QFileInfo folder(QFileInfo(path).absolutePath());
    if (!folder.isDir())
        return QStringLiteral("its folder %1 does not exist").arg(folder.filePath());
    if (!folder.isWritable())
        return QStringLiteral("its folder %1 is not writable").arg(folder.filePath());
    return QStringLiteral("the video writer cannot create it");
}

}  // namespace

cv::Mat ToVideoFrame(const QImage& picture, cv::Size size)
{
    const QImage rgb32 = picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32
                             ? picture
                             : picture.convertToFormat(QImage::Format_RGB32);
    // Read only: the picture's pixels are shared with whoever else holds it.
    const cv::Mat bgra(rgb32.height(), rgb32.width(), CV_8UC4, const_cast<uchar*>(rgb32.constBits()),
                       static_cast<std::size_t>(rgb32.bytesPerLine()));
    cv::Mat bgr;
    cv::cvtColor(bgra, bgr, cv::COLOR_BGRA2BGR);
    if (bgr.size() != size && !bgr.empty())
        cv::resize(bgr, bgr, size, 0, 0, cv::INTER_AREA);
    return bgr;
}

RecordingFile::RecordingFile(QString path, double fps, cv::Size size, RecordingLimits limits)
    : path(std::move(path)), fps(fps), size(size), limits(limits)
{
}

RecordingFile::~RecordingFile()
{
    writer.release();
}

QString RecordingFile::CurrentPath() const
{
    return NumberedPath(path, number);
}

bool RecordingFile::OpenNumber(int n)
{
    number = n;
    sizeAtGrowth = 0;
    writtenAtGrowth = written;
    return writer.open(CurrentPath().toStdString(), cv::CAP_FFMPEG, kFourcc, fps, size) && writer.isOpened();
}

QString RecordingFile::Open()
{
    if (size.width < 2 || size.height < 2 || !(fps > 0))
        return QStringLiteral("[Record] %1 cannot be recorded: no picture size or frame rate").arg(path);
    if (!OpenNumber(1)) {
        const QString why = FolderProblem(path);
        QFile::remove(path);  // the writer may leave an empty file behind
        return QStringLiteral("[Record] %1 cannot be written: %2; nothing is recorded").arg(path, why);
    }
    return {};
}

QString RecordingFile::Add(const QImage& picture, Clock::time_point at)
{
    if (!writer.isOpened())
        return {};
    if (last.empty()) {
        start = at;
    } else if (QString stop = FillUntil(at, false); !stop.isEmpty()) {
        return stop;
    }
    last = ToVideoFrame(picture, size);
    return {};
}

QString RecordingFile::CatchUp(Clock::time_point at)
{
    if (!writer.isOpened() || last.empty())
        return {};
    return FillUntil(at, false);
}

void RecordingFile::Close(Clock::time_point at)
{
    if (writer.isOpened() && !last.empty())
        FillUntil(at, true);
    writer.release();
}

QString RecordingFile::FillUntil(Clock::time_point at, bool atLeastOne)
{
    const double seconds = std::chrono::duration<double>(at - start).count();
    std::uint64_t due = static_cast<std::uint64_t>(std::max(0.0, std::floor(seconds * fps)));
    if (atLeastOne)
        due = std::max<std::uint64_t>(due, position + 1);
    // An encoder that cannot keep up (a busy machine) skips rather than
    // falling ever further behind: its work, and the wait for it at the end,
    // stay bounded; the video is then shorter than the time it covers.
    const auto mostBehind = static_cast<std::uint64_t>(std::max(1.0, limits.mostBehindSeconds * fps));
    if (due > position + mostBehind) {
        skipped += due - mostBehind - position;
        position = due - mostBehind;
    }
    for (; position < due; ++position) {
        writer.write(last);
        ++written;
        if (QString stop = Watch(); !stop.isEmpty()) {
            writer.release();
            return stop;
        }
    }
    return {};
}

// Once per second of video: the writer says nothing of a full disk or a
// failed write, so the file's growth and the disk's free space are looked at.
QString RecordingFile::Watch()
{
    const auto second = static_cast<std::uint64_t>(std::max(1.0, std::round(fps)));
    if (written % second != 0)
        return {};
    const QString current = CurrentPath();
    const qint64 bytes = QFileInfo(current).size();
    if (bytes > sizeAtGrowth) {
        sizeAtGrowth = bytes;
        writtenAtGrowth = written;
    } else if (double(written - writtenAtGrowth) >= limits.stallSeconds * fps) {
        return QStringLiteral("[Record] %1 stopped growing at %2 bytes: the disk is full or the file cannot be "
                              "written; the recording stops here, what it holds stays playable")
            .arg(current)
            .arg(bytes);
    }
    const QStorageInfo disk(QFileInfo(current).absolutePath());
    if (disk.isValid() && disk.bytesAvailable() >= 0 && disk.bytesAvailable() < limits.minFreeBytes)
        return QStringLiteral("[Record] the disk of %1 has less than %2 MB free; the recording stops here, what it "
                              "holds stays playable")
            .arg(current)
            .arg(limits.minFreeBytes / (1024 * 1024));
    if (bytes >= limits.maxFileBytes) {
        writer.release();
        if (!OpenNumber(number + 1))
            return QStringLiteral("[Record] %1 cannot be written: %2; the recording stops at the file before it")
                .arg(CurrentPath(), FolderProblem(CurrentPath()));
    }
    return {};
}
