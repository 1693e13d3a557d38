#pragma once
// The library's log file: one line per call (time, call, device, result,
// detail). A kiosk makes two lines a frame, day and night, so the file is
// capped: past kMaxBytes it becomes "<path>.1" (replacing the older copy)
// and a new file starts. A file that cannot be written or rotated is
// reported once per path on standard error, not at every call or reconnect.
// Thread-safety: thread-safe, one mutex around the file.

#include <cstdio>
#include <mutex>
#include <string>

namespace hostedl {

class CallLog {
public:
    static constexpr long kMaxBytes = 10L * 1024 * 1024;

    // Replaces the current file; false when the new one cannot be opened
    // (logging then stops until the next successful Open).
    bool Open(const std::string& path);
    void Line(const char* call, int dev, int result, const std::string& detail);

private:
    void RotateLocked();
    void ReportLocked(const char* what);

    std::mutex mutex;
    std::FILE* file = nullptr;
    std::string path;
    long bytes = 0;          // the file's size as this process knows it
    bool reported = false;   // a failure of this path was reported
};

}  // namespace hostedl
