#include "ChildProcess.h"
#include "SanitizedBuild.h"

#include <QElapsedTimer>
#include <QStringList>

#include <csignal>
#include <sys/stat.h>
#include <thread>

bool ChildProcess::Start(const std::vector<std::string>& argv, bool collect, const QStringList& environment,
                         const QString& workingDir)
{
    Kill();
    output.clear();
    QStringList arguments;
    for (std::size_t i = 1; i < argv.size(); ++i)
        arguments << QString::fromStdString(argv[i]);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& entry : environment)
        env.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(workingDir);
    process.setProcessChannelMode(collect ? QProcess::MergedChannels : QProcess::ForwardedChannels);
    process.start(QString::fromStdString(argv.at(0)), arguments);
    return process.waitForStarted(5000);
}

void ChildProcess::Kill()
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.kill();
    process.waitForFinished(5000);
}

void ChildProcess::Signal(int signal)
{
    // A process that has ended has no id: kill(0) would reach the test's own group.
    if (IsRunning())
        kill(static_cast<pid_t>(process.processId()), signal);
}

int ChildProcess::WaitExit(std::chrono::milliseconds timeout)
{
    if (process.state() != QProcess::NotRunning && !process.waitForFinished(static_cast<int>(timeout.count())))
        return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

bool ChildProcess::WaitFor(const std::function<bool(const QString&)>& done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done(output)) {
        if (timer.elapsed() > ms || process.state() == QProcess::NotRunning)
            return done(Read());
        process.waitForReadyRead(100);
        output += process.readAll();
    }
    return true;
}

int ChildProcess::Stop(std::chrono::milliseconds timeout)
{
    Signal(SIGTERM);
    const int code = WaitExit(timeout);
    Kill();
    Read();
    return code;
}

const QString& ChildProcess::Read()
{
    // Without an event loop in the test, output reaches QProcess only while it waits.
    if (IsRunning())
        process.waitForReadyRead(10);
    return output += process.readAll();
}

std::vector<std::string> OwlDetector(const std::string& request, const std::string& response)
{
    std::vector<std::string> argv{VIREO_BUILD_DIR "/bin/owl-detector", "--req", request, "--resp", response};
    // OpenCV's thread pool (TBB) synchronises out of ThreadSanitizer's sight,
    // so every result it hands back would be reported as a race: run inline.
    if (kSanitizedBuild)
        argv.insert(argv.end(), {"--threads", "0"});
    return argv;
}

bool WaitForPath(const std::string& path)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);  // a sanitized detector starts slowly
    struct stat info {};
    while (stat(path.c_str(), &info) != 0) {
        if (std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}
