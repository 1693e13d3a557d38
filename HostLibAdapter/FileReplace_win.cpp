#include "HostLibAdapter/FileReplace.h"

#include <windows.h>

#include <atomic>
#include <string>

namespace {

std::wstring Wide(const std::string& utf8)
{
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &wide[0], length);
    wide.resize(static_cast<std::size_t>(length - 1));
    return wide;
}

std::string ErrorText(const char* step)
{
    return std::string(step) + ": Windows error " + std::to_string(GetLastError());
}

}  // namespace

bool ReplaceFileContents(const std::string& path, const char* data, std::size_t size, std::string& error)
{
    static std::atomic<unsigned> counter{0};
    const std::wstring target = Wide(path);
    const std::wstring temp =
        Wide(path + ".tmp-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++));
    if (target.empty() || temp.empty()) {
        error = "path is not valid UTF-8";
        return false;
    }
    // CREATE_NEW: a name that exists, reparse point or not, is never opened.
    HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = ErrorText("create");
        return false;
    }
    std::size_t written = 0;
    while (written < size) {
        const std::size_t rest = size - written;
        const DWORD chunk = rest > 0x40000000u ? 0x40000000u : static_cast<DWORD>(rest);
        DWORD n = 0;
        if (!WriteFile(file, data + written, chunk, &n, nullptr) || n == 0) {
            error = ErrorText("write");
            CloseHandle(file);
            DeleteFileW(temp.c_str());
            return false;
        }
        written += n;
    }
    if (!CloseHandle(file)) {
        error = ErrorText("close");
        DeleteFileW(temp.c_str());
        return false;
    }
    if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        error = ErrorText("rename");
        DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}
