#include "StatsOverlay.h"

#include "ui/StatsOverlayUiItem.h"

#include <QTimer>

#include <algorithm>
#include <chrono>

namespace {

constexpr std::chrono::milliseconds kWindow{2000};
constexpr int kRefreshMs = 500;
constexpr int kMargin = 10;
constexpr int kMinWidth = 120;

double PerSecond(std::uint64_t from, std::uint64_t to, double seconds)
{
    return seconds > 0 ? double(to - from) / seconds : 0.0;
}

}  // namespace

StatsOverlay::StatsOverlay(QWidget* window, std::function<BackEndStatus()> status)
    : QObject(window), status(std::move(status)), item(new StatsOverlayUiItem(window)), timer(new QTimer(this))
{
    timer->setInterval(kRefreshMs);
    connect(timer, &QTimer::timeout, this, &StatsOverlay::Refresh);
}

void StatsOverlay::Toggle()
{
    SetVisible(!IsVisible());
}

void StatsOverlay::SetVisible(bool visible)
{
    if (!visible) {
        timer->stop();
        item->hide();
        return;
    }
    samples.clear();
    samples.push_back(Sample());
    Refresh();
    item->show();
    item->raise();
    timer->start();
}

bool StatsOverlay::IsVisible() const
{
    return item->isVisible();
}

void StatsOverlay::Place(const QRect& shown)
{
    picture = shown;
    item->FitWithin(std::max(kMinWidth, picture.width() - 2 * kMargin));
    item->move(picture.topLeft() + QPoint(kMargin, kMargin));
}

StatsOverlay::Counters StatsOverlay::Sample() const
{
    return {StageRecorder::Clock::now(), recorder.framesRead.load(), recorder.framesShown.load(),
            recorder.framesDropped.load(), recorder.results.load()};
}

void StatsOverlay::Refresh()
{
    samples.push_back(Sample());
    while (samples.size() > 2 && samples.back().at - samples[1].at >= kWindow)
        samples.pop_front();
    item->SetLines(Lines(status()));
    item->move(picture.topLeft() + QPoint(kMargin, kMargin));
}

QStringList StatsOverlay::Lines(const BackEndStatus& backEnd)
{
    const Counters& from = samples.empty() ? Sample() : samples.front();
    const Counters to = samples.empty() ? from : samples.back();
    const double seconds = std::chrono::duration<double>(to.at - from.at).count();
    const std::uint64_t read = to.read - from.read;
    QStringList lines;
    lines << QStringLiteral("source %1 fps  shown %2 fps  results %3/s")
                 .arg(PerSecond(from.read, to.read, seconds), 0, 'f', 1)
                 .arg(PerSecond(from.shown, to.shown, seconds), 0, 'f', 1)
                 .arg(PerSecond(from.results, to.results, seconds), 0, 'f', 1);
    const StageSummary backEndTime =
        recorder.Recent(backEnd.device ? Stage::DeviceInference : Stage::DetectorAnswer, kWindow);
    lines << QStringLiteral("%1 %2 ms median, %3 ms p95")
                 .arg(backEnd.device ? QStringLiteral("inference") : QStringLiteral("detector"))
                 .arg(backEndTime.medianMs, 0, 'f', 1)
                 .arg(backEndTime.p95Ms, 0, 'f', 1);
    lines << QStringLiteral("capture to display %1 ms  dropped %2 %")
                 .arg(recorder.Recent(Stage::CaptureToDisplay, kWindow).medianMs, 0, 'f', 0)
                 .arg(read == 0 ? 0.0 : 100.0 * double(to.dropped - from.dropped) / double(read), 0, 'f', 1);
    lines << backEnd.mode + QStringLiteral(", ") + backEnd.state;
    if (backEnd.resultsAgeMs)
        lines << QStringLiteral("results %1 s older than the picture").arg(*backEnd.resultsAgeMs / 1000.0, 0, 'f', 1);
    return lines;
}
