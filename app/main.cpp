// VireoOWL Edge: live video with the results of an AI dongle or an external
// detector drawn over it.

#include "CommandLine.h"
#include "DisplayCheck.h"
#include "MainWindow.h"
#include "QuitSignal.h"
#include "RunReport.h"

#include "settings/QtSettingManager.h"
#include "settings/SettingsLocation.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QtDebug>

#include <cstdio>
#include <memory>
#include <string>

namespace {

// Also the probe's first argument, so the usage line names the program
// rather than the path it was started by.
char kProgramName[] = "VireoOwlEdge";

// Parsed under a plain QCoreApplication, which needs no display: --help and
// --version answer on a machine without one, and a bad line is refused
// before anything is read or written.
CommandLine ReadCommandLine(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    int probeArgc = 1;
    char* probeArgv[] = {kProgramName, nullptr};
    const QCoreApplication probe(probeArgc, probeArgv);
    return ParseCommandLine(arguments);
}

}  // namespace

int main(int argc, char** argv)
{
    DeferQuitSignals();
    // Each line reaches a journal or a file when it is written, not at exit:
    // the pipe back-end's and the host library's lines go to standard output.
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    QCoreApplication::setApplicationName(QString::fromLatin1(kProgramName));
    QCoreApplication::setApplicationVersion(QStringLiteral(VIREO_VERSION));
    CommandLine commandLine = ReadCommandLine(argc, argv);
    if (commandLine.exitStatus) {
        const QByteArray text = commandLine.text.toLocal8Bit();
        std::fputs(text.constData(), *commandLine.exitStatus == 0 ? stdout : stderr);
        return *commandLine.exitStatus;
    }
    const RunOptions& options = commandLine.options;

    if (!DisplayFound(argv[0]))
        return 1;
    std::string settingsPath = options.settingsPath;
    if (settingsPath.empty())
        settingsPath = DefaultSettingsPath();
    qDebug().noquote() << "VireoOWL_Edge setting json path: " + QString::fromLocal8Bit(settingsPath.c_str());

    // The store is complete before Qt starts, so nothing ever sees it half loaded.
    QtSettingManager* settings = QtSettingManager::GetInstance();
    settings->Load(settingsPath);
    settings->UseForThisRun(options.overrides);

    // Qt sees no argument of ours: a settings file named like one of its own
    // options must not change how it runs.
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pic/vireo_icon.ico")));
    if (!InstallQuitSignalHandler([] { QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection); }))
        qWarning("[MainWindow] SIGINT and SIGTERM cannot end the program in order");

    QElapsedTimer running;
    running.start();
    const bool display = settings->IsDisplayMainWindow();
    const bool fullScreen = settings->IsFullScreen();
    auto window = std::make_unique<VireoOwlEdge>(options);
    if (display)
        fullScreen ? window->showFullScreen() : window->show();
    const int code = QApplication::exec();
    window.reset();  // stops the threads before the application object goes
    ReportRunAtExit(options.reportPath, running.elapsed() / 1000.0);
    return code;
}
