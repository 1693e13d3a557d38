#include "QuitSignal.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <pthread.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

int wakeFds[2] = {-1, -1};

// Async-signal-safe: only writes one byte; the event loop does the rest.
void OnSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = write(wakeFds[1], &byte, 1);
}

sigset_t QuitSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

}  // namespace

void DeferQuitSignals()
{
    const sigset_t set = QuitSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    // A write beyond the file size limit (a full quota) must fail and be
    // reported like any failed write, not end the program.
    signal(SIGXFSZ, SIG_IGN);
}

bool InstallQuitSignalHandler(QuitHandler onQuit)
{
    if (pipe2(wakeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    auto* notifier = new QSocketNotifier(wakeFds[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier, onQuit] {
        char drain[16];
        while (read(wakeFds[0], drain, sizeof drain) > 0) {
        }
        notifier->setEnabled(false);  // one orderly shutdown is enough
        onQuit();
    });

    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    const bool installed = sigaction(SIGINT, &action, nullptr) == 0 && sigaction(SIGTERM, &action, nullptr) == 0;
    const sigset_t set = QuitSignals();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);  // a request held back arrives now
    return installed;
}
