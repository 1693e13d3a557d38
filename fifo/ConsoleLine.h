#pragma once
// Lines on standard output, where the pipe back-end reports (not the window).

#include <chrono>
#include <string>

// Writes `line` and a line end to standard output and flushes.
void PrintLine(const std::string& line);

// A failure that may repeat every frame: the same line is printed at most
// once a second, with the number of repeats left out since it was printed.
// Thread-safety: one thread uses an instance.
class RateLimitedLine {
public:
    void Report(const std::string& line);
    // Forgets the count: the next failure after a success prints at once.
    void Reset();

private:
    std::chrono::steady_clock::time_point lastPrinted{};
    std::string lastLine;
    bool printedAny = false;
    unsigned suppressed = 0;
};
