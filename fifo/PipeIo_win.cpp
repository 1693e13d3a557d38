#include "fifo/PipeIo.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace pipeio {

namespace {

// WriteFile on a byte-mode pipe blocks until the server has read enough; a
// bounded chunk lets the cancel flag be looked at between chunks.
constexpr DWORD kWriteChunk = 64 * 1024;
constexpr DWORD kIdleSliceMs = 10;

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
    // fails here at once; no WaitNamedPipe.
    const HANDLE handle = CreateFileW(Widen(name).c_str(), desired, 0, nullptr, OPEN_EXISTING, 0, nullptr);
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

IoResult WriteAll(PipeHandle pipe, const void* data, std::size_t size, const std::atomic<bool>& cancel)
{
    IoResult result;
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (result.bytes < size) {
        if (cancel.load()) {
            result.end = IoEnd::Cancelled;
            return result;
        }
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - result.bytes, kWriteChunk));
        DWORD written = 0;
        if (!WriteFile(Native(pipe), bytes + result.bytes, chunk, &written, nullptr)) {
            const DWORD error = GetLastError();
            result.end = IsClosedError(error) ? IoEnd::Closed : IoEnd::Failed;
            result.error = static_cast<int>(error);
            return result;
        }
        result.bytes += written;
    }
    return result;
}

IoResult ReadAll(PipeHandle pipe, void* data, std::size_t size, const std::atomic<bool>& cancel, PipeHandle)
{
    // A named pipe is one connection: the server's end closing shows up here as
    // a broken pipe, so no second pipe needs watching.
    IoResult result;
    auto* bytes = static_cast<unsigned char*>(data);
    while (result.bytes < size) {
        if (cancel.load()) {
            result.end = IoEnd::Cancelled;
            return result;
        }
        DWORD available = 0;
        if (!PeekNamedPipe(Native(pipe), nullptr, 0, nullptr, &available, nullptr)) {
            const DWORD error = GetLastError();
            result.end = IsClosedError(error) ? IoEnd::Closed : IoEnd::Failed;
            result.error = static_cast<int>(error);
            return result;
        }
        if (available == 0) {
            Sleep(kIdleSliceMs);
            continue;
        }
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - result.bytes, available));
        DWORD got = 0;
        if (!ReadFile(Native(pipe), bytes + result.bytes, chunk, &got, nullptr)) {
            const DWORD error = GetLastError();
            result.end = IsClosedError(error) ? IoEnd::Closed : IoEnd::Failed;
            result.error = static_cast<int>(error);
            return result;
        }
        if (got == 0) {
            result.end = IoEnd::Closed;
            return result;
        }
        result.bytes += got;
    }
    return result;
}

std::size_t DiscardPending(PipeHandle pipe)
{
    if (pipe == kInvalidPipe)
        return 0;
    std::size_t dropped = 0;
    std::vector<unsigned char> scratch(kWriteChunk);
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(Native(pipe), nullptr, 0, nullptr, &available, nullptr) || available == 0)
            return dropped;
        DWORD got = 0;
        const DWORD chunk = std::min<DWORD>(available, kWriteChunk);
        if (!ReadFile(Native(pipe), scratch.data(), chunk, &got, nullptr) || got == 0)
            return dropped;
        dropped += got;
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
