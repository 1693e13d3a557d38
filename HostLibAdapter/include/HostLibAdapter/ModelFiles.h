#pragma once
// Reading model, setup and firmware files whole, and splitting a user's
// single model file into the setup and model image the dongle takes.

#include <QString>

#include <functional>
#include <string>

// Receives the "[Host Lib] ..." lines meant for the device panel.
using MessageFn = std::function<void(const QString&)>;

// Reads the whole file at `path` into `buf` (room for `maxSize` bytes) and
// returns the number of bytes read, or -1: null arguments, a file that cannot
// be opened or is not a regular file, a read error, or a file longer than
// `maxSize` (also one that grows past it while read; `buf` is never written
// past `maxSize`). A relative path is taken from the executable's directory.
// Messages go to standard output.
int ReadFileToBuffer(char* buf, const char* path, int maxSize);

// The user model file: a 68-byte setup at 0, the model image from byte 4096
// up to the last 4 bytes.
constexpr long long kUserSetupSize = 68;
constexpr long long kUserModelOffset = 4096;
constexpr long long kUserTrailerSize = 4;

// Writes the setup and model image of the user model file `ModelPath` to
// "fw_info.bin" and "all_models.bin" in `outputDir` (each replaced whole) and
// returns their paths. False, with a message through `msg`, when the file is
// missing, not a regular file, not named "*.bin", unreadable, 4099 bytes or
// shorter, holds a model image over 20 MiB, or an output cannot be written.
bool SplitModelFile(const std::string& ModelPath, std::string& FwInfoPath, std::string& AllModelsPath,
                    const std::string& outputDir, const MessageFn& msg);
