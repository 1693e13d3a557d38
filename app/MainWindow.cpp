#include "MainWindow.h"

#include "ui_VireoOwlEdgeWindow.h"

#include "pipeline/SdkWorker.h"
#include "pipeline/VideoCapWorker.h"
#include "settings/QtSettingManager.h"

#include <QApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QTextCursor>
#include <QThread>
#include <QtDebug>

namespace {

const char* const kFontResource = ":/pic/font/TaipeiSansTC/TaipeiSansTCBeta-Regular.ttf";
constexpr unsigned long kThreadExitWaitMs = 3000;

void UseResourceFont()
{
    const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(kFontResource));
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (id < 0 || families.isEmpty()) {
        qWarning() << "[MainWindow] the font" << kFontResource << "did not load; keeping the system font";
        return;
    }
    QApplication::setFont(QFont(families.first(), 12));
}

// Asks the thread to end and waits until it has; a thread that overruns is
// reported but never left running under objects that are about to go.
void StopAndJoin(QThread* thread, const char* timeoutMessage)
{
    thread->quit();
    if (thread->wait(kThreadExitWaitMs))
        return;
    qDebug() << timeoutMessage;
    while (!thread->wait(kThreadExitWaitMs))
        qWarning() << "[MainWindow] still waiting for a worker thread to end";
}

}  // namespace

VireoOWL::VireoOWL(QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::VireoOwlEdgeWindow>()), settings(QtSettingManager::GetInstance())
{
    SetupUi();
    LayoutChildren();
    StartWorkers();
}

VireoOWL::~VireoOWL()
{
    StopWorkers();
    SettingManager::ReleaseInstance();
}

void VireoOWL::SetupUi()
{
    frameResultIndex = 0;
    ui->setupUi(this);
    ui->histLayout->setContentsMargins(20, 20, 20, 20);
    ui->histLayout->setSpacing(10);
    ui->regSetting->hide();
    ui->txtHelp->hide();
    ui->regLogin->hide();
    ui->regLogout->hide();

    ui->lblLogo->setPixmap(QPixmap(QStringLiteral(":/pic/vireo_logo.png")));
    ui->lblLogo->setScaledContents(true);

    UseResourceFont();
}

void VireoOWL::StartWorkers()
{
    inferenceWorker = std::make_unique<SdkWorker>(settings->GetInferenceMode(), nullptr, nullptr);
    connect(inferenceWorker.get(), &SdkWorker::SigCleanResult, this, &VireoOWL::CleanResult);
    connect(inferenceWorker.get(), &SdkWorker::SigShowResults, this, &VireoOWL::SlotShowResults);
    connect(inferenceWorker.get(), &SdkWorker::SigShowBackground, this, &VireoOWL::SlotShowBackground);
    inferenceThread = new QThread(this);
    connect(inferenceThread, &QThread::started, inferenceWorker.get(), &SdkWorker::DoWork);
    inferenceWorker->moveToThread(inferenceThread);

    captureWorker = std::make_unique<VideoCapWorker>(inferenceWorker->Slots());
    connect(captureWorker.get(), &VideoCapWorker::SigUpdateUiMsg, this, &VireoOWL::SlotUpdatePanelMsg);
    captureThread = new QThread(this);
    connect(captureThread, &QThread::started, captureWorker.get(), &VideoCapWorker::DoWork);
    captureWorker->moveToThread(captureThread);

    inferenceWorker->SetRunning(true);
    inferenceWorker->SetInferenceEnabled(true);
    inferenceThread->start();
    captureWorker->SetRunning(true);
    captureThread->start();
}

void VireoOWL::StopWorkers()
{
    captureWorker->SetRunning(false);
    inferenceWorker->Stop();
    StopAndJoin(captureThread, "[MainWindow] videocapworker thread exit timeout");
    StopAndJoin(inferenceThread, "[MainWindow] fdfrworker thread exit timeout");
}

void VireoOWL::CleanResult(int /*count*/)
{
}

void VireoOWL::SlotUpdatePanelMsg(QString msg)
{
    QTextCursor cursor = ui->txtPanelMsg->textCursor();
    cursor.movePosition(QTextCursor::End);
    ui->txtPanelMsg->setTextCursor(cursor);
    ui->txtPanelMsg->insertHtml(msg);
}

void VireoOWL::SlotShowResults()
{
    if (std::optional<DisplayFrame> frame = inferenceWorker->TakeDisplayFrame())
        ShowPicture(frame->image);
}

void VireoOWL::SlotShowBackground()
{
    if (std::optional<DisplayFrame> frame = inferenceWorker->TakeDisplayFrame())
        ShowPicture(frame->image);
}

void VireoOWL::ShowPicture(const QImage& image)
{
    if (!settings->IsDisplayMainWindow() || image.isNull())
        return;
    const QSize area = ui->lblVideoImg->size();
    const QImage fitted =
        image.size() == area ? image : image.scaled(area, Qt::KeepAspectRatio, Qt::FastTransformation);
    ui->lblVideoImg->setPixmap(QPixmap::fromImage(fitted));
}

void VireoOWL::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_F3:
        ++frameResultIndex;
        break;
    default:
        break;
    }
}

void VireoOWL::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    LayoutChildren();
}

void VireoOWL::LayoutChildren()
{
    const int w = width();
    const int h = height();
    ui->lblVideoImg->resize(w, h);
    ui->wgHistory->resize(250, h);
    ui->lblLogo->move(w - ui->lblLogo->width() - 50, 10);
    ui->regSetting->move(w - ui->regSetting->width() - 50, ui->lblLogo->height() + 20);
    ui->txtHelp->move(ui->regSetting->x(), ui->regSetting->y() + 10);
}
