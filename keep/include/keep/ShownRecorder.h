#pragma once
// Keeps what the window shows: a recording of its pictures and PNG
// snapshots, encoded and written on a thread of its own behind a short
// queue. The window hands pictures over as values and never waits: when the
// encoder lags, pictures are dropped and counted.

#include "keep/RecordingLimits.h"
#include "threads/OwnedThread.h"

#include <QDateTime>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

// Thread-safety: every public member from one thread (the GUI thread); the
// encoding and the files on the recorder's own thread, which reports back
// through queued signals only. The destructor finishes the file being
// written and joins the thread.
class ShownRecorder : public QObject {
    Q_OBJECT

public:
    using Clock = std::chrono::steady_clock;

    explicit ShownRecorder(RecordingLimits limits = {}, int pendingPictures = 3, int pendingSnapshots = 4);
    ~ShownRecorder() override;

    // A recording into `path` at `fps` pictures a second of `size`; with
    // `keepExisting` a name that is taken becomes `name-2.mkv`, ... Replaces
    // a recording under way.
    void Start(const QString& path, double fps, QSize size, bool keepExisting);
    // The encoder has room for one more picture (none while no recording runs).
    bool HasRoomForPicture();
    // False when the picture was dropped (the encoder lags) or no recording runs.
    bool Add(QImage picture, Clock::time_point shownAt = Clock::now());
    void Stop(Clock::time_point at = Clock::now());
    bool IsRecording() const { return recording; }

    // A PNG of `picture` in `dir` (made when missing), named for `at` and
    // `frame`, never over another file. False when it was skipped: snapshots
    // are still being written.
    bool Snapshot(QImage picture, const QString& dir, const QDateTime& at, quint64 frame);

signals:
    void SigMessage(QString line);
    void SigSnapshotSaved(QString path);
    // Recording `serial` ended by itself (a full disk, a failed write).
    void SigRecordingFailed(int serial);

private:
    enum class JobKind { Open, Picture, Close, Snapshot };
    struct Job {
        JobKind kind = JobKind::Picture;
        QImage picture;
        Clock::time_point at{};
        QString path;  // the file, or the snapshot's folder
        double fps = 0;
        QSize size;
        bool keepExisting = false;
        QDateTime when;
        quint64 frame = 0;
        int serial = 0;
    };
    // One more job of a kind whose `pending` count stays below `most`.
    bool TakeSlot(int& pending, int most);
    void Post(Job job);
    void Run();
    void SaveSnapshot(const Job& job);

    const RecordingLimits limits;
    const int pendingPicturesMax;
    const int pendingSnapshotsMax;
    // GUI thread only.
    bool recording = false;
    int serial = 0;
    double fps = 0;  // of the recording under way

    std::mutex mutex;
    std::condition_variable posted;
    std::deque<Job> jobs;
    int pendingPictures = 0;
    int pendingSnapshots = 0;
    bool quitting = false;
    OwnedThread thread;  // runs Run() from its start until `quitting`
};
