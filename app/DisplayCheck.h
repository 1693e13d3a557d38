#pragma once
// Whether the window will find a screen. Qt ends the process with abort()
// when its platform plugin cannot connect to a display, which tells a user
// who started the program over ssh or from a service nothing useful; this
// check runs first and says what to do instead. DisplayCheck_posix.cpp and
// DisplayCheck_win.cpp implement it.

#include <string>

// Empty when a display is there, or when only Qt can tell; otherwise the
// advice to print before ending with exit status 1. Reads what Qt reads:
// DISPLAY and QT_QPA_PLATFORM (the program passes Qt no options).
std::string MissingDisplayAdvice(const std::string& program);

// Prints the advice to standard error when there is any; false then.
bool DisplayFound(const char* program);
