#pragma once
// Replacing a file's contents all at once: the only file-system writes of the
// device back-end. FileReplace_posix.cpp and FileReplace_win.cpp implement it.

#include <cstddef>
#include <string>

// Writes `size` bytes of `data` to a new file beside `path` and renames it
// over `path`, so readers see the old contents or the new, never a part. A
// symbolic link at either name is never followed. False, with `error` set
// and `path` untouched, when any step fails.
bool ReplaceFileContents(const std::string& path, const char* data, std::size_t size, std::string& error);
