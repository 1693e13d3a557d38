#include "settings/AppPaths.h"

#include <windows.h>
#include <shlwapi.h>

#include <cstdlib>
#include <mutex>
#include <string>

std::string ExecutableDir()
{
    wchar_t wide[4096];
    const DWORD length = GetModuleFileNameW(nullptr, wide, 4096);
    if (length == 0 || length >= 4096)
        return "./";
    char narrow[4096];
    if (WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr) == 0)
        return "./";
    char full[4096];
    if (_fullpath(full, narrow, sizeof full) == nullptr)
        return "./";
    PathRemoveFileSpecA(full);
    return std::string(full) + "/";
}

std::string PrivateTempDir()
{
    static std::string dir;
    static std::once_flag once;
    std::call_once(once, [] {
        wchar_t base[MAX_PATH + 1];
        const DWORD length = GetTempPathW(MAX_PATH + 1, base);
        if (length == 0 || length > MAX_PATH)
            return;
        std::wstring path = std::wstring(base) + L"VireoOWL-" + std::to_wstring(GetCurrentProcessId());
        if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return;
        char narrow[4096];
        if (WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, narrow, sizeof narrow, nullptr, nullptr) == 0)
            return;
        dir = narrow;
        for (char& c : dir)
            if (c == '\\')
                c = '/';
    });
    return dir;
}

std::string UserConfigDir()
{
    wchar_t wide[MAX_PATH + 1];
    const DWORD length = GetEnvironmentVariableW(L"APPDATA", wide, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH)
        return {};
    char narrow[4096];
    if (WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr) == 0)
        return {};
    std::string dir = narrow;
    for (char& c : dir)
        if (c == '\\')
            c = '/';
    while (!dir.empty() && dir.back() == '/')
        dir.pop_back();
    return dir;
}

bool IsAbsolutePath(const std::string& path)
{
    // A drive letter ("C:/") or a network share ("//server/") in front.
    return path.size() >= 2 && ((path[1] == ':') || ((path[0] == '\\' || path[0] == '/') && path[0] == path[1]));
}

std::string FromExecutableDir(const std::string& path)
{
    return IsAbsolutePath(path) ? path : ExecutableDir() + path;
}
