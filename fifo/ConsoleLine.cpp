#include "ConsoleLine.h"

#include <cstdio>

namespace {

constexpr auto kQuietPeriod = std::chrono::seconds(1);

}  // namespace

void PrintLine(const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void RateLimitedLine::Report(const std::string& line)
{
    const auto now = std::chrono::steady_clock::now();
    if (printedAny && line == lastLine && now - lastPrinted < kQuietPeriod) {
        ++suppressed;
        return;
    }
    if (suppressed > 0 && line == lastLine)
        PrintLine(line + " (repeated " + std::to_string(suppressed) + " times since the last report)");
    else if (suppressed > 0)
        PrintLine(lastLine + " (repeated " + std::to_string(suppressed) + " more times)\n" + line);
    else
        PrintLine(line);
    printedAny = true;
    lastPrinted = now;
    lastLine = line;
    suppressed = 0;
}

void RateLimitedLine::Reset()
{
    printedAny = false;
    suppressed = 0;
}
