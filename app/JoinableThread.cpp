#include "JoinableThread.h"

#include <QtDebug>

namespace {
constexpr unsigned long kThreadExitWaitMs = 3000;
}

JoinableThread::JoinableThread(QObject* parent) : QThread(parent)
{
    // Direct: runs on the ending thread itself, after its last event.
    connect(
        this, &QThread::finished, this, [this] { ended.store(true, std::memory_order_release); },
        Qt::DirectConnection);
}

void JoinableThread::StopAndJoin(const char* timeoutMessage)
{
    quit();
    if (!wait(kThreadExitWaitMs)) {
        qDebug() << timeoutMessage;
        while (!wait(kThreadExitWaitMs))
            qWarning() << "[MainWindow] still waiting for a worker thread to end";
    }
    (void)ended.load(std::memory_order_acquire);
}
