#pragma once
// The operating system's named pipes, seen from the client side: the only
// place in the pipe back-end that calls the system. PipeIo_posix.cpp (FIFOs)
// and PipeIo_win.cpp (named pipes) implement it. Plain C++ only: the Windows
// file is checked with a cross compiler that has no Qt or OpenCV.
//
// SIGPIPE (POSIX): a write to a pipe whose reader has gone must not end the
// program. WriteAll blocks SIGPIPE in the calling thread for the duration of
// the write and consumes the one that the failed write raised; the process's
// signal dispositions are never changed.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace pipeio {

// A file descriptor or a Windows HANDLE, whichever the platform uses.
using PipeHandle = std::intptr_t;
constexpr PipeHandle kInvalidPipe = -1;

// How long a wait may go without looking at the cancel flag.
constexpr int kCancelSliceMs = 50;

enum class PipeAccess { Write, Read };

enum class IoEnd {
    Complete,   // every byte was moved
    Closed,     // the other side went away (end of file, broken pipe)
    Failed,     // a system call failed; `error` says why
    Cancelled,  // the cancel flag was raised before the last byte moved
    TimedOut,   // the other side let a limit of WaitLimits pass without moving a byte
};

// How long a transfer waits for the other side. A peer that dies and is
// restarted at once can reopen a pipe before its old end-of-file is seen, so
// only a limit tells a lost peer from a slow one.
struct WaitLimits {
    std::chrono::milliseconds firstByte;  // from the call until the first byte moves
    std::chrono::milliseconds stall;      // between two moves after that
};

struct IoResult {
    std::size_t bytes = 0;  // moved before the end
    IoEnd end = IoEnd::Complete;
    int error = 0;          // errno or GetLastError; 0 at end of file and on cancel
};

struct OpenResult {
    PipeHandle handle = kInvalidPipe;
    int error = 0;          // errno or GetLastError when the open failed
    std::string refusal;    // set when the path exists but is not a pipe
    bool Ok() const { return handle != kInvalidPipe; }
};

// Where a pipe name lives: "\\.\pipe\NAME" is the platform's place for named
// pipes ($XDG_RUNTIME_DIR/NAME, else /tmp/NAME, on POSIX); any other name is a
// path used as it is.
std::string PipePath(const std::string& name);

// Opens an existing pipe without waiting: a missing pipe or one that nobody
// serves fails at once. Anything that is not a pipe (a regular file, a
// directory, a symbolic link) is refused and never written to.
OpenResult OpenPipe(const std::string& name, PipeAccess access);

// Writes all `size` bytes, waiting while the reader takes them within
// `limits`, in slices so that `cancel` is seen within kCancelSliceMs.
IoResult WriteAll(PipeHandle pipe, const void* data, std::size_t size, const std::atomic<bool>& cancel,
                  WaitLimits limits);

// Reads exactly `size` bytes, waiting while the writer sends within `limits`.
// A pipe opened before its writer arrived is waited on, not taken as ended.
// `peer` is the pipe that carries requests to the same process: once its
// reader is gone and nothing more arrives within a second, the read ends as
// Closed, so a detector that dies before it ever answers is not waited for.
IoResult ReadAll(PipeHandle pipe, void* data, std::size_t size, const std::atomic<bool>& cancel,
                 WaitLimits limits, PipeHandle peer = kInvalidPipe);

// Reads and drops whatever is waiting in `pipe` without blocking; returns the
// number of bytes dropped.
std::size_t DiscardPending(PipeHandle pipe);

// Closes a valid handle and marks it invalid; an invalid one is left alone.
void ClosePipe(PipeHandle& pipe);

}  // namespace pipeio
