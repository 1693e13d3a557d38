#include "settings/AppPaths.h"

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <pwd.h>
#include <unistd.h>
#include <vector>

std::string ExecutableDir()
{
    char resolved[PATH_MAX];
    if (realpath("/proc/self/exe", resolved) == nullptr)
        return "./";
    std::string path(resolved);
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

namespace {

// Removes the directory and what the program left in it at exit.
struct TempDir {
    std::string path;
    ~TempDir()
    {
        if (!path.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    }
};

}  // namespace

std::string PrivateTempDir()
{
    static TempDir dir;
    static std::once_flag once;
    std::call_once(once, [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = (base != nullptr && *base != '\0') ? base : "/tmp";
        pattern += "/vireo-owl-XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr)  // mode 0700
            dir.path = pattern;
    });
    return dir.path;
}

namespace {

// Relative values are ignored, as the XDG base directory rules ask.
std::string AbsoluteEnv(const char* name)
{
    const char* value = std::getenv(name);
    return (value != nullptr && value[0] == '/') ? value : std::string();
}

// A service started without HOME still has an entry in the password file.
std::string HomeDir()
{
    std::string home = AbsoluteEnv("HOME");
    if (!home.empty())
        return home;
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr
        && found->pw_dir != nullptr && found->pw_dir[0] == '/')
        home = found->pw_dir;
    return home;
}

std::string WithoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

}  // namespace

std::string UserConfigDir()
{
    const std::string xdg = AbsoluteEnv("XDG_CONFIG_HOME");
    if (!xdg.empty())
        return WithoutTrailingSlashes(xdg);
    const std::string home = WithoutTrailingSlashes(HomeDir());
    if (home.empty())
        return {};
    return (home == "/" ? "" : home) + "/.config";
}

bool IsAbsolutePath(const std::string& path)
{
    return !path.empty() && path.front() == '/';
}

std::string FromExecutableDir(const std::string& path)
{
    return IsAbsolutePath(path) ? path : ExecutableDir() + path;
}
