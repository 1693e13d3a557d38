#include "keep/ShownRecorder.h"

#include "RecordingFile.h"

#include "keep/KeptFileNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <memory>
#include <optional>

namespace {

// Enough for any burst of presses: the names of one second and frame.
constexpr int kNameAttempts = 1000;
// How often a recording is brought up to date while no picture comes.
constexpr std::chrono::seconds kCatchUp(1);

// The MPEG-4 encoder takes even sizes only.
cv::Size EvenSize(QSize size)
{
    return cv::Size(size.width() & ~1, size.height() & ~1);
}

}  // namespace

ShownRecorder::ShownRecorder(RecordingLimits limits, int pendingPictures, int pendingSnapshots)
    : limits(limits),
      pendingPicturesMax(pendingPictures),
      pendingSnapshotsMax(pendingSnapshots),
      thread(QStringLiteral("recorder"))
{
    // A recording that failed by itself is over; a later one is not.
    connect(this, &ShownRecorder::SigRecordingFailed, this, [this](int failed) {
        if (failed == serial)
            recording = false;
    });
    // Direct: Run is the thread's whole work, from its start.
    connect(thread.Thread(), &QThread::started, thread.Thread(), [this] { Run(); }, Qt::DirectConnection);
    thread.Start();
}

ShownRecorder::~ShownRecorder()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        quitting = true;
    }
    if (recording)
        Stop();
    // Bounded: pictures still queued are skipped, and the encoder is never
    // more than a few seconds of video behind.
    posted.notify_all();
    thread.Stop("[Record] the encoder is still finishing the recording");
}

void ShownRecorder::Start(const QString& path, double fps, QSize size, bool keepExisting)
{
    if (recording)
        Stop();
    recording = true;
    Job job;
    job.kind = JobKind::Open;
    job.path = path;
    this->fps = fps;
    job.fps = fps;
    job.size = size;
    job.keepExisting = keepExisting;
    job.serial = ++serial;
    Post(std::move(job));
}

bool ShownRecorder::HasRoomForPicture()
{
    std::lock_guard<std::mutex> lock(mutex);
    return recording && pendingPictures < pendingPicturesMax;
}

bool ShownRecorder::Add(QImage picture, Clock::time_point shownAt)
{
    if (!recording)
        return false;
    if (!TakeSlot(pendingPictures, pendingPicturesMax))
        return false;
    Job job;
    job.kind = JobKind::Picture;
    job.picture = std::move(picture);
    job.at = shownAt;
    Post(std::move(job));
    return true;
}

void ShownRecorder::Stop(Clock::time_point at)
{
    if (!recording)
        return;
    recording = false;
    Job job;
    job.kind = JobKind::Close;
    job.at = at;
    job.fps = fps;
    Post(std::move(job));
}

bool ShownRecorder::Snapshot(QImage picture, const QString& dir, const QDateTime& at, quint64 frame)
{
    if (!TakeSlot(pendingSnapshots, pendingSnapshotsMax))
        return false;
    Job job;
    job.kind = JobKind::Snapshot;
    job.picture = std::move(picture);
    job.path = dir;
    job.when = at;
    job.frame = frame;
    Post(std::move(job));
    return true;
}

bool ShownRecorder::TakeSlot(int& pending, int most)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (pending >= most)
        return false;
    ++pending;
    return true;
}

void ShownRecorder::Post(Job job)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        // A snapshot is saved before the pictures waiting for the encoder:
        // the person who pressed F5 waits for it, nobody waits for those.
        auto at = jobs.end();
        if (job.kind == JobKind::Snapshot)
            at = std::find_if(jobs.begin(), jobs.end(), [](const Job& queued) { return queued.kind == JobKind::Picture; });
        jobs.insert(at, std::move(job));
    }
    posted.notify_one();
}

void ShownRecorder::Run()
{
    std::unique_ptr<RecordingFile> file;
    int fileSerial = 0;
    auto stopped = [&](const QString& line) {
        if (line.isEmpty())
            return;
        file.reset();
        emit SigMessage(line);
        emit SigRecordingFailed(fileSerial);
    };
    for (;;) {
        std::optional<Job> next;
        {
            std::unique_lock<std::mutex> lock(mutex);
            posted.wait_for(lock, kCatchUp, [this] { return quitting || !jobs.empty(); });
            if (jobs.empty() && quitting)
                break;
            if (!jobs.empty()) {
                next = std::move(jobs.front());
                jobs.pop_front();
                if (next->kind == JobKind::Picture) {
                    --pendingPictures;
                    if (quitting)
                        continue;
                }
            }
        }
        if (!next) {
            // A still picture (a paused source) lasts in the video as it lasts on screen.
            if (file)
                stopped(file->CatchUp(Clock::now()));
            continue;
        }
        Job& job = *next;
        switch (job.kind) {
        case JobKind::Open: {
            QString path = job.path;
            for (int attempt = 2; job.keepExisting && QFileInfo::exists(path) && attempt < kNameAttempts; ++attempt)
                path = AttemptPath(job.path, attempt);
            file = std::make_unique<RecordingFile>(path, job.fps, EvenSize(job.size), limits);
            fileSerial = job.serial;
            const QString problem = file->Open();
            if (problem.isEmpty())
                emit SigMessage(QStringLiteral("[Record] recording what is shown to %1 at %2 pictures a second")
                                    .arg(path)
                                    .arg(job.fps));
            stopped(problem);
            break;
        }
        case JobKind::Picture:
            if (file)
                stopped(file->Add(job.picture, job.at));
            break;
        case JobKind::Close:
            if (file) {
                file->Close(job.at);
                QString line = QStringLiteral("[Record] %1 is finished: %2 frames (%3 s)")
                                   .arg(file->CurrentPath())
                                   .arg(file->FramesWritten())
                                   .arg(file->FramesWritten() / job.fps, 0, 'f', 1);
                if (file->FramesSkipped() > 0)
                    line += QStringLiteral("; the encoder fell behind and skipped %1 s")
                                .arg(file->FramesSkipped() / job.fps, 0, 'f', 1);
                emit SigMessage(line);
                file.reset();
            }
            break;
        case JobKind::Snapshot: {
            SaveSnapshot(job);
            std::lock_guard<std::mutex> lock(mutex);
            --pendingSnapshots;
            break;
        }
        }
    }
    if (file)
        file->Close(Clock::now());
}

void ShownRecorder::SaveSnapshot(const Job& job)
{
    if (!QDir().mkpath(job.path)) {
        emit SigMessage(QStringLiteral("[Snapshot] the folder %1 cannot be made; no snapshot").arg(job.path));
        return;
    }
    const QString name = KeptName(job.path, job.when, job.frame, QStringLiteral("png"));
    for (int attempt = 1; attempt < kNameAttempts; ++attempt) {
        QFile out(AttemptPath(name, attempt));
        // Made new or not at all: two snapshots never share a name.
        if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (out.exists())
                continue;
            emit SigMessage(QStringLiteral("[Snapshot] %1 cannot be written: %2").arg(out.fileName(), out.errorString()));
            return;
        }
        if (!job.picture.save(&out, "PNG") || !out.flush()) {
            const QString error = out.errorString();
            out.remove();
            emit SigMessage(QStringLiteral("[Snapshot] %1 cannot be written: %2").arg(out.fileName(), error));
            return;
        }
        emit SigSnapshotSaved(out.fileName());
        return;
    }
    emit SigMessage(QStringLiteral("[Snapshot] no free name for %1 in %2").arg(QFileInfo(name).fileName(), job.path));
}
