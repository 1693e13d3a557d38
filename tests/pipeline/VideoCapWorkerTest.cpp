#include "LogLines.h"
#include "PipelineTestSupport.h"
#include "SanitizedBuild.h"
#include "TempDir.h"

#include "settings/QtSettingManager.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include <algorithm>
#include <filesystem>
#include <thread>

namespace {

using namespace std::chrono_literals;

std::string Settings(const std::string& camera, int reconnectSec, int fps = 30)
{
    return R"({"Camera": ")" + camera + R"(", "CameraAutoReconnectSec": )" + std::to_string(reconnectSec)
           + R"(, "CameraFps": )" + std::to_string(fps) + "}";
}

// Whether the log comes to hold `text` within ten seconds.
bool WaitToSay(const LogLines& log, const QString& text)
{
    return Eventually([&] { return log.Starting(QString()).join(QLatin1Char('\n')).contains(text); });
}

// The rate is a matter of wall clock; the margin is a quarter, for two busy
// shared cores. Sanitized builds are too slow to keep any rate.
TEST(VideoCapWorker, PacesFilesAtTheConfiguredRate)
{
    if (kSanitizedBuild)
        GTEST_SKIP() << "timing is meaningless under sanitizers";
    TempDir dir;
    ASSERT_TRUE(WriteNumberedVideo(dir.File("clip.avi"), 200, 30));
    Capture capture(Settings(dir.File("clip.avi"), -1, 30));
    RecordingConsumer& consumer = capture.Start();
    ASSERT_TRUE(consumer.WaitFor(61, 10s));
    const auto frames = consumer.Frames();
    const double seconds = std::chrono::duration<double>(frames[60].at - frames[0].at).count();
    EXPECT_NEAR(seconds, 2.0, 0.5) << "60 frames at 30 fps";
    EXPECT_EQ(frames[60].number, 60);  // a fast reader misses nothing of a paced file
}

// The frame size is recorded for the window, every frame mirrored (else the
// numbers read reversed), and the end of a file without reconnection costs
// nothing while it waits.
TEST(VideoCapWorker, PlaysAFileMirroredToItsEndThenStaysIdle)
{
    TempDir dir;
    ASSERT_TRUE(WriteNumberedVideo(dir.File("clip.avi"), 10, 30, {320, 240}));
    Capture capture(Settings(dir.File("clip.avi"), -1, 100));
    ASSERT_TRUE(capture.worker.IsCameraOpened());
    EXPECT_EQ(QtSettingManager::GetInstance()->GetCameraWidth(), 320);
    EXPECT_EQ(QtSettingManager::GetInstance()->GetCameraHeight(), 240);
    RecordingConsumer& consumer = capture.Start();
    // On busy cores the consumer may miss frames, never the newest: the last.
    const auto lastSeen = [&] { return !consumer.Frames().empty() && consumer.Frames().back().number == 9; };
    ASSERT_TRUE(Eventually(lastSeen));
    EXPECT_EQ(consumer.Frames().front().number, 0);
    const std::size_t seen = consumer.Frames().size();
    std::this_thread::sleep_for(300ms);
    const double cpuBefore = ProcessCpuSeconds();
    std::this_thread::sleep_for(2s);
    const double cpuShare = (ProcessCpuSeconds() - cpuBefore) / 2.0;
    EXPECT_EQ(consumer.Frames().size(), seen) << "frames after the end";
    EXPECT_TRUE(kSanitizedBuild || cpuShare < 0.05) << cpuShare << " of a core: a loop that polls for the end";
}

TEST(VideoCapWorker, FileStartsAgainAtItsEndWhenReconnectionIsOn)
{
    TempDir dir;
    ASSERT_TRUE(WriteNumberedVideo(dir.File("clip.avi"), 5, 30));
    Capture capture(Settings(dir.File("clip.avi"), 0, 30));
    QSignalSpy sizeChanges(&capture.worker, &VideoCapWorker::SigCameraOpened);
    RecordingConsumer& consumer = capture.Start();
    ASSERT_TRUE(consumer.WaitFor(7, 10s));
    // A reopen of the same file must not make the dongle reload its model.
    EXPECT_EQ(sizeChanges.count(), 0);
    const auto frames = consumer.Frames();
    const auto restart = std::adjacent_find(frames.begin(), frames.end(),
                                            [](const auto& a, const auto& b) { return b.number < a.number; });
    ASSERT_NE(restart, frames.end()) << "the file never started again";
    // It played to its end, and again from its start.
    EXPECT_EQ(std::make_pair(restart->number, (restart + 1)->number), std::make_pair(4, 0));
    EXPECT_GE((restart + 1)->at - restart->at, 900ms) << "a reopen pauses a second";
}

// Wall clock, as promptness is all there is to see: each wait here lasts a
// second or more when shutdown does not reach it, the limit is half that.
// Sanitized builds are too slow.
TEST(VideoCapWorker, ShutdownIsPromptInEveryWait)
{
    if (kSanitizedBuild)
        GTEST_SKIP() << "timing is meaningless under sanitizers";
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
        Capture capture(c.settings);
        capture.Start();
        std::this_thread::sleep_for(300ms);
        EXPECT_LT(capture.Stop(), 500ms) << c.state;
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
        EXPECT_EQ(std::make_pair(source.GetKind(), source.IsLive()), std::make_pair(c.kind, c.live)) << c.text;
    }
}

// A live source that opened is read on when its first read fails, as a camera
// may still be starting; it is not taken for one that never opened.
TEST(VideoCapWorker, ALiveSourceWhoseFirstReadFailsIsReadAgain)
{
    LogLines log;
    Capture capture(Settings("videotestsrc num-buffers=0 ! videoconvert ! appsink", -1));
    ASSERT_TRUE(capture.worker.IsCameraOpened());
    capture.Start();
    EXPECT_TRUE(WaitToSay(log, QStringLiteral("failed; retrying")));
    std::this_thread::sleep_for(300ms);  // a few retries, 100 ms apart
    const QString said = log.Starting(QString()).join(QLatin1Char('\n'));
    // Neither "could not be opened" nor "the video stops here": it is read on.
    EXPECT_FALSE(said.contains(QStringLiteral("CameraAutoReconnectSec is negative"))) << said.toStdString();
}

// Each is refused at open, and the worker started on it ends cleanly. A cut
// file, which plays what it has, is a row of the fault matrix.
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
        Capture capture(Settings(source, -1));
        EXPECT_FALSE(capture.worker.IsCameraOpened()) << source;
        capture.Start();
        std::this_thread::sleep_for(50ms);
    }
}

}  // namespace
