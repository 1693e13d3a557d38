#include "pipeline/VideoCapWorker.h"

#include "PipelineTestSupport.h"
#include "TempDir.h"

#include "settings/QtSettingManager.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include <algorithm>
#include <filesystem>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string Settings(const std::string& camera, int reconnectSec, int fps = 30)
{
    return R"({"Camera": ")" + camera + R"(", "CameraAutoReconnectSec": )" + std::to_string(reconnectSec)
           + R"(, "CameraFps": )" + std::to_string(fps) + "}";
}

// The capture loop on a thread of its own, stopped as the window stops it.
class RunningCapture {
public:
    explicit RunningCapture(VideoCapWorker& worker) : worker(worker)
    {
        worker.SetRunning(true);
        thread = std::thread([&] { worker.DoWork(); });
    }
    ~RunningCapture() { Stop(); }

    // How long the loop took to end after it was told to.
    Clock::duration Stop()
    {
        if (!thread.joinable())
            return {};
        const Clock::time_point start = Clock::now();
        worker.SetRunning(false);
        thread.join();
        return Clock::now() - start;
    }

private:
    VideoCapWorker& worker;
    std::thread thread;
};

TEST(VideoCapWorker, RecordsTheFrameSizeAndMirrorsEveryFrame)
{
    TempDir dir;
    ASSERT_TRUE(WriteNumberedVideo(dir.File("clip.avi"), 20, 30, {320, 240}));
    LoadSettings(Settings(dir.File("clip.avi"), -1, 200));
    FrameSlots frameSlots;
    VideoCapWorker worker(frameSlots);
    ASSERT_TRUE(worker.IsCameraOpened());
    EXPECT_EQ(QtSettingManager::GetInstance()->GetCameraWidth(), 320);
    EXPECT_EQ(QtSettingManager::GetInstance()->GetCameraHeight(), 240);

    RecordingConsumer consumer(frameSlots);
    RunningCapture capture(worker);
    ASSERT_TRUE(consumer.WaitFor(5, 5s));
    for (const auto& frame : consumer.Frames())
        EXPECT_TRUE(frame.mirrored) << frame.number;
    EXPECT_EQ(consumer.Frames().front().number, 0);
}

TEST(VideoCapWorker, PacesFilesAtTheConfiguredRate)
{
#ifdef VIREO_SANITIZED_BUILD
    GTEST_SKIP() << "timing is meaningless under sanitizers";
#endif
    TempDir dir;
    ASSERT_TRUE(WriteNumberedVideo(dir.File("clip.avi"), 200, 30));
    LoadSettings(Settings(dir.File("clip.avi"), -1, 30));
    FrameSlots frameSlots;
    VideoCapWorker worker(frameSlots);
    RecordingConsumer consumer(frameSlots);
    RunningCapture capture(worker);
    ASSERT_TRUE(consumer.WaitFor(61, 10s));
    const auto frames = consumer.Frames();
    const double seconds = std::chrono::duration<double>(frames[60].at - frames[0].at).count();
    EXPECT_NEAR(seconds, 2.0, 0.4) << "60 frames at 30 fps";
    EXPECT_EQ(frames[60].number, 60);  // a fast reader misses nothing of a paced file
}

TEST(VideoCapWorker, SlowConsumerSeesIncreasingFrameNumbersWithSkips)
{
    TempDir dir;
    ASSERT_TRUE(WriteNumberedVideo(dir.File("clip.avi"), 300, 30));
    LoadSettings(Settings(dir.File("clip.avi"), -1, 500));
    FrameSlots frameSlots;
    VideoCapWorker worker(frameSlots);
    RecordingConsumer consumer(frameSlots, 15ms);
    RunningCapture capture(worker);
    ASSERT_TRUE(consumer.WaitFor(30, 10s));
    const auto frames = consumer.Frames();
    int skipped = 0;
    for (std::size_t i = 1; i < frames.size(); ++i) {
        EXPECT_GT(frames[i].number, frames[i - 1].number) << "at " << i;
        skipped += frames[i].number - frames[i - 1].number - 1;
    }
    EXPECT_GT(skipped, 0);
}

