#pragma once
// Where the program and its private files live: the only place that asks the
// operating system. AppPaths_posix.cpp and AppPaths_win.cpp implement it.

#include <string>

// The directory of the running executable, ending in "/"; "./" when the
// platform cannot tell.
std::string ExecutableDir();

// A directory that only this user can enter, created on first use and removed
// when the process ends; empty when it cannot be created.
std::string PrivateTempDir();

// The user's folder for configuration files, without a trailing "/"; empty
// when the user has none (no home folder).
std::string UserConfigDir();

// True for paths that do not depend on the working directory.
bool IsAbsolutePath(const std::string& path);

// `path` itself when absolute, else ExecutableDir() followed by `path`.
std::string FromExecutableDir(const std::string& path);
