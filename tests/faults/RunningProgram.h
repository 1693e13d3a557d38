#pragma once
// The program (and the helpers a fault needs) as processes the test starts,
// watched through the statistics line it logs once a second.

#include <QProcess>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

// What the program's last "[Stats]" line said, and what else it logged.
struct ProgramState {
    long long framesShown = 0;
    long long withResults = 0;
    QString log;
};

class RunningProgram {
public:
    // `environment` entries are NAME=value; the program runs offscreen with
    // its statistics on.
    RunningProgram(const QString& program, const QStringList& arguments, const QStringList& environment,
                   const QString& workingDir);
    ~RunningProgram();

    ProgramState State();
    bool IsRunning() const { return process.state() == QProcess::Running; }
    // Waits until `done` holds for the state; false after `timeout`.
    bool WaitFor(const std::function<bool(const ProgramState&)>& done, std::chrono::seconds timeout);
    // Sends SIGTERM; the exit code, or -1 when it did not end normally in time.
    int Stop();

private:
    QProcess process;
    QString log;
};

// A helper process (a detector, a stream server), killed when it goes.
class Helper {
public:
    Helper(const QString& program, const QStringList& arguments);
    ~Helper();
    void Kill();

private:
    QProcess process;
};
