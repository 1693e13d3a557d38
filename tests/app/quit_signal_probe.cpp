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

// Makes every new descriptor fail from here on.
void UseUpDescriptors()
{
    const int next = dup(STDIN_FILENO);
    close(next);
    const rlimit limit{static_cast<rlim_t>(next), static_cast<rlim_t>(next)};
    setrlimit(RLIMIT_NOFILE, &limit);
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
    if (argc > 1 && std::strcmp(argv[1], "--no-descriptors") == 0)
        UseUpDescriptors();
    const bool installed =
        InstallQuitSignalHandler([] { QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection); });
    Say(installed ? "installed" : "not installed");
    Say(TermBlockedInANewThread() ? "SIGTERM blocked in a new thread" : "SIGTERM reaches a new thread");
    QCoreApplication::exec();
    Say("shutting down");
    // Hangs, but not for ever: a test gone wrong leaves nothing behind.
    std::this_thread::sleep_for(std::chrono::seconds(60));
    Say("shut down");
    return 0;
}
