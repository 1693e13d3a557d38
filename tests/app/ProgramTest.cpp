// The real program, started as a user starts it.

#include "settings/JsonText.h"
#include "settings/QtSettingManager.h"

#include "CaseName.h"
#include "ChildProcess.h"
#include "SanitizedBuild.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QRegularExpression>

#include <opencv2/core.hpp>
#include <opencv2/videoio.hpp>

#include <filesystem>

namespace {

struct RunCase {
    const char* name;
    const char* mode;
    bool window;                      // false: --no-window, the source and mode given on the command line
    bool detector;                    // a detector answers every picture with one box over its quarter
    std::vector<const char*> stages;  // in the report at least; none: --report names a missing folder
};

void PrintTo(const RunCase& c, std::ostream* os)
{
    *os << c.name;
}

class ProgramRun : public ::testing::TestWithParam<RunCase> {};

// A run ended by SIGTERM, as a service manager ends it: the shutdown is
// prompt and the report names every stage that ran. With a detector (213,120
// 213x120 of the 853x480 it is sent), the results log holds its box in camera
// pixels, and the recording lasts as long as it ran, with the box in it.
// Without a window nothing is drawn. The settings file is completed, and the
// command line's source and mode are never written into it.
TEST_P(ProgramRun, EndsInOrderOnSigtermWithWhatItLoggedRecordedAndReported)
{
    const RunCase& c = GetParam();
    TempDir dir;
    const std::string settings = dir.File("mine.json");
    const std::string pipes = R"("RequestFIFO": ")" + dir.File("req") + R"(", "ResponseFIFO": ")" + dir.File("resp") + "\"";
    const std::string text = !c.window ? "{" + pipes + "}"
                                       : R"({"InferenceMode": ")" + std::string(c.mode) + R"(", "CameraFps": 30,
                                            "CameraAutoReconnectSec": 0, "Camera": ")" VIREO_BUILD_DIR
                                            R"(/samples/faces.avi", )" + pipes + "}";
    WriteText(settings, text);
    WriteText(dir.File("completed.json"), text);
    QtSettingManager().Load(dir.File("completed.json"));  // as the program is to complete its file
    ChildProcess detector;
    if (c.detector) {
        ASSERT_TRUE(detector.Start({"/usr/bin/python3", VIREO_SOURCE_DIR "/tests/fifo/scripted_detector.py", "--req",
                                    dir.File("req"), "--resp", dir.File("resp")}));
        ASSERT_TRUE(WaitForPath(dir.File("resp")));
    }
    const std::string report = dir.File(c.stages.empty() ? "missing/report.json" : "report.json");
    std::vector<std::string> argv{VIREO_BUILD_DIR "/bin/VireoOwlEdge", settings, "--report", report};
    if (c.detector)
        argv.insert(argv.end(), {"--record", dir.File("out.mkv"), "--results", dir.File("out.jsonl")});
    if (!c.window)
        argv.insert(argv.end(), {"--camera", VIREO_BUILD_DIR "/samples/faces.avi", "--mode", c.mode, "--no-window"});
    ChildProcess program;
    ASSERT_TRUE(program.Start(argv, true, {QStringLiteral("QT_QPA_PLATFORM=offscreen"),
                                           QStringLiteral("VIREO_AUTOCONNECT=0")}));
    const QString started =
        c.window && c.detector ? QStringLiteral("[Record] recording what is shown") : QStringLiteral("open camera");
    ASSERT_TRUE(program.WaitFor([&](const QString& log) { return log.contains(started); }, 30000)) << program.Output();
    QElapsedTimer timer;
    timer.start();
    program.WaitExit(std::chrono::milliseconds(3000));
    const double recordedSeconds = timer.elapsed() / 1000.0;
    timer.start();
    EXPECT_EQ(program.Stop(std::chrono::seconds(10)), 0) << program.Output();
    // Wall clock; a recording's last frames are encoded as it ends, so only
    // runs that draw none are held to the second.
    if (!c.window || !c.detector) {
        EXPECT_LT(std::chrono::milliseconds(timer.elapsed()), WallLimit(std::chrono::milliseconds(1000)));
    }
    EXPECT_TRUE(program.output.contains(QStringLiteral("setting json path: ") + QString::fromStdString(settings)));
    EXPECT_EQ(ParseJson(ReadText(settings)).size(), 22u);
    EXPECT_EQ(ReadText(settings), ReadText(dir.File("completed.json")));
    EXPECT_TRUE(program.output.contains(QStringLiteral("[Report] ran "))) << program.Output();
    if (c.stages.empty()) {
        EXPECT_TRUE(program.output.contains(QStringLiteral("[Report] the report could not be written to ")));
    } else {
        const Json::Value json = ParseJson(ReadText(report));
        EXPECT_GT(json["frames"]["shown"].asDouble(), 0) << ReadText(report);
        for (const char* name : c.stages) {
            // A missing stage has no count.
            const Json::Value& stage = json["stages"][name];
            EXPECT_TRUE(stage["count"].asDouble() > 0 && stage["median_ms"].asDouble() <= stage["p95_ms"].asDouble()
                        && stage["p95_ms"].asDouble() <= stage["max_ms"].asDouble())
                << name << " in " << ReadText(report);
        }
    }
    if (!c.detector)
        return;
    const QStringList lines = QString::fromStdString(ReadText(dir.File("out.jsonl"))).split('\n', Qt::SkipEmptyParts);
    EXPECT_GE(lines.size(), 2) << program.Output();
    for (const QString& line : lines) {
        const Json::Value boxes = ParseJson(line.toStdString())["boxes"];
        ASSERT_EQ(boxes.size(), 1u) << line.toStdString();
        EXPECT_EQ(boxes[0]["rect"], ParseJson("[320, 180, 320, 180]")) << line.toStdString();
    }
    if (!c.window) {
        EXPECT_TRUE(program.output.contains(QStringLiteral("[Record] nothing is drawn without a window")));
        EXPECT_FALSE(std::filesystem::exists(dir.File("out.mkv")));
        return;
    }
    cv::VideoCapture video(dir.File("out.mkv"));
    std::vector<cv::Mat> frames;
    for (cv::Mat frame; video.read(frame);)
        frames.push_back(frame);
    ASSERT_FALSE(frames.empty());
    // On a busy machine the encoder gives way to the video and says how much it skipped.
    const QRegularExpressionMatch skip =
        QRegularExpression(QStringLiteral("the encoder fell behind and skipped ([0-9.]+) s")).match(program.output);
    const double skipped = skip.hasMatch() ? skip.captured(1).toDouble() : 0.0;
    EXPECT_NEAR(frames.size() / video.get(cv::CAP_PROP_FPS) + skipped, recordedSeconds, 0.1 * recordedSeconds);
    // The box's left border (230,230,230), 10 px out from the quarter, in the
    // picture as fitted into the recorded window.
    const cv::Mat& middle = frames[frames.size() / 2];
    const double scale = std::min(middle.cols / 853.0, middle.rows / 480.0);
    const int left = (middle.cols - int(853 * scale)) / 2 + int((213 - 10) * scale);
    const int top = (middle.rows - int(480 * scale)) / 2 + int((120 - 10) * scale);
    // The brightest of five columns around it, row by row, over the middle
    // half of the box's height.
    const int rows = int(140 * scale) / 2;
    cv::Mat brightest, bright;
    cv::reduce(middle(cv::Rect(left - 1, top + rows / 2, 5, rows)), brightest, 1, cv::REDUCE_MAX);
    cv::inRange(brightest, cv::Scalar(191, 191, 191), cv::Scalar(255, 255, 255), bright);
    EXPECT_GE(cv::countNonZero(bright), rows * 9 / 10) << "no box border at x " << left;
}

