#include "settings/AppPaths.h"

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <unistd.h>

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

bool IsAbsolutePath(const std::string& path)
{
    return !path.empty() && path.front() == '/';
}

std::string FromExecutableDir(const std::string& path)
{
    return IsAbsolutePath(path) ? path : ExecutableDir() + path;
}
