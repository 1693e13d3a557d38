#pragma once
// Turns the operating system's requests to end the program (SIGINT and SIGTERM
// on Linux, a console close on Windows) into one call of `onQuit`, made on the
// thread that runs the Qt event loop. A second request, while the orderly
// shutdown that the first one began is still under way (it may hang on a
// stuck device or peer), ends the process at once with a line saying so.
// QuitSignal_posix.cpp and QuitSignal_win.cpp implement it.

using QuitHandler = void (*)();

// Call first in main: a request that arrives while the program is still
// starting is held back until the handler is installed, instead of killing
// the process half-started. (On Linux it also keeps SIGXFSZ from ending the
// program: a write beyond the file size limit just fails.)
void DeferQuitSignals();

// Call once, after the QApplication exists and before any thread starts.
// False if it could not be set up; the requests then end the program as the
// system does by default, unheld.
bool InstallQuitSignalHandler(QuitHandler onQuit);
