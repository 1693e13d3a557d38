#pragma once
// How long each stage of a frame's road takes, measured where it happens:
// one process-wide recorder that the statistics overlay, the VIREO_STATS line
// and the report at exit read. Header only: the back-ends record into it
// without depending on the pipeline.

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <vector>

enum class Stage {
    CaptureRead,       // reading (decoding) one frame from the source
    SlotWait,          // a published frame waiting for the inference worker
    Encode,            // resize, PNG, Base64 and request text for the detector
    RequestWrite,      // the request into the pipe
    DetectorAnswer,    // from the request written to the answer read
    DeviceInference,   // the dongle's inference call
    Display,           // the window's work for one picture
    CaptureToDisplay,  // from the frame's hand-over to its picture on screen
    Count
};

const char* StageName(Stage stage);

struct StageSummary {
    std::uint64_t count = 0;
    double medianMs = 0;
    double p95Ms = 0;
    double maxMs = 0;
};

// Thread-safety: each stage is recorded by one thread at a time (the thread
// where it happens); any thread reads, without locks. A reader may see a
// sample half written: the figures are for people, not for decisions.
class StageRecorder {
public:
    using Clock = std::chrono::steady_clock;

    static StageRecorder& Instance()
    {
        static StageRecorder recorder;
        return recorder;
    }

    void Record(Stage stage, Clock::duration took)
    {
        const std::uint64_t us = static_cast<std::uint64_t>(
            std::max<std::int64_t>(0, std::chrono::duration_cast<std::chrono::microseconds>(took).count()));
        Series& s = series[static_cast<std::size_t>(stage)];
        s.buckets[BucketOf(us)].fetch_add(1, std::memory_order_relaxed);
        s.count.fetch_add(1, std::memory_order_relaxed);
        if (us > s.maxUs.load(std::memory_order_relaxed))
            s.maxUs.store(us, std::memory_order_relaxed);
        const std::uint64_t slot = s.next.fetch_add(1, std::memory_order_relaxed) % kRecent;
        s.recentAt[slot].store(NowUs(), std::memory_order_relaxed);
        s.recentUs[slot].store(us, std::memory_order_relaxed);
    }
    void Record(Stage stage, Clock::time_point since) { Record(stage, Clock::now() - since); }

    // The whole run: the median and 95th percentile to within 7 % (the width
    // of a histogram bucket), the maximum exact.
    StageSummary Summary(Stage stage) const
    {
        const Series& s = series[static_cast<std::size_t>(stage)];
        StageSummary summary;
        std::array<std::uint64_t, kBuckets> counts{};
        for (std::size_t i = 0; i < kBuckets; ++i) {
            counts[i] = s.buckets[i].load(std::memory_order_relaxed);
            summary.count += counts[i];
        }
        summary.maxMs = s.maxUs.load(std::memory_order_relaxed) / 1000.0;
        if (summary.count == 0)
            return summary;
        summary.medianMs = std::min(summary.maxMs, Quantile(counts, summary.count, 0.5));
        summary.p95Ms = std::min(summary.maxMs, Quantile(counts, summary.count, 0.95));
        return summary;
    }

    // The samples of the last `window`, exact.
    StageSummary Recent(Stage stage, std::chrono::milliseconds window) const
    {
        const Series& s = series[static_cast<std::size_t>(stage)];
        const std::uint64_t since = NowUs() - static_cast<std::uint64_t>(window.count()) * 1000;
        std::vector<std::uint64_t> values;
        values.reserve(kRecent);
        for (std::size_t i = 0; i < kRecent; ++i) {
            const std::uint64_t at = s.recentAt[i].load(std::memory_order_relaxed);
            if (at != 0 && at >= since)
                values.push_back(s.recentUs[i].load(std::memory_order_relaxed));
        }
        StageSummary summary;
        summary.count = values.size();
        if (values.empty())
            return summary;
        std::sort(values.begin(), values.end());
        summary.medianMs = values[values.size() / 2] / 1000.0;
        summary.p95Ms = values[std::min(values.size() - 1, values.size() * 95 / 100)] / 1000.0;
        summary.maxMs = values.back() / 1000.0;
        return summary;
    }

    // Frames read, shown (and dropped between), and answers that brought results.
    std::atomic<std::uint64_t> framesRead{0};
    std::atomic<std::uint64_t> framesShown{0};
    std::atomic<std::uint64_t> framesDropped{0};
    std::atomic<std::uint64_t> results{0};
    // Shown pictures handed to the recording, and those it dropped because its encoder lagged.
    std::atomic<std::uint64_t> picturesRecorded{0};
    std::atomic<std::uint64_t> recordingDropped{0};

    // Forgets everything; for tests and benchmarks.
    void Reset()
    {
        for (Series& s : series) {
            for (auto& b : s.buckets)
                b.store(0);
            s.count.store(0);
            s.maxUs.store(0);
            s.next.store(0);
            for (std::size_t i = 0; i < kRecent; ++i)
                s.recentAt[i].store(0);
        }
        framesRead.store(0);
        framesShown.store(0);
        framesDropped.store(0);
        results.store(0);
        picturesRecorded.store(0);
        recordingDropped.store(0);
    }

private:
    // Bucket i holds durations from 10 us x 1.15^(i-1) up to 10 us x 1.15^i:
    // 128 buckets reach past a minute.
    static constexpr std::size_t kBuckets = 128;
    static constexpr double kFirstUs = 10;
    static constexpr double kGrowth = 1.15;
    // Enough samples for the last two seconds of a 60 fps stage.
    static constexpr std::size_t kRecent = 128;

    struct Series {
        std::array<std::atomic<std::uint64_t>, kBuckets> buckets{};
        std::atomic<std::uint64_t> count{0};
        std::atomic<std::uint64_t> maxUs{0};
        std::atomic<std::uint64_t> next{0};
        std::array<std::atomic<std::uint64_t>, kRecent> recentAt{};
        std::array<std::atomic<std::uint64_t>, kRecent> recentUs{};
    };

    static std::uint64_t NowUs()
    {
        return static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch()).count());
    }
    static std::size_t BucketOf(std::uint64_t us)
    {
        if (us < kFirstUs)
            return 0;
        const double i = std::log(us / kFirstUs) / std::log(kGrowth) + 1;
        return std::min<std::size_t>(kBuckets - 1, static_cast<std::size_t>(i));
    }
    // The geometric middle of the bucket that holds the `q` quantile.
    static double Quantile(const std::array<std::uint64_t, kBuckets>& counts, std::uint64_t total, double q)
    {
        const std::uint64_t rank = static_cast<std::uint64_t>(std::ceil(q * total));
        std::uint64_t seen = 0;
        for (std::size_t i = 0; i < kBuckets; ++i) {
            seen += counts[i];
            if (seen >= rank && counts[i] > 0)
                return (i == 0 ? kFirstUs / 2 : kFirstUs * std::pow(kGrowth, i - 0.5)) / 1000.0;
        }
        return 0;
    }

    std::array<Series, static_cast<std::size_t>(Stage::Count)> series{};
};

inline const char* StageName(Stage stage)
{
    switch (stage) {
    case Stage::CaptureRead:
        return "capture read";
    case Stage::SlotWait:
        return "wait in the frame slot";
    case Stage::Encode:
        return "resize and PNG";
    case Stage::RequestWrite:
        return "request write";
    case Stage::DetectorAnswer:
        return "detector answer";
    case Stage::DeviceInference:
        return "device inference";
    case Stage::Display:
        return "display";
    case Stage::CaptureToDisplay:
        return "capture to display";
    case Stage::Count:
        break;
    }
    return "";
}
