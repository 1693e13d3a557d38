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

TEST(Program, CreatesItsSettingsFileAndEndsInOrderOnSigterm)
{
    TempDir dir;
    const std::string path = dir.File("mine.json");
    const ProgramRun run = RunProgram(path, 1500);
    EXPECT_EQ(run.exitCode, 0) << run.log.toStdString();
#ifndef VIREO_SANITIZED_BUILD
    EXPECT_LT(run.stopMs, 1000);
#endif
    EXPECT_TRUE(run.log.contains(QStringLiteral("VireoOWL_Edge setting json path: ") + QString::fromStdString(path)));
    EXPECT_EQ(ParseJson(ReadText(path)).size(), 22u);
}

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