INSTANTIATE_TEST_SUITE_P(Runs, ProgramRun, ::testing::Values(
    RunCase{"detector", "FIFO", true, true,
            {"capture read", "resize and PNG", "request write", "detector answer", "display", "capture to display"}},
    RunCase{"no window, report into a missing folder", "FIFO", false, true, {}},
    RunCase{"dongle", "NX310", true, false, {"capture read", "device inference", "display", "capture to display"}}),
    CaseName());

// Command lines that end the program before it reads or writes anything, on
// a machine without a display.
TEST(ProgramEarlyExit, AnswersWithoutADisplayAndWritesNothing)
{
    const struct {
        std::vector<std::string> options;  // the settings file goes first
        int status;
        const char* said;
    } cases[] = {
        {{"--help", "--camera", ""}, 0, "Usage: VireoOwlEdge [options] [settings.json]"},
        {{"--version"}, 0, "VireoOwlEdge 1."},
        {{"--mode", "nx310"}, 2, "FIFO or NX310"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        std::vector<std::string> argv{VIREO_BUILD_DIR "/bin/VireoOwlEdge", dir.File("mine.json")};
        argv.insert(argv.end(), c.options.begin(), c.options.end());
        ChildProcess program;
        ASSERT_TRUE(program.Start(argv, true, {QStringLiteral("QT_QPA_PLATFORM="), QStringLiteral("DISPLAY="),
                                               QStringLiteral("WAYLAND_DISPLAY=")}, QString::fromStdString(dir.Path())));
        EXPECT_EQ(program.WaitExit(std::chrono::seconds(30)), c.status) << c.said;
        EXPECT_TRUE(program.Read().contains(QString::fromUtf8(c.said))) << program.output.toStdString();
        EXPECT_TRUE(std::filesystem::is_empty(dir.Path())) << c.said;
    }
}

}  // namespace
