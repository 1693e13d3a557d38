#include "QuitSignal.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <atomic>
#include <csignal>
#include <pthread.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

int wakeFds[2] = {-1, -1};
std::atomic<int> requests{0};  // lock-free on every platform we build for: safe in a handler
static_assert(std::atomic<int>::is_always_lock_free);

template <std::size_t N>
void WriteError(const char (&text)[N])
{
    [[maybe_unused]] const ssize_t ignored = write(STDERR_FILENO, text, N - 1);
}

// Async-signal-safe: a counter, write() and _exit() only; the event loop
// does the orderly part.
void OnSignal(int signo)
{
    if (requests.fetch_add(1) == 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t ignored = write(wakeFds[1], &byte, 1);
        return;
    }
    if (signo == SIGINT)
        WriteError("[MainWindow] SIGINT again during the shutdown: ending at once, without finishing it\n");
    else
        WriteError("[MainWindow] SIGTERM again during the shutdown: ending at once, without finishing it\n");
    _exit(128 + signo);  // the status a shell reports for a process a signal ended
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
    const sigset_t set = QuitSignals();
    if (pipe2(wakeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        // Threads started from here on inherit this mask: held back for good,
        // the requests could never end the program.
        pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
        return false;
    }
    auto* notifier = new QSocketNotifier(wakeFds[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier, onQuit] {
        char drain[16];
        while (read(wakeFds[0], drain, sizeof drain) > 0) {
        }
        notifier->setEnabled(false);  // later requests are the handler's own
        onQuit();
    });

    struct sigaction action = {};
    action.sa_handler = OnSignal;
    action.sa_mask = set;  // the other request waits while this thread handles one
    action.sa_flags = SA_RESTART;
    const bool installed = sigaction(SIGINT, &action, nullptr) == 0 && sigaction(SIGTERM, &action, nullptr) == 0;
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);  // a request held back arrives now
    return installed;
}
