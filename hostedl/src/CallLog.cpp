#include "CallLog.h"

#include <chrono>
#include <ctime>

namespace hostedl {

bool CallLog::Open(const std::string& path)
{
    std::FILE* next = std::fopen(path.c_str(), "a");
    std::lock_guard<std::mutex> lock(mutex);
    if (file != nullptr) std::fclose(file);
    file = next;
    return file != nullptr;
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
    std::fprintf(file, "%s.%03ld edl_%s dev=%d result=%d%s%s\n", stamp, millis, call, dev, result,
                 detail.empty() ? "" : " ", detail.c_str());
    std::fflush(file);
}

}  // namespace hostedl
