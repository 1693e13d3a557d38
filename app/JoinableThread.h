#pragma once

#include <QThread>

#include <atomic>

// A worker thread that its owner stops and joins before the workers go.
// QThread::wait() already orders everything the thread did before its
// owner goes on, but through Qt's own futex locks, which the thread
// sanitizer cannot see; the flag carries the same order where it can, so a
// sanitized run reports the races we have rather than Qt's hand-overs.
class JoinableThread : public QThread {
public:
    explicit JoinableThread(QObject* parent);

    // Ends the event loop and waits; a thread that overruns is reported
    // once but never left running under objects that are about to go.
    void StopAndJoin(const char* timeoutMessage);

private:
    std::atomic<bool> ended{false};
};
