#pragma once
// Marks a connect, reset, model change or firmware answer as running, so a
// second one is refused; a resolution change that arrived meanwhile is acted
// on once the operation has ended.

#include "HostLibAdapter/HostLibAdapter.h"

#include <QTimer>

// Thread-safety: GUI thread only, like the operations it marks.
class HostLibAdapter::OperationGuard {
public:
    explicit OperationGuard(HostLibAdapter* adapter) : a(adapter) { a->operationRunning = true; }
    ~OperationGuard()
    {
        a->operationRunning = false;
        if (!a->pendingReconnect)
            return;
        HostLibAdapter* adapter = a;
        QTimer::singleShot(0, adapter, [adapter] {
            if (!adapter->pendingReconnect || adapter->operationRunning)
                return;
            adapter->pendingReconnect = false;
            if (adapter->deviceConnected)
                adapter->Reconnect();
        });
    }
    OperationGuard(const OperationGuard&) = delete;
    OperationGuard& operator=(const OperationGuard&) = delete;

private:
    HostLibAdapter* a;
};
