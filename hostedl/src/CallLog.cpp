#include "CallLog.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>

namespace hostedl {

namespace {

// The size the file already has: runs append to the same log.
long SizeOf(std::FILE* file)
{
    if (std::fseek(file, 0, SEEK_END) != 0)
        return 0;
    const long size = std::ftell(file);
    return size > 0 ? size : 0;
}

}  // namespace

bool CallLog::Open(const std::string& next)
{
    std::FILE* opened = std::fopen(next.c_str(), "a");
    const int error = errno;
    std::lock_guard<std::mutex> lock(mutex);
    if (file != nullptr)
        std::fclose(file);
    file = opened;
    if (next != path)
        reported = false;
    path = next;
    if (file == nullptr) {
        errno = error;
        ReportLocked("cannot be written");
        return false;
    }
    bytes = SizeOf(file);
    return true;
}

void CallLog::Line(const char* call, int dev, int result, const std::string& detail)
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const long millis = static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);

    std::lock_guard<std::mutex> lock(mutex);
    if (file == nullptr) return;
    if (bytes >= kMaxBytes) {
        RotateLocked();
        if (file == nullptr) return;
    }
    const int written = std::fprintf(file, "%s.%03ld edl_%s dev=%d result=%d%s%s\n", stamp, millis, call, dev,
                                     result, detail.empty() ? "" : " ", detail.c_str());
    if (written > 0) bytes += written;
    std::fflush(file);
}

void CallLog::RotateLocked()
{
    std::fclose(file);
    file = nullptr;
    const std::string old = path + ".1";
    // Without the rename the file would only grow, so logging stops instead.
    if (std::rename(path.c_str(), old.c_str()) != 0) {
        ReportLocked("cannot be rotated");
        return;
    }
    file = std::fopen(path.c_str(), "a");
    if (file == nullptr) {
        ReportLocked("cannot be written");
        return;
    }
    bytes = SizeOf(file);
}

void CallLog::ReportLocked(const char* what)
{
    if (reported) return;
    reported = true;
    std::fprintf(stderr, "hostedl: the log %s %s (%s); the library's calls are not logged\n", path.c_str(), what,
                 std::strerror(errno));
}

}  // namespace hostedl
