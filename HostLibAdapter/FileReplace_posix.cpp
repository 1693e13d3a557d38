#include "HostLibAdapter/FileReplace.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace {

std::string ErrorText(const char* step, int code)
{
    return std::string(step) + ": " + std::generic_category().message(code);
}

}  // namespace

bool ReplaceFileContents(const std::string& path, const char* data, std::size_t size, std::string& error)
{
    static std::atomic<unsigned> counter{0};
    const std::string temp = path + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    // O_EXCL: a name that exists, symbolic link or not, is never opened.
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = ErrorText("create", errno);
        return false;
    }
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = write(fd, data + written, size - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = ErrorText("write", n < 0 ? errno : EIO);
            close(fd);
            unlink(temp.c_str());
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    if (close(fd) != 0) {
        error = ErrorText("close", errno);
        unlink(temp.c_str());
        return false;
    }
    // rename replaces a symbolic link at `path` itself, never its target.
    if (rename(temp.c_str(), path.c_str()) != 0) {
        error = ErrorText("rename", errno);
        unlink(temp.c_str());
        return false;
    }
    return true;
}
