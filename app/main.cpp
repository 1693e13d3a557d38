// VireoOWL Edge: live video with the results of an AI dongle or an external
// detector drawn over it.

#include "DisplayCheck.h"
#include "MainWindow.h"
#include "QuitSignal.h"

#include "settings/QtSettingManager.h"
#include "settings/SettingsLocation.h"

#include <QApplication>
#include <QIcon>
#include <QtDebug>

#include <memory>
#include <string>

int main(int argc, char** argv)
{
    DeferQuitSignals();
    if (!DisplayFound(argc, argv))
        return 1;
    std::string settingsPath = DefaultSettingsPath();
    if (argc == 2)
        settingsPath = argv[1];
    qDebug().noquote() << "VireoOWL_Edge setting json path: " + QString::fromLocal8Bit(settingsPath.c_str());

    // The store is complete before Qt starts, so nothing ever sees it half loaded.
    QtSettingManager* settings = QtSettingManager::GetInstance();
    settings->Load(settingsPath);

    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pic/vireo_icon.ico")));
    if (!InstallQuitSignalHandler([] { QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection); }))
        qWarning("[MainWindow] SIGINT and SIGTERM cannot end the program in order");

    const bool display = settings->IsDisplayMainWindow();
    const bool fullScreen = settings->IsFullScreen();
    auto window = std::make_unique<VireoOwlEdge>();
    if (display)
        fullScreen ? window->showFullScreen() : window->show();
    const int code = QApplication::exec();
    window.reset();  // stops the threads before the application object goes
    return code;
}
