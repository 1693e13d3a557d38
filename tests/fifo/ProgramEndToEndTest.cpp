// The real program in "FIFO" mode with the real detector: one exchange per
// frame while the video plays; with the detector killed the frames go on and
// the exchanges fail cleanly; they succeed again once it is restarted.

#include "ChildProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <iostream>

namespace {

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
    const std::string request = dir.File("req");
    const std::string response = dir.File("resp");
    WriteText(dir.File("fifo.json"), R"({"InferenceMode": "FIFO", "CameraAutoReconnectSec": 0,
        "RequestFIFO": ")" + request + R"(", "ResponseFIFO": ")" + response + R"(",
        "Camera": ")" VIREO_BUILD_DIR R"(/samples/faces.avi"})");
    std::vector<std::string> owl = OwlDetector(request, response);
    owl.push_back("--log");
    const auto answered = [](const QString& out) { return out.count(QStringLiteral("owl-detector: frame ")) >= 10; };

    ChildProcess detector;
    ChildProcess program;
    ASSERT_TRUE(detector.Start(owl, true));
    ASSERT_TRUE(WaitForPath(response));
    ASSERT_TRUE(program.Start({VIREO_BUILD_DIR "/bin/VireoOwlEdge", dir.File("fifo.json")}, true));

    // Frames go to the detector, at the size the display maps results with.
    ASSERT_TRUE(detector.WaitFor(answered, 60000)) << detector.Output() << program.Output();
    EXPECT_TRUE(detector.output.contains(QStringLiteral(", 853x480, "))) << detector.Output();

    // Killed: the program notices, and its frame loop keeps going (the
    // repeated failure lines count the frames it went through meanwhile).
    detector.Kill();
#ifdef VIREO_SANITIZED_BUILD
    constexpr int kFramesWhileDown = 5;  // a sanitized program is many times slower
#else
    constexpr int kFramesWhileDown = 20;
#endif
    EXPECT_TRUE(program.WaitFor([](const QString& out) { return Repeats(out) >= kFramesWhileDown; }, 60000))
        << program.Output();
    const std::string whileDown = program.Output();
    EXPECT_NE(whileDown.find("Failed to open req fifo with errno [6]"), std::string::npos) << whileDown;

    // Restarted: exchanges succeed again without touching the program.
    ASSERT_TRUE(detector.Start(owl, true));
    EXPECT_TRUE(detector.WaitFor(answered, 60000)) << detector.Output() << program.Output();

    // Ending the program closes the pipes, which ends the detector.
    const int programExit = program.Stop(std::chrono::seconds(10));
    const QString log = program.output;
    EXPECT_EQ(PipeBackEndRaces(log), 0) << log.toStdString();
    // Races that ThreadSanitizer finds elsewhere in the program belong to
    // the tests of those parts; here they only change the exit code (66).
    const bool otherRaces = log.contains(QStringLiteral("WARNING: ThreadSanitizer"));
    if (otherRaces)
        std::cout << "note: ThreadSanitizer reported races outside the pipe back-end in the program\n";
    EXPECT_EQ(programExit, otherRaces ? 66 : 0) << log.toStdString();
    EXPECT_EQ(detector.WaitExit(std::chrono::seconds(5)), 0) << detector.Output();
}
