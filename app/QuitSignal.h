#pragma once
// Turns the operating system's requests to end the program (SIGINT and SIGTERM
// on Linux, a console close on Windows) into one call of `onQuit`, made on the
// thread that runs the Qt event loop. QuitSignal_posix.cpp and
// QuitSignal_win.cpp implement it.

using QuitHandler = void (*)();

// Call once, after the QApplication exists. False if it could not be set up.
bool InstallQuitSignalHandler(QuitHandler onQuit);
