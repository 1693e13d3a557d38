#include "fifo/PipeIo.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace pipeio {

namespace {

// Overlapped transfers are waited for in slices, so the cancel flag and the
// limits are looked at while the other side is silent; CancelIoEx then ends
// the transfer, so no thread stays stuck in a write to a detector that has
// stopped reading.
constexpr DWORD kChunk = 64 * 1024;

HANDLE Native(PipeHandle pipe)
{
    return reinterpret_cast<HANDLE>(pipe);
}

bool IsClosedError(DWORD error)
{
    return error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA || error == ERROR_PIPE_NOT_CONNECTED;
}

std::wstring Widen(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (length <= 0) {  // not UTF-8: widen byte by byte, as for plain ASCII names
        std::wstring bytes;
        for (const char c : text)
            bytes += static_cast<wchar_t>(static_cast<unsigned char>(c));
        return bytes;
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, &wide[0], length);
    return wide;
}

// The time the other side has left to move the next byte.
class ProgressDeadline {
public:
    explicit ProgressDeadline(WaitLimits limits) : limits(limits), due(Now() + Ms(limits.firstByte)) {}

    void Moved() { due = Now() + Ms(limits.stall); }
    bool Passed() const { return Now() >= due; }
    DWORD SliceMs() const
    {
        const ULONGLONG now = Now();
        const ULONGLONG left = due > now ? due - now : 0;
        return static_cast<DWORD>(std::min<ULONGLONG>(left + 1, kCancelSliceMs));
    }

private:
    static ULONGLONG Now() { return GetTickCount64(); }
    static ULONGLONG Ms(std::chrono::milliseconds limit) { return static_cast<ULONGLONG>(std::max<long long>(limit.count(), 0)); }

    WaitLimits limits;
    ULONGLONG due;
};

// One overlapped ReadFile or WriteFile of up to `size` bytes, waited for
// within `deadline` and `cancel`; an abandoned one is cancelled and reaped
// before the buffer goes.
IoResult TransferOnce(HANDLE handle, void* data, DWORD size, bool write, const std::atomic<bool>& cancel,
                      const ProgressDeadline& deadline)
{
    IoResult result;
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (overlapped.hEvent == nullptr) {
        result.end = IoEnd::Failed;
        result.error = static_cast<int>(GetLastError());
        return result;
    }
    DWORD moved = 0;
    const BOOL done = write ? WriteFile(handle, data, size, &moved, &overlapped)
                            : ReadFile(handle, data, size, &moved, &overlapped);
    DWORD error = done ? ERROR_SUCCESS : GetLastError();
    if (!done && error == ERROR_IO_PENDING) {
        for (;;) {
            const DWORD waited = WaitForSingleObject(overlapped.hEvent, deadline.SliceMs());
            if (waited == WAIT_OBJECT_0)
                break;
            if (waited != WAIT_TIMEOUT || cancel.load() || deadline.Passed()) {
                CancelIoEx(handle, &overlapped);
                break;
            }
        }
        error = GetOverlappedResult(handle, &overlapped, &moved, TRUE) ? ERROR_SUCCESS : GetLastError();
    } else if (done) {
        GetOverlappedResult(handle, &overlapped, &moved, TRUE);
    }
    CloseHandle(overlapped.hEvent);
    result.bytes = moved;
    if (error == ERROR_OPERATION_ABORTED) {
        result.end = cancel.load() ? IoEnd::Cancelled : IoEnd::TimedOut;
    } else if (error != ERROR_SUCCESS) {
        result.end = IsClosedError(error) ? IoEnd::Closed : IoEnd::Failed;
        result.error = static_cast<int>(error);
    } else if (moved == 0 && size > 0) {
        result.end = IoEnd::Closed;
    }
    return result;
}

IoResult TransferAll(PipeHandle pipe, void* data, std::size_t size, bool write, const std::atomic<bool>& cancel,
                     WaitLimits limits)
{
    IoResult result;
    ProgressDeadline deadline(limits);
    auto* bytes = static_cast<unsigned char*>(data);
    while (result.bytes < size) {
        if (cancel.load()) {
            result.end = IoEnd::Cancelled;
            return result;
        }
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - result.bytes, kChunk));
        const IoResult step = TransferOnce(Native(pipe), bytes + result.bytes, chunk, write, cancel, deadline);
        result.bytes += step.bytes;
        if (step.bytes > 0)
            deadline.Moved();
        if (step.end != IoEnd::Complete) {
            result.end = step.end;
            result.error = step.error;
            return result;
        }
    }
    return result;
}

}  // namespace

std::string PipePath(const std::string& name)
{
    return name;
}

OpenResult OpenPipe(const std::string& name, PipeAccess access)
{
    OpenResult result;
    const DWORD desired = access == PipeAccess::Write ? GENERIC_WRITE : GENERIC_READ;
    // A missing pipe (ERROR_FILE_NOT_FOUND) or a busy one (ERROR_PIPE_BUSY)
    // fails here at once; no WaitNamedPipe. Overlapped, so every transfer
    // can be waited for in slices and cancelled.
    const HANDLE handle =
        CreateFileW(Widen(name).c_str(), desired, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        result.error = static_cast<int>(GetLastError());
        return result;
    }
    if (GetFileType(handle) != FILE_TYPE_PIPE) {
        CloseHandle(handle);
        result.error = ERROR_INVALID_NAME;
        result.refusal = "\"" + name + "\" is not a named pipe; it is left alone";
        return result;
    }
    result.handle = reinterpret_cast<PipeHandle>(handle);
    return result;
}

IoResult WriteAll(PipeHandle pipe, const void* data, std::size_t size, const std::atomic<bool>& cancel,
                  WaitLimits limits)
{
    return TransferAll(pipe, const_cast<void*>(data), size, true, cancel, limits);
}

// A named pipe is one connection: the server's end closing shows up here as
// a broken pipe, so no second pipe needs watching.
IoResult ReadAll(PipeHandle pipe, void* data, std::size_t size, const std::atomic<bool>& cancel, WaitLimits limits,
                 PipeHandle)
{
    return TransferAll(pipe, data, size, false, cancel, limits);
}

std::size_t DiscardPending(PipeHandle pipe)
{
    if (pipe == kInvalidPipe)
        return 0;
    std::size_t dropped = 0;
    std::vector<unsigned char> scratch(kChunk);
    const std::atomic<bool> never{false};
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(Native(pipe), nullptr, 0, nullptr, &available, nullptr) || available == 0)
            return dropped;
        // The bytes are there: the read completes at once.
        const IoResult got = TransferOnce(Native(pipe), scratch.data(), std::min<DWORD>(available, kChunk), false,
                                          never, ProgressDeadline({std::chrono::milliseconds(kCancelSliceMs),
                                                                   std::chrono::milliseconds(kCancelSliceMs)}));
        if (got.bytes == 0)
            return dropped;
        dropped += got.bytes;
    }
}

void ClosePipe(PipeHandle& pipe)
{
    if (pipe == kInvalidPipe)
        return;
    CloseHandle(Native(pipe));
    pipe = kInvalidPipe;
}

}  // namespace pipeio
