#pragma once
// How the window keeps up: frames shown per second and how old they are when
// shown, logged once a second when VIREO_STATS is set.

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

    void Report()
    {
        const double seconds = sinceReport.isValid() ? sinceReport.restart() / 1000.0 : 0;
        if (!sinceReport.isValid())
            sinceReport.start();
        if (seconds <= 0)
            return;
        qInfo().noquote() << QStringLiteral("[Stats] shown %1 frames, %2 fps, capture to display %3 ms")
                                 .arg(shownTotal)
                                 .arg(shownSinceReport / seconds, 0, 'f', 1)
                                 .arg(shownSinceReport ? latencyMsSum / shownSinceReport : 0.0, 0, 'f', 1);
        shownSinceReport = 0;
        latencyMsSum = 0;
    }

private:
    std::uint64_t shownTotal = 0;
    std::uint64_t shownSinceReport = 0;
    double latencyMsSum = 0;
    QElapsedTimer sinceReport;
};
