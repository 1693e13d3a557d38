#pragma once
// The window's side of the statistics: it records what reaches the screen
// into the stage recorder, and logs the VIREO_STATS line from it once a
// second (tools and tests watch a running program through that line).

#include "pipeline/StageRecorder.h"

#include <QElapsedTimer>
#include <QtDebug>

#include <cstdint>

// Thread-safety: GUI thread only.
class FrameStats {
public:
    using Clock = StageRecorder::Clock;

    void FrameShown(Clock::time_point captured)
    {
        recorder.framesShown.fetch_add(1, std::memory_order_relaxed);
        if (captured != Clock::time_point())
            recorder.Record(Stage::CaptureToDisplay, captured);
    }

    // A frame or a device answer that brought something to draw.
    void ResultsShown() { recorder.results.fetch_add(1, std::memory_order_relaxed); }

    void Report()
    {
        const double seconds = sinceReport.isValid() ? sinceReport.restart() / 1000.0 : 0;
        if (!sinceReport.isValid())
            sinceReport.start();
        const std::uint64_t shown = recorder.framesShown.load(std::memory_order_relaxed);
        if (seconds <= 0) {
            shownAtReport = shown;
            return;
        }
        const StageSummary latency = recorder.Recent(Stage::CaptureToDisplay, std::chrono::milliseconds(1000));
        qInfo().noquote() << QStringLiteral("[Stats] shown %1 frames, %2 fps, %3 with results, %4 read, capture to display %5 ms")
                                 .arg(shown)
                                 .arg((shown - shownAtReport) / seconds, 0, 'f', 1)
                                 .arg(recorder.results.load(std::memory_order_relaxed))
                                 .arg(recorder.framesRead.load(std::memory_order_relaxed))
                                 .arg(latency.medianMs, 0, 'f', 1);
        shownAtReport = shown;
    }

private:
    StageRecorder& recorder = StageRecorder::Instance();
    std::uint64_t shownAtReport = 0;
    QElapsedTimer sinceReport;
};
