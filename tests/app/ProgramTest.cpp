// The real program, started as a user starts it.

#include "settings/JsonText.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>

#include <csignal>
#include <filesystem>

namespace {

const QString kProgram = QStringLiteral(VIREO_BUILD_DIR "/bin/VireoOwlEdge");

struct ProgramRun {
    int exitCode = -1;
    qint64 stopMs = -1;  // from SIGTERM to exit
    QString log;
};

// Starts the program with `arguments`, lets it run `runMs` once it has
// opened (or failed to open) its camera, then asks it to end with SIGTERM as
// a service manager would.
ProgramRun RunProgram(const QStringList& arguments, int runMs)
{
    QByteArray output;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.start(kProgram, arguments);
    EXPECT_TRUE(process.waitForStarted(5000));
    QElapsedTimer starting;
    starting.start();
    while (!output.contains("open camera") && starting.elapsed() < 30000 && process.waitForReadyRead(30000))
        output += process.readAll();
    process.waitForFinished(runMs);
    QElapsedTimer timer;
    timer.start();
    kill(static_cast<pid_t>(process.processId()), SIGTERM);
    ProgramRun run;
    if (process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    run.stopMs = timer.elapsed();
    run.log = QString::fromLocal8Bit(output + process.readAll());
    return run;
}

TEST(Program, CreatesItsSettingsFileAndEndsInOrderOnSigterm)
{
    TempDir dir;
    const std::string path = dir.File("mine.json");
    const ProgramRun run = RunProgram({QString::fromStdString(path)}, 1500);
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
    const ProgramRun run = RunProgram({QString::fromStdString(dir.File("hidden.json"))}, 2000);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.log.contains(QStringLiteral("open camera success")));
}

TEST(Program, BrokenSettingsAreKeptAndTheProgramRunsOnDefaults)
{
    TempDir dir;
    WriteText(dir.File("broken.json"), "{ \"Camera\": ");
    const ProgramRun run = RunProgram({QString::fromStdString(dir.File("broken.json"))}, 1000);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(ReadText(dir.File("broken.json.bad")), "{ \"Camera\": ");
    EXPECT_EQ(ParseJson(ReadText(dir.File("broken.json")))["Camera"].asString(), "0");
}

TEST(Program, UnusableSettingsPathsStillRun)
{
    TempDir dir;
    WriteText(dir.File("file"), "x");
    for (const std::string& path : {dir.File("file/settings.json"), dir.Path()}) {
        const ProgramRun run = RunProgram({QString::fromStdString(path)}, 800);
        EXPECT_EQ(run.exitCode, 0) << path;
    }
    EXPECT_EQ(ReadText(dir.File("file")), "x");
}

}  // namespace