TEST(VideoCapWorker, EndOfFileWithoutReconnectionStaysIdle)
{
    TempDir dir;
    ASSERT_TRUE(WriteNumberedVideo(dir.File("clip.avi"), 10, 30));
    LoadSettings(Settings(dir.File("clip.avi"), -1, 100));
    FrameSlots frameSlots;
    VideoCapWorker worker(frameSlots);
    RecordingConsumer consumer(frameSlots);
    RunningCapture capture(worker);
    ASSERT_TRUE(consumer.WaitFor(10, 5s));
    std::this_thread::sleep_for(300ms);
    const double cpuBefore = ProcessCpuSeconds();
    std::this_thread::sleep_for(2s);
    [[maybe_unused]] const double cpuShare = (ProcessCpuSeconds() - cpuBefore) / 2.0;
    EXPECT_EQ(consumer.Frames().size(), 10u);
#ifndef VIREO_SANITIZED_BUILD
    EXPECT_LT(cpuShare, 0.05);
    EXPECT_LT(capture.Stop(), 200ms);
#endif
}

TEST(VideoCapWorker, FileStartsAgainAtItsEndWhenReconnectionIsOn)
{
    TempDir dir;
    ASSERT_TRUE(WriteNumberedVideo(dir.File("clip.avi"), 5, 30));
    LoadSettings(Settings(dir.File("clip.avi"), 0, 30));
    FrameSlots frameSlots;
    VideoCapWorker worker(frameSlots);
    QSignalSpy sizeChanges(&worker, &VideoCapWorker::SigCameraOpened);
    RecordingConsumer consumer(frameSlots);
    RunningCapture capture(worker);
    ASSERT_TRUE(consumer.WaitFor(7, 10s));
    // A reopen of the same file must not make the dongle reload its model.
    EXPECT_EQ(sizeChanges.count(), 0);
    const auto frames = consumer.Frames();
    const auto restart = std::adjacent_find(frames.begin(), frames.end(),
                                            [](const auto& a, const auto& b) { return b.number < a.number; });
    ASSERT_NE(restart, frames.end()) << "the file never started again";
    EXPECT_EQ(restart->number, 4) << "it played to its end";
    EXPECT_EQ((restart + 1)->number, 0) << "and again from its start";
    EXPECT_GE((restart + 1)->at - restart->at, 900ms) << "a reopen pauses a second";
}

TEST(VideoCapWorker, ShutdownIsPromptInEveryWait)
{
#ifdef VIREO_SANITIZED_BUILD
    GTEST_SKIP() << "timing is meaningless under sanitizers";
#endif
    TempDir dir;
    ASSERT_TRUE(WriteNumberedVideo(dir.File("clip.avi"), 3, 30));
    const struct {
        const char* state;
        std::string settings;
    } cases[] = {
        {"waiting to reconnect", Settings(dir.File("missing.avi"), 60)},
        {"pausing after a reopen", Settings(dir.File("clip.avi"), 0, 200)},
        {"pacing a slow file", Settings(dir.File("clip.avi"), -1, 1)},
        {"idle after the end", Settings(dir.File("clip.avi"), -1, 200)},
    };
    for (const auto& c : cases) {
        LoadSettings(c.settings);
        FrameSlots frameSlots;
        VideoCapWorker worker(frameSlots);
        RecordingConsumer consumer(frameSlots);
        RunningCapture capture(worker);
        std::this_thread::sleep_for(300ms);
        EXPECT_LT(capture.Stop(), 200ms) << c.state;
    }
}

TEST(CameraSource, NamesAreToldApart)
{
    TempDir dir;
    std::filesystem::create_symlink("/dev/null", dir.File("by-id-camera"));
    WriteText(dir.File("clip.avi"), "");
    using Kind = CameraSource::Kind;
    const struct {
        std::string text;
        Kind kind;
        bool live;
    } cases[] = {
        {"0", Kind::Index, true},
        {"", Kind::Index, true},
        {"/dev/null", Kind::Device, true},
        {dir.File("by-id-camera"), Kind::Device, true},
        {"videotestsrc ! videoconvert ! appsink", Kind::Pipeline, true},
        {"rtspsrc location=rtsp://10.0.0.1/s ! decodebin ! appsink", Kind::Pipeline, true},
        {"RTSP://10.0.0.1:554/stream1", Kind::Stream, true},
        {"http://example.org/clip.mp4", Kind::Address, false},
        {dir.File("clip.avi"), Kind::File, false},
        {dir.File("missing.avi"), Kind::File, false},
    };
    for (const auto& c : cases) {
        const CameraSource source(QString::fromStdString(c.text));
        EXPECT_EQ(source.GetKind(), c.kind) << c.text;
        EXPECT_EQ(source.IsLive(), c.live) << c.text;
    }
}

