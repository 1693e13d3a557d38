#include "threads/OwnedThread.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <QtDebug>

namespace {

constexpr unsigned long kReportEveryMs = 3000;

// Lives on the owned thread and ends its event loop from there. Asked by
// name: the queued call is then made and deleted inside Qt, whose hand-over
// the thread sanitizer knows (see tools/sanitizer), rather than as a functor
// written by our code on one thread and read on the other under Qt's lock.
class QuitAnchor : public QObject {
    Q_OBJECT
public slots:
    void Quit() { QThread::currentThread()->quit(); }
};

}  // namespace

OwnedThread::OwnedThread(const QString& name) : thread(std::make_unique<QThread>()), anchor(std::make_unique<QuitAnchor>())
{
    thread->setObjectName(name);
    anchor->moveToThread(thread.get());
    // Direct: runs on the ending thread itself, after its last event.
    QObject::connect(
        thread.get(), &QThread::finished, thread.get(), [this] { ended.store(true, std::memory_order_release); },
        Qt::DirectConnection);
}

OwnedThread::~OwnedThread()
{
    Stop();
}

void OwnedThread::Host(QObject* worker)
{
    worker->moveToThread(thread.get());
}

void OwnedThread::Start()
{
    ended.store(false, std::memory_order_relaxed);
    thread->start();
}

bool OwnedThread::IsRunning() const
{
    return thread->isRunning();
}

void OwnedThread::Stop(const char* overrunLine)
{
    if (!thread->isRunning())
        return;
    // Queued behind what is waiting already; a loop that never returns to
    // the event loop ends first (its owner has cleared its run flag).
    QMetaObject::invokeMethod(anchor.get(), "Quit", Qt::QueuedConnection);
    if (!thread->wait(kReportEveryMs)) {
        if (overrunLine != nullptr)
            qDebug() << overrunLine;
        while (!thread->wait(kReportEveryMs))
            qWarning().noquote() << "[Thread]" << thread->objectName() << "has not ended yet; waiting for it";
    }
    (void)ended.load(std::memory_order_acquire);
}

#include "OwnedThread.moc"
