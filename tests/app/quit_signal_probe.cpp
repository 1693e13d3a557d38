// Ends its event loop on SIGINT or SIGTERM through the program's own quit
// signal handling, then stands for a shutdown that hangs. With
// --no-descriptors the handler's wake-up pipe cannot be made.

#include "QuitSignal.h"

#include <QCoreApplication>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <pthread.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

void Say(const char* line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

// Makes every new descriptor fail until the limit returned is restored.
rlimit UseUpDescriptors()
{
    rlimit saved{};
    getrlimit(RLIMIT_NOFILE, &saved);
    const int next = dup(STDIN_FILENO);
    close(next);
    const rlimit limit{static_cast<rlim_t>(next), saved.rlim_max};
    setrlimit(RLIMIT_NOFILE, &limit);
    return saved;
}

bool TermBlockedInANewThread()
{
    bool blocked = false;
    std::thread([&blocked] {
        sigset_t mask;
        pthread_sigmask(SIG_BLOCK, nullptr, &mask);
        blocked = sigismember(&mask, SIGTERM) == 1;
    }).join();
    return blocked;
}

}  // namespace

int main(int argc, char** argv)
{
    DeferQuitSignals();
    QCoreApplication app(argc, argv);
    const bool starved = argc > 1 && std::strcmp(argv[1], "--no-descriptors") == 0;
    rlimit saved{};
    if (starved)
        saved = UseUpDescriptors();
    const bool installed =
        InstallQuitSignalHandler([] { QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection); });
    if (starved)
        setrlimit(RLIMIT_NOFILE, &saved);  // sanitizers need descriptors to start a thread
    Say(installed ? "installed" : "not installed");
    Say(TermBlockedInANewThread() ? "SIGTERM blocked in a new thread" : "SIGTERM reaches a new thread");
    QCoreApplication::exec();
    Say("shutting down");
    // Hangs, but not for ever: a test gone wrong leaves nothing behind.
    std::this_thread::sleep_for(std::chrono::seconds(60));
    Say("shut down");
    return 0;
}