TEST(VideoCapWorker, AGStreamerPipelineIsALiveSource)
{
    LoadSettings(Settings("videotestsrc ! video/x-raw,width=160,height=120 ! videoconvert ! appsink", -1, 1));
    FrameSlots frameSlots;
    VideoCapWorker worker(frameSlots);
    ASSERT_TRUE(worker.IsCameraOpened());
    EXPECT_EQ(QtSettingManager::GetInstance()->GetCameraWidth(), 160);
    RecordingConsumer consumer(frameSlots);
    RunningCapture capture(worker);
    EXPECT_TRUE(consumer.WaitFor(5, 10s)) << "read as it delivers, not paced to CameraFps 1";
}

// A live source that opened is read on when its first read fails, as a camera
// may still be starting; it is not taken for one that never opened.
TEST(VideoCapWorker, ALiveSourceWhoseFirstReadFailsIsReadAgain)
{
    static QStringList said;
    said.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& line) { said.append(line); });
    LoadSettings(Settings("videotestsrc num-buffers=0 ! videoconvert ! appsink", -1));
    {
        FrameSlots frameSlots;
        VideoCapWorker worker(frameSlots);
        ASSERT_TRUE(worker.IsCameraOpened());
        RunningCapture capture(worker);
        std::this_thread::sleep_for(300ms);
    }
    qInstallMessageHandler(previous);
    const QString log = said.join(QLatin1Char('\n'));
    EXPECT_TRUE(log.contains(QStringLiteral("failed; retrying"))) << log.toStdString();
    // Neither "could not be opened" nor "the video stops here": it is read on.
    EXPECT_FALSE(log.contains(QStringLiteral("CameraAutoReconnectSec is negative"))) << log.toStdString();
}

TEST(VideoCapWorker, SourcesThatAreNotVideoFailToOpenCleanly)
{
    TempDir dir;
    std::filesystem::create_directory(dir.File("a-directory"));
    std::filesystem::create_symlink("/dev/null", dir.File("camera-link"));
    WriteText(dir.File("notes.avi"), "this is not a video");
    WriteText(dir.File("empty.avi"), "");
    const std::string sources[] = {dir.File("missing.avi"), dir.File("a-directory"), dir.File("notes.avi"),
                                   dir.File("empty.avi"), "9", dir.File("camera-link"),
                                   "nosuchelement ! appsink"};
    for (const std::string& source : sources) {
        LoadSettings(Settings(source, -1));
        FrameSlots frameSlots;
        VideoCapWorker worker(frameSlots);
        EXPECT_FALSE(worker.IsCameraOpened()) << source;
        RunningCapture capture(worker);
        std::this_thread::sleep_for(50ms);
    }
}

TEST(VideoCapWorker, TruncatedFilePlaysWhatItHasThenEnds)
{
    TempDir dir;
    ASSERT_TRUE(WriteNumberedVideo(dir.File("whole.avi"), 60, 30));
    const std::string whole = ReadText(dir.File("whole.avi"));
    WriteText(dir.File("cut.avi"), whole.substr(0, whole.size() / 2));
    LoadSettings(Settings(dir.File("cut.avi"), -1, 200));
    FrameSlots frameSlots;
    VideoCapWorker worker(frameSlots);
    RecordingConsumer consumer(frameSlots);
    RunningCapture capture(worker);
    std::this_thread::sleep_for(1500ms);
    const std::size_t seen = consumer.Frames().size();
    EXPECT_GT(seen, 5u);
    EXPECT_LT(seen, 60u);
}

}  // namespace
