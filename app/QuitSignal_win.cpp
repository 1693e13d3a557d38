#include "QuitSignal.h"

#include <windows.h>

namespace {

QuitHandler handler = nullptr;

// Runs on a thread of its own that the system starts; the handler posts to
// the event loop, so it is safe from there.
BOOL WINAPI OnConsoleEvent(DWORD event)
{
    if (handler == nullptr || (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT))
        return FALSE;
    handler();
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
