// How long the real program takes to end while video streams at full rate
// and a pipe exchange is pending on a detector that never answers.
//
//   bench_shutdown [--short]
//
// shutdown.ms_over_budget: from SIGTERM to exit, over the 200 ms budget.

#include "BenchReport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = IsShortRun(argc, argv) ? 3 : 10;
    const std::string dir = "/tmp/vireo-bench-shutdown";
    QProcess::execute(QStringLiteral("mkdir"), {QStringLiteral("-p"), QString::fromStdString(dir)});
    const std::string settings = dir + "/settings.json";
    std::ofstream(settings) << R"({"Camera": ")" VIREO_BUILD_DIR R"(/samples/faces.avi", "CameraFps": 1000,
        "CameraAutoReconnectSec": 0, "InferenceMode": "FIFO", "RequestFIFO": ")" << dir << R"(/req",
        "ResponseFIFO": ")" << dir << R"(/resp"})";

    std::vector<double> stops;
    for (int round = 0; round < rounds; ++round) {
        QProcess detector;
        detector.start(QStringLiteral(VIREO_BUILD_DIR "/bin/owl-detector"),
                       {QStringLiteral("--req"), QString::fromStdString(dir + "/req"), QStringLiteral("--resp"),
                        QString::fromStdString(dir + "/resp"), QStringLiteral("--delay-ms"), QStringLiteral("600000")});
        detector.waitForStarted();
        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(VIREO_BUILD_DIR "/bin/VireoOwlEdge"), {QString::fromStdString(settings)});
        program.waitForStarted();
        program.waitForFinished(2500);  // streaming, the first exchange hangs
        QElapsedTimer timer;
        timer.start();
        kill(static_cast<pid_t>(program.processId()), SIGTERM);
        program.waitForFinished(10000);
        stops.push_back(double(timer.elapsed()));
        detector.kill();
        detector.waitForFinished();
    }
    std::sort(stops.begin(), stops.end());
    const double worst = stops.back();
    std::printf("shutdown with a hung detector: worst %.0f ms of %d rounds (median %.0f ms)\n", worst, rounds,
                stops[stops.size() / 2]);
    ReportBench("shutdown.ms_over_budget", worst / 200.0, "ratio", "<=", 1.0);
    return 0;
}
