#pragma once
// A process for a test, killed and reaped when the test ends. With `collect`
// its merged output is kept for the test; otherwise it goes to the test's own.

#include <QProcess>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

// Thread-safety: test thread only.
class ChildProcess {
public:
    ~ChildProcess() { Kill(); }

    // Starts `argv[0]` with the rest as arguments, in `workingDir` when one
    // is given, with `environment` (NAME=value entries) over this process's
    // own; a process started before is killed first. False when it cannot run.
    bool Start(const std::vector<std::string>& argv, bool collect = false, const QStringList& environment = {},
               const QString& workingDir = {});
    bool IsRunning() const { return process.state() != QProcess::NotRunning; }
    // SIGKILL, then reaps it.
    void Kill();
    void Signal(int signal);
    // Its exit code once it ends within `timeout`; -1 while it runs or after a crash.
    int WaitExit(std::chrono::milliseconds timeout);
    // SIGTERM, then WaitExit; killed when it has not ended by then.
    int Stop(std::chrono::milliseconds timeout);
    // Collects output until `done` holds for it or `ms` pass; true when it held.
    bool WaitFor(const std::function<bool(const QString&)>& done, int ms);
    // All it wrote so far.
    const QString& Read();
    std::string Output() { return Read().toStdString(); }

    QString output;

private:
    QProcess process;
};

// owl-detector on two pipes, with the flags that sanitized builds need.
std::vector<std::string> OwlDetector(const std::string& request, const std::string& response);

// Blocks until `path` exists (up to thirty seconds); true when it does.
bool WaitForPath(const std::string& path);
