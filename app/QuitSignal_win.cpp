#include "QuitSignal.h"

#include <windows.h>

#include <atomic>

namespace {

QuitHandler handler = nullptr;
std::atomic<int> requests{0};

// Runs on a thread of its own that the system starts; the handler posts to
// the event loop, so it is safe from there.
BOOL WINAPI OnConsoleEvent(DWORD event)
{
    if (handler == nullptr || (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT))
        return FALSE;
    if (requests.fetch_add(1) == 0) {
        handler();
        return TRUE;
    }
    static const char kLine[] = "[MainWindow] a second request to end during the shutdown: ending at once, without finishing it\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), kLine, sizeof kLine - 1, &written, nullptr);
    // Not ExitProcess: it would wait for the very threads the shutdown is stuck on.
    TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
    return TRUE;
}

}  // namespace

void DeferQuitSignals()
{
    // Console events arrive on a thread of their own once the handler is
    // installed; until then Windows ends the process as it always does.
}

bool InstallQuitSignalHandler(QuitHandler onQuit)
{
    handler = onQuit;
    return SetConsoleCtrlHandler(OnConsoleEvent, TRUE) != 0;
}
