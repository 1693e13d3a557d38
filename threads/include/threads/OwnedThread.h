#pragma once
// The one way this program owns a thread.
//
// A QThread with its event loop, owned by exactly one object that starts it
// and, before the objects living on it go, stops and joins it. Chosen over a
// std::thread and over a bare QThread because:
// - work reaches the thread as queued signals, run one after another in the
//   order they were sent: a device that must see its calls in order, or a
//   worker whose loop runs from started(), needs nothing else;
// - Stop lets everything queued before it run, so a last "close" queued by
//   the owner is never skipped;
// - the join has no way around it: objects on the thread are never deleted
//   while it runs (Qt aborts on a running QThread's destruction, and an
//   object deleted under its own slot crashes later).
// A thread inside a foreign call (the dongle's library) cannot be
// interrupted, so Stop waits for that call to return, saying so every few
// seconds; every loop of ours ends when its owner clears its run flag.

#include <QString>

#include <atomic>
#include <memory>

class QObject;
class QThread;

// Thread-safety: the owner's thread constructs, hosts and starts; Thread(),
// IsRunning() and Stop() may be called from any thread, Stop twice at once.
class OwnedThread {
public:
    explicit OwnedThread(const QString& name);
    // Stops and joins the thread.
    ~OwnedThread();
    OwnedThread(const OwnedThread&) = delete;
    OwnedThread& operator=(const OwnedThread&) = delete;

    QThread* Thread() const { return thread.get(); }
    // Moves `worker` (parentless, owned by the caller) onto the thread; its
    // slots then run there. The caller deletes it only after Stop.
    void Host(QObject* worker);
    void Start();
    // Ends the thread's event loop once the calls queued to it so far have
    // run, and waits for the thread to end; `overrunLine` goes to the debug
    // log when that takes longer than 3 s. Afterwards the caller may delete
    // the objects that lived on it. Stopping twice, or a thread that never
    // started, is fine.
    void Stop(const char* overrunLine = nullptr);
    bool IsRunning() const;

private:
    std::unique_ptr<QThread> thread;
    // Lives on the thread: the queued quit is sent to it.
    std::unique_ptr<QObject> anchor;
    // Set by the thread as its last act; read after the join, it carries the
    // order of everything the thread did to the owner in a form the thread
    // sanitizer sees (QThread::wait orders it through Qt's own futexes,
    // which it cannot).
    std::atomic<bool> ended{false};
};
