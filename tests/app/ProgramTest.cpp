// The real program, started as a user starts it.

#include "settings/JsonText.h"

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

// Starts the program with the settings file `settingsPath`, lets it run
// `runMs` once it has opened (or failed to open) its camera, then asks it to
// end with SIGTERM as a service manager would.
ProgramRun RunProgram(const std::string& settingsPath, int runMs)
{
    ChildProcess program;
    EXPECT_TRUE(program.Start({VIREO_BUILD_DIR "/bin/VireoOwlEdge", settingsPath}, true,
                              {QStringLiteral("QT_QPA_PLATFORM=offscreen")}));
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

TEST(Program, PlaysTheSampleVideoWithoutAWindowUntilTold)
{
    TempDir dir;
    WriteText(dir.File("hidden.json"), R"({"DisplayMainWindow": false, "CameraAutoReconnectSec": 0,
                                           "Camera": ")" VIREO_BUILD_DIR R"(/samples/faces.avi"})");
    const ProgramRun run = RunProgram(dir.File("hidden.json"), 2000);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.log.contains(QStringLiteral("open camera success")));
}

TEST(Program, BrokenSettingsAreKeptAndTheProgramRunsOnDefaults)
{
    TempDir dir;
    WriteText(dir.File("broken.json"), "{ \"Camera\": ");
    const ProgramRun run = RunProgram(dir.File("broken.json"), 1000);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(ReadText(dir.File("broken.json.bad")), "{ \"Camera\": ");
    EXPECT_EQ(ParseJson(ReadText(dir.File("broken.json")))["Camera"].asString(), "0");
}

TEST(Program, UnusableSettingsPathsStillRun)
{
    TempDir dir;
    WriteText(dir.File("file"), "x");
    for (const std::string& path : {dir.File("file/settings.json"), dir.Path()}) {
        const ProgramRun run = RunProgram(path, 800);
        EXPECT_EQ(run.exitCode, 0) << path;
    }
    EXPECT_EQ(ReadText(dir.File("file")), "x");
}

}  // namespace
