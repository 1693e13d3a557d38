#pragma once
// How the window keeps up: frames shown per second, how old they are when
// shown, and how many brought results, logged once a second when VIREO_STATS
// is set (tools and tests watch a running program through it).

#include <QElapsedTimer>
#include <QtDebug>

#include <chrono>
#include <cstdint>

// Thread-safety: GUI thread only.
class FrameStats {
public:
    using Clock = std::chrono::steady_clock;

    void FrameShown(Clock::time_point captured)
    {
        ++shownTotal;
        ++shownSinceReport;
        if (captured != Clock::time_point())
            latencyMsSum += std::chrono::duration<double, std::milli>(Clock::now() - captured).count();
    }

    // A frame or a device answer that brought something to draw.
    void ResultsShown() { ++resultsTotal; }

    void Report()
    {
        const double seconds = sinceReport.isValid() ? sinceReport.restart() / 1000.0 : 0;
        if (!sinceReport.isValid())
            sinceReport.start();
        if (seconds <= 0)
            return;
        qInfo().noquote() << QStringLiteral("[Stats] shown %1 frames, %2 fps, %3 with results, capture to display %4 ms")
                                 .arg(shownTotal)
                                 .arg(shownSinceReport / seconds, 0, 'f', 1)
                                 .arg(resultsTotal)
                                 .arg(shownSinceReport ? latencyMsSum / shownSinceReport : 0.0, 0, 'f', 1);
        shownSinceReport = 0;
        latencyMsSum = 0;
    }

private:
    std::uint64_t shownTotal = 0;
    std::uint64_t shownSinceReport = 0;
    std::uint64_t resultsTotal = 0;
    double latencyMsSum = 0;
    QElapsedTimer sinceReport;
};
