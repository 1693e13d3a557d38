#pragma once
// What every benchmark prints: one summary line per figure,
//   BENCH <name> <value> <unit> goal <op> <goal> <PASS|MISS>
// A MISS is reported, never hidden; benchmarks are measurements, not tests.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <vector>

inline void ReportBench(const char* name, double value, const char* unit, const char* op, double goal)
{
    const bool pass = std::strcmp(op, "<=") == 0 ? value <= goal : value >= goal;
    std::printf("BENCH %s %.3f %s goal %s %g %s\n", name, value, unit, op, goal, pass ? "PASS" : "MISS");
    std::fflush(stdout);
}

// `--short`: a few seconds per figure, for CI.
inline bool IsShortRun(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--short") == 0)
            return true;
    return false;
}

using BenchClock = std::chrono::steady_clock;

inline double MillisecondsSince(BenchClock::time_point start)
{
    return std::chrono::duration<double, std::milli>(BenchClock::now() - start).count();
}

// CPU time of the calling thread: what a figure costs on a shared, noisy
// machine, where wall time also counts other processes' turns.
inline double ThreadCpuMilliseconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// Wall time of `work`, for work that waits (pipes, other threads).
inline double WallMs(const std::function<void()>& work)
{
    const auto start = BenchClock::now();
    work();
    return MillisecondsSince(start);
}

// CPU time of `work` on this thread: for work that never waits, load from
// other processes then hardly moves the figure.
inline double CpuMs(const std::function<void()>& work)
{
    const double start = ThreadCpuMilliseconds();
    work();
    return ThreadCpuMilliseconds() - start;
}
