// The real program in "FIFO" mode with the real detector: one exchange per
// frame while the video plays; with the detector killed the frames go on and
// the exchanges fail cleanly; they succeed again once it is restarted.

#include "DetectorProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>

#include <csignal>
#include <iostream>

namespace {

const QString kProgram = QStringLiteral(VIREO_BUILD_DIR "/bin/VireoOwlEdge");

// A process whose merged output is collected as it comes.
class Running {
public:
    explicit Running(const QString& program, const QStringList& arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments);
        started = process.waitForStarted(5000);
    }
    ~Running()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

    // Collects output until `done` holds for it or `ms` pass; true when it held.
    template <typename Done>
    bool WaitFor(Done done, int ms)
    {
        QElapsedTimer timer;
        timer.start();
        while (!done(output)) {
            if (timer.elapsed() > ms || process.state() == QProcess::NotRunning)
                return done(output += process.readAll());
            process.waitForReadyRead(100);
            output += process.readAll();
        }
        return true;
    }
    void Signal(int signal) { kill(static_cast<pid_t>(process.processId()), signal); }
    bool Finished(int ms) { return process.waitForFinished(ms) || process.state() == QProcess::NotRunning; }
    int ExitCode() const { return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1; }
    std::string Output() { return (output += process.readAll()).toStdString(); }

    bool started = false;
    QString output;

private:
    QProcess process;
};

int CountOf(const QString& text, const QString& what)
{
    return text.count(what);
}

// The frames counted in the "(repeated N times" notes in `text`.
int Repeats(const QString& text)
{
    int total = 0;
    QRegularExpressionMatchIterator it = QRegularExpression(QStringLiteral("repeated (\\d+) times")).globalMatch(text);
    while (it.hasNext())
        total += it.next().captured(1).toInt();
    return total;
}

// ThreadSanitizer reports in `text` whose stacks pass through the pipe back-end.
int PipeBackEndRaces(const QString& text)
{
    int races = 0;
    for (const QString& report : text.split(QStringLiteral("WARNING: ThreadSanitizer")).mid(1))
        races += report.section(QStringLiteral("SUMMARY:"), 0, 0).contains(QStringLiteral("/fifo/")) ? 1 : 0;
    return races;
}

}  // namespace

TEST(ProgramWithDetector, VideoGoesOnWhileTheDetectorIsKilledAndRestarted)
{
    TempDir dir;
    const QString request = QString::fromStdString(dir.File("req"));
    const QString response = QString::fromStdString(dir.File("resp"));
    WriteText(dir.File("fifo.json"), R"({"InferenceMode": "FIFO", "CameraAutoReconnectSec": 0,
        "RequestFIFO": ")" + request.toStdString() + R"(", "ResponseFIFO": ")" + response.toStdString() + R"(",
        "Camera": ")" VIREO_BUILD_DIR R"(/samples/faces.avi"})");
    QStringList detectorArguments{"--req", request, "--resp", response, "--log"};
    for (const std::string& flag : OwlDetectorThreadFlags())
        detectorArguments << QString::fromStdString(flag);
    const QString frameLine = QStringLiteral("owl-detector: frame ");
    const auto answered = [&](int frames) {
        return [&, frames](const QString& out) { return CountOf(out, frameLine) >= frames; };
    };

    auto detector = std::make_unique<Running>(QString::fromStdString(OwlDetector()), detectorArguments);
    ASSERT_TRUE(detector->started);
    ASSERT_TRUE(WaitForPath(response.toStdString()));
    Running program(kProgram, {QString::fromStdString(dir.File("fifo.json"))});
    ASSERT_TRUE(program.started);

    // Frames go to the detector, at the size the display maps results with.
    ASSERT_TRUE(detector->WaitFor(answered(10), 60000)) << detector->Output() << program.Output();
    EXPECT_TRUE(detector->output.contains(QStringLiteral(", 853x480, "))) << detector->Output();

    // Killed: the program notices, and its frame loop keeps going (the
    // repeated failure lines count the frames it went through meanwhile).
    detector->Signal(SIGKILL);
    ASSERT_TRUE(detector->Finished(5000));
    const auto failing = [](const QString& out) { return Repeats(out) >= 20; };
    EXPECT_TRUE(program.WaitFor(failing, 20000)) << program.Output();
    const std::string whileDown = program.Output();
    EXPECT_NE(whileDown.find("Failed to open req fifo with errno [6]"), std::string::npos) << whileDown;

    // Restarted: exchanges succeed again without touching the program.
    detector = std::make_unique<Running>(QString::fromStdString(OwlDetector()), detectorArguments);
    ASSERT_TRUE(detector->started);
    EXPECT_TRUE(detector->WaitFor(answered(10), 60000)) << detector->Output() << program.Output();

    // Ending the program closes the pipes, which ends the detector.
    program.Signal(SIGTERM);
    ASSERT_TRUE(program.Finished(10000));
    const QString log = QString::fromStdString(program.Output());
    EXPECT_EQ(PipeBackEndRaces(log), 0) << log.toStdString();
    // Races that ThreadSanitizer finds elsewhere in the program belong to
    // the tests of those parts; here they only change the exit code (66).
    const bool otherRaces = log.contains(QStringLiteral("WARNING: ThreadSanitizer"));
    if (otherRaces)
        std::cout << "note: ThreadSanitizer reported races outside the pipe back-end in the program\n";
    EXPECT_EQ(program.ExitCode(), otherRaces ? 66 : 0) << log.toStdString();
    EXPECT_TRUE(detector->Finished(5000));
    EXPECT_EQ(detector->ExitCode(), 0) << detector->Output();
}
