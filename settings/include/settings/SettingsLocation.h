#pragma once
// Which settings file the program uses when none is named on its command line.

#include <string>

// A tree with a jsonconfig/ folder beside bin/ (the build tree, a tree laid
// out by hand) keeps its settings there, as it always has. An installed
// program has none and keeps them in the user's configuration folder, so
// nobody, not even root, writes into the installed files and every user has
// their own.
std::string DefaultSettingsPath();

// The same choice for a program in `executableDir` (ending in "/") and a
// user configuration folder `configDir` (empty when the user has none: the
// settings then live in the private temporary folder for this run only, and
// a line says so).
std::string ChooseSettingsPath(const std::string& executableDir, const std::string& configDir);
