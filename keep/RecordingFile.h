#pragma once
// One recording: pictures written at the source's frame rate, each repeated
// for as long as it was shown (or skipped when a newer one came within the
// same frame), into numbered files of a bounded size, with the file's growth
// and the free space watched because the video writer reports no errors.

#include <opencv2/core/mat.hpp>
#include <opencv2/videoio.hpp>

#include "keep/RecordingLimits.h"

#include <QImage>
#include <QString>

#include <chrono>
#include <cstdint>


// Thread-safety: one thread (the recorder's).
class RecordingFile {
public:
    using Clock = std::chrono::steady_clock;

    RecordingFile(QString path, double fps, cv::Size size, RecordingLimits limits);
    ~RecordingFile();
    RecordingFile(const RecordingFile&) = delete;
    RecordingFile& operator=(const RecordingFile&) = delete;

    // Empty when the first file is open; else why it cannot be written.
    QString Open();
    // The picture shown from `at` on. Empty, or the one line saying why the
    // recording stopped (the file is then closed).
    QString Add(const QImage& picture, Clock::time_point at);
    // The last picture lasts at least until `at`; empty or the line of a failure.
    QString CatchUp(Clock::time_point at);
    // The last picture lasts until `at`; the file is finished.
    void Close(Clock::time_point at);

    std::uint64_t FramesWritten() const { return written; }
    // Frames of the time covered that a lagging encoder did not write.
    std::uint64_t FramesSkipped() const { return skipped; }
    QString CurrentPath() const;

private:
    QString FillUntil(Clock::time_point at, bool atLeastOne);
    QString Watch();
    bool OpenNumber(int n);

    const QString path;
    const double fps;
    const cv::Size size;
    const RecordingLimits limits;
    cv::VideoWriter writer;
    int number = 1;
    cv::Mat last;  // BGR, `size`
    Clock::time_point start{};
    std::uint64_t position = 0;  // frames of the time covered, skipped ones included
    std::uint64_t written = 0;
    std::uint64_t skipped = 0;
    std::uint64_t writtenAtGrowth = 0;
    qint64 sizeAtGrowth = 0;
};

// A picture as the video writer takes it: BGR, scaled to `size` when it differs.
cv::Mat ToVideoFrame(const QImage& picture, cv::Size size);
