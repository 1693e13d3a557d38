#include "RunningProgram.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QThread>

#include <csignal>

RunningProgram::RunningProgram(const QString& program, const QStringList& arguments, const QStringList& environment,
                               const QString& workingDir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("VIREO_STATS"), QStringLiteral("1"));
    for (const QString& entry : environment)
        env.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(workingDir);
    process.start(program, arguments);
    process.waitForStarted(10000);
}

RunningProgram::~RunningProgram()
{
    if (IsRunning())
        Stop();
}

ProgramState RunningProgram::State()
{
    process.waitForReadyRead(50);
    log += QString::fromLocal8Bit(process.readAll());
    ProgramState state;
    state.log = log;
    static const QRegularExpression stats(QStringLiteral("\\[Stats\\] shown (\\d+) frames, [0-9.]+ fps, (\\d+) with results"));
    QRegularExpressionMatchIterator it = stats.globalMatch(log);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        state.framesShown = m.captured(1).toLongLong();
        state.withResults = m.captured(2).toLongLong();
    }
    return state;
}

bool RunningProgram::WaitFor(const std::function<bool(const ProgramState&)>& done, std::chrono::seconds timeout)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < std::chrono::milliseconds(timeout).count()) {
        if (done(State()))
            return true;
        if (!IsRunning())
            return false;
        QThread::msleep(100);
    }
    return false;
}

int RunningProgram::Stop()
{
#ifdef VIREO_SANITIZED_BUILD
    constexpr int kExitWaitMs = 60000;  // a connect under way finishes first, many times slower
#else
    constexpr int kExitWaitMs = 10000;
#endif
    kill(static_cast<pid_t>(process.processId()), SIGTERM);
    if (!process.waitForFinished(kExitWaitMs) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    log += QString::fromLocal8Bit(process.readAll());
    return process.exitCode();
}

Helper::Helper(const QString& program, const QStringList& arguments)
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    process.waitForStarted(10000);
}

Helper::~Helper()
{
    Kill();
}

void Helper::Kill()
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.kill();
    process.waitForFinished(10000);
}
