#pragma once
// The library's log file: one line per call (time, call, device, result,
// detail). Thread-safe: one mutex around the file.

#include <cstdio>
#include <mutex>
#include <string>

namespace hostedl {

class CallLog {
public:
    // Replaces the current file; false when the new one cannot be opened
    // (logging then stops until the next successful Open).
    bool Open(const std::string& path);
    void Line(const char* call, int dev, int result, const std::string& detail);

private:
    std::mutex mutex;
    std::FILE* file = nullptr;
};

}  // namespace hostedl
