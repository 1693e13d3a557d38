// The real program, started as a user starts it.

#include "settings/JsonText.h"
#include "settings/QtSettingManager.h"

#include "CaseName.h"
#include "ChildProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <filesystem>

namespace {

struct ProgramRun {
    int exitCode = -1;
    qint64 stopMs = -1;  // from SIGTERM to exit
    QString log;
};

// Starts the program with the settings file `settingsPath` (and `options`),
// lets it run `runMs` once it has opened (or failed to open) its camera, then
// asks it to end with SIGTERM as a service manager would.
ProgramRun RunProgram(const std::string& settingsPath, int runMs, const std::vector<std::string>& options = {})
{
    ChildProcess program;
    std::vector<std::string> argv{VIREO_BUILD_DIR "/bin/VireoOwlEdge", settingsPath};
    argv.insert(argv.end(), options.begin(), options.end());
    EXPECT_TRUE(program.Start(argv, true, {QStringLiteral("QT_QPA_PLATFORM=offscreen")}));
    program.WaitFor([](const QString& log) { return log.contains(QStringLiteral("open camera")); }, 30000);
    program.WaitExit(std::chrono::milliseconds(runMs));
    QElapsedTimer timer;
    timer.start();
    ProgramRun run;
    run.exitCode = program.Stop(std::chrono::seconds(10));
    run.stopMs = timer.elapsed();
    run.log = program.output;
    return run;
}

struct ReportCase {
    const char* name;
    const char* mode;
    bool detector;                     // owl-detector serves the pipes
    bool reportDirMissing;             // --report names a file in a folder that does not exist
    std::vector<const char*> stages;   // in the report at least
};

void PrintTo(const ReportCase& c, std::ostream* os)
{
    *os << c.name;
}

class ProgramRunReport : public ::testing::TestWithParam<ReportCase> {};

// A run ended by SIGTERM, as a service manager ends it: the settings file is
// made, the shutdown is prompt, and the report names every stage that ran.
TEST_P(ProgramRunReport, EndsInOrderOnSigtermWithTheStagesThatRan)
{
    const ReportCase& c = GetParam();
    TempDir dir;
    const std::string path = dir.File("mine.json");
    WriteText(path, std::string(R"({"InferenceMode": ")") + c.mode + R"(", "Camera": ")" VIREO_BUILD_DIR
                        R"(/samples/faces.avi", "RequestFIFO": ")" + dir.File("req") + R"(", "ResponseFIFO": ")" +
                        dir.File("resp") + R"("})");
    ChildProcess detector;
    if (c.detector)
        ASSERT_TRUE(detector.Start(OwlDetector(dir.File("req"), dir.File("resp"))));
    const std::string report = c.reportDirMissing ? dir.File("missing/report.json") : dir.File("report.json");
    qputenv("VIREO_AUTOCONNECT", "0");
    const ProgramRun run = RunProgram(path, 2500, {"--report", report});
    qunsetenv("VIREO_AUTOCONNECT");
    EXPECT_EQ(run.exitCode, 0) << run.log.toStdString();
#ifndef VIREO_SANITIZED_BUILD
    EXPECT_LT(run.stopMs, 1000);
#endif
    EXPECT_TRUE(run.log.contains(QStringLiteral("VireoOWL_Edge setting json path: ") + QString::fromStdString(path)));
    EXPECT_EQ(ParseJson(ReadText(path)).size(), 22u);
    EXPECT_TRUE(run.log.contains(QStringLiteral("[Report] ran "))) << run.log.toStdString();
    if (c.reportDirMissing) {
        EXPECT_TRUE(run.log.contains(QStringLiteral("[Report] the report could not be written to ")));
        return;
    }
    const Json::Value json = ParseJson(ReadText(report));
    EXPECT_GT(json["frames"]["shown"].asDouble(), 0) << ReadText(report);
    for (const char* name : c.stages) {
        const Json::Value& stage = json["stages"][name];
        ASSERT_TRUE(stage.isObject()) << name << " missing in " << ReadText(report);
        EXPECT_GT(stage["count"].asDouble(), 0) << name;
        EXPECT_LE(stage["median_ms"].asDouble(), stage["p95_ms"].asDouble()) << name;
        EXPECT_LE(stage["p95_ms"].asDouble(), stage["max_ms"].asDouble()) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, ProgramRunReport, ::testing::Values(
    ReportCase{"detector", "FIFO", true, false,
               {"capture read", "resize and PNG", "request write", "detector answer", "display", "capture to display"}},
    ReportCase{"dongle", "NX310", false, false, {"capture read", "display", "capture to display"}},
    ReportCase{"report into a missing folder", "FIFO", false, true, {}}), CaseName());

// Also the run without a window that only a signal ends.
TEST(Program, CommandLineOverridesAreUsedButNeverWritten)
{
    TempDir dir;
    const std::string path = dir.File("mine.json");
    WriteText(path, R"({"RequestFIFO": ")" + dir.File("req") + R"(", "ResponseFIFO": ")" + dir.File("resp") + R"("})");
    QtSettingManager().Load(path);  // completed as the program writes it
    const std::string before = ReadText(path);

    const ProgramRun overridden = RunProgram(path, 1500, {"--camera", VIREO_BUILD_DIR "/samples/faces.avi", "--mode",
                                                          "FIFO", "--no-window"});
    EXPECT_EQ(overridden.exitCode, 0) << overridden.log.toStdString();
    EXPECT_TRUE(overridden.log.contains(QStringLiteral("open camera success")));
    EXPECT_TRUE(overridden.log.contains(QStringLiteral("fifo with errno"))) << "the detector is asked";
    EXPECT_EQ(ReadText(path), before);
}

// Command lines that end the program before it reads or writes anything, on
// a machine without a display.
struct EarlyExitCase {
    const char* name;
    std::vector<std::string> options;  // the settings file goes first
    int status;
    const char* said;
};

void PrintTo(const EarlyExitCase& c, std::ostream* os)
{
    *os << c.name;
}

class ProgramEarlyExit : public ::testing::TestWithParam<EarlyExitCase> {};

TEST_P(ProgramEarlyExit, AnswersWithoutADisplayAndWritesNothing)
{
    const EarlyExitCase& c = GetParam();
    TempDir dir;
    std::vector<std::string> argv{VIREO_BUILD_DIR "/bin/VireoOwlEdge", dir.File("mine.json")};
    argv.insert(argv.end(), c.options.begin(), c.options.end());
    ChildProcess program;
    ASSERT_TRUE(program.Start(argv, true, {QStringLiteral("QT_QPA_PLATFORM="), QStringLiteral("DISPLAY="),
                                           QStringLiteral("WAYLAND_DISPLAY=")}, QString::fromStdString(dir.Path())));
    EXPECT_EQ(program.WaitExit(std::chrono::seconds(30)), c.status);
    EXPECT_TRUE(program.Read().contains(QString::fromUtf8(c.said))) << program.output.toStdString();
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

INSTANTIATE_TEST_SUITE_P(Lines, ProgramEarlyExit, ::testing::Values(
    EarlyExitCase{"help", {"--help", "--camera", ""}, 0, "Usage: VireoOwlEdge [options] [settings.json]"},
    EarlyExitCase{"version", {"--version"}, 0, "VireoOwlEdge 1."},
    EarlyExitCase{"mode in lower case", {"--mode", "nx310"}, 2, "FIFO or NX310"}), CaseName());

}  // namespace
