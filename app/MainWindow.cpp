#include "MainWindow.h"

#include "FrameMemory.h"
#include "ResultView.h"
#include "StatsOverlay.h"

#include "ui_VireoOwlEdgeWindow.h"

#include "HostLibAdapter/HostLibAdapter.h"
#include "HostLibAdapter/ModelNumbers.h"
#include "fifo/EdgeFifoAdaptor.h"
#include "keep/ResultsLog.h"
#include "keep/ShownRecorder.h"
#include "pipeline/SdkWorker.h"
#include "pipeline/VideoCapWorker.h"
#include "settings/QtSettingManager.h"
#include "threads/OwnedThread.h"
#include "ui/UsbPanelUiItem.h"

#include <QApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QThread>
#include <QTimer>
#include <QtDebug>

#include <algorithm>

namespace {

const char* const kFontResource = ":/pic/font/TaipeiSansTC/TaipeiSansTCBeta-Regular.ttf";
constexpr int kTargetHeight = 480;

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

}  // namespace

VireoOWL::VireoOWL(const RunOptions& options, QWidget* parent)
    : QMainWindow(parent),
      ui(std::make_unique<Ui::VireoOwlEdgeWindow>()),
      settings(QtSettingManager::GetInstance()),
      device(HostLibAdapter::GetInstance()),
      runOptions(options)
{
    KeepFramesOutOfTheHeap();
    SetupUi();
    LayoutChildren();
    StartWorkers();
    SetupKeeping();
    statsOverlay->SetVisible(runOptions.showStats);
    // Runs once the event loop turns, i.e. after the window was shown.
    QTimer::singleShot(0, this, &VireoOWL::AutoConnect);
    if (!qEnvironmentVariableIsEmpty("VIREO_STATS")) {
        auto* report = new QTimer(this);
        connect(report, &QTimer::timeout, this, [this] { stats.Report(); });
        report->start(1000);
    }
}

VireoOWL::~VireoOWL()
{
    // The recording's file is finished before the report at exit is printed.
    recorder.reset();
    StopWorkers();
    EdgeFifoAdaptor::DestroyInstance();
    SettingManager::ReleaseInstance();
    HostLibAdapter::DestroyInstance();
}

void VireoOWL::SetupUi()
{
    ui->setupUi(this);
    ui->histLayout->setContentsMargins(20, 20, 20, 20);
    ui->histLayout->setSpacing(10);
    ui->regSetting->hide();
    ui->txtHelp->hide();
    ui->regLogin->hide();
    ui->regLogout->hide();

    resultView = std::make_unique<ResultView>(this, ui->lblVideoImg);
    statsOverlay = new StatsOverlay(this, [this] { return CurrentBackEndStatus(); });

    ui->lblLogo->setPixmap(QPixmap(QStringLiteral(":/pic/vireo_logo.png")));
    ui->lblLogo->setScaledContents(true);

    usbPanel = new UsbPanelUiItem(this);
    resultView->KeepClearOf(usbPanel);
    if (settings->GetInferenceMode() == InferenceMode::Nx310) {
        usbPanel->ShowPanel(!usbPanel->isVisible());
        usbPanel->raise();
    }
    ConnectPanel();
    UseResourceFont();
}

void VireoOWL::ConnectPanel()
{
    connect(usbPanel, &UsbPanelUiItem::SigConnectBtnClicked, device, &HostLibAdapter::SlotConnect);
    connect(usbPanel, &UsbPanelUiItem::SigResetBtnClicked, device, &HostLibAdapter::SlotReset);
    connect(usbPanel, &UsbPanelUiItem::SigUpdateBtnClicked, device, &HostLibAdapter::SlotChangeModel);
    connect(usbPanel, &UsbPanelUiItem::SigUserModelChosen, device, &HostLibAdapter::SetUserModelPath);
    connect(usbPanel, &UsbPanelUiItem::SigUpdateUserDefinedClassMappingTable, this,
            &VireoOWL::SlotUpdateUserDefinedClassMappingTable);
    connect(usbPanel, &UsbPanelUiItem::SigUpdateFwConfirm, device, &HostLibAdapter::SlotCheckFw);
    connect(device, &HostLibAdapter::SigChangeModelDone, usbPanel, &UsbPanelUiItem::SlotChangeModelDone);
    // The state says all SigStatusChanged says, and where a connection
    // stands in between: the panel follows it alone.
    connect(device, &HostLibAdapter::SigStateChanged, usbPanel, &UsbPanelUiItem::SlotDeviceStateChanged);
    connect(device, &HostLibAdapter::SigUpdateFwCheck, usbPanel, &UsbPanelUiItem::SlotUpdateFwConfirmMsgShow);
    connect(device, &HostLibAdapter::SigShowMsg, usbPanel, &UsbPanelUiItem::AppendMsg);
    // The panel may be hidden (F12, a kiosk): the log keeps the lines too.
    connect(device, &HostLibAdapter::SigShowMsg, this, [](const QString& msg) { qInfo().noquote() << msg; });
    connect(device, &HostLibAdapter::SigInferenceDone, this, &VireoOWL::SlotShowNX310Result);
}

void VireoOWL::StartWorkers()
{
    const InferenceMode mode = settings->GetInferenceMode();
    if (mode == InferenceMode::Fifo)
        detector = EdgeFifoAdaptor::CreateInstance(settings->GetRequestFifo(), settings->GetResponseFifo());
    inferenceWorker = std::make_unique<SdkWorker>(mode, detector, mode == InferenceMode::Nx310 ? device : nullptr);
    connect(inferenceWorker.get(), &SdkWorker::SigShowResults, this, &VireoOWL::SlotShowResults);
    connect(inferenceWorker.get(), &SdkWorker::SigShowBackground, this, &VireoOWL::SlotShowBackground);
    inferenceThread = std::make_unique<OwnedThread>(QStringLiteral("inference"));
    connect(inferenceThread->Thread(), &QThread::started, inferenceWorker.get(), &SdkWorker::DoWork);
    inferenceThread->Host(inferenceWorker.get());

    captureWorker = std::make_unique<VideoCapWorker>(inferenceWorker->Slots());
    connect(captureWorker.get(), &VideoCapWorker::SigUpdateUiMsg, this, &VireoOWL::SlotUpdatePanelMsg);
    // Queued: the device reloads its model for a new size on the GUI thread.
    connect(captureWorker.get(), &VideoCapWorker::SigCameraOpened, device, &HostLibAdapter::SetResolution);
    captureThread = std::make_unique<OwnedThread>(QStringLiteral("capture"));
    connect(captureThread->Thread(), &QThread::started, captureWorker.get(), &VideoCapWorker::DoWork);
    captureThread->Host(captureWorker.get());

    const CameraSize camera = settings->GetCameraSize();
    if (camera.IsKnown())
        device->SetResolution(camera.width, camera.height);
    // The detector's frames are fitted to the camera's size at each frame,
    // so a camera that opens later or reopens at another size is followed.
    if (detector != nullptr)
        detector->SetTargetHeight(kTargetHeight);

    inferenceWorker->SetRunning(true);
    inferenceWorker->SetInferenceEnabled(true);
    inferenceThread->Start();
    captureWorker->SetRunning(true);
    captureThread->Start();
}

void VireoOWL::StopWorkers()
{
    captureWorker->SetRunning(false);
    inferenceWorker->Stop();
    captureThread->Stop("[MainWindow] videocapworker thread exit timeout");
    inferenceThread->Stop("[MainWindow] fdfrworker thread exit timeout");
    captureWorker.reset();
    inferenceWorker.reset();
}

// VIREO_AUTOCONNECT=<model number> connects at start as if the user had
// pressed Connect: for demos and kiosks without a mouse. With
// VIREO_AUTOCONNECT_RETRY_SEC=<n> a lost or failed connection is tried again
// every n seconds, so a re-plugged dongle comes back by itself.
void VireoOWL::AutoConnect()
{
    const QByteArray value = qgetenv("VIREO_AUTOCONNECT");
    if (value.isEmpty() || settings->GetInferenceMode() != InferenceMode::Nx310)
        return;
    bool isNumber = false;
    const int mode = value.toInt(&isNumber);
    if (!isNumber || !IsModelNumber(mode)) {
        qWarning() << "[MainWindow] VIREO_AUTOCONNECT must be a model number from 0 to 4, not" << value;
        return;
    }
    const QString model = qEnvironmentVariable("VIREO_AUTOCONNECT_MODEL");
    if (mode == kModelUserDefined && model.isEmpty()) {
        qWarning() << "[MainWindow] VIREO_AUTOCONNECT=4 needs VIREO_AUTOCONNECT_MODEL (and VIREO_AUTOCONNECT_LABELS)";
        return;
    }
    const int retrySec = qEnvironmentVariableIntValue("VIREO_AUTOCONNECT_RETRY_SEC");
    if (retrySec > 0) {
        // Every connection that ends, however it ends, ends disconnected:
        // each time, one attempt after the pause.
        auto* retry = new QTimer(this);
        retry->setSingleShot(true);
        retry->setInterval(std::min(retrySec, 3600) * 1000);
        connect(retry, &QTimer::timeout, this, [this, mode, model] { usbPanel->ConnectWithModel(mode, model); });
        connect(device, &HostLibAdapter::SigStateChanged, retry, [retry](DeviceState state) {
            if (state == DeviceState::Disconnected && !retry->isActive())
                retry->start();
        });
    }
    usbPanel->ConnectWithModel(mode, model, qEnvironmentVariable("VIREO_AUTOCONNECT_LABELS"));
}

void VireoOWL::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_F1:
        resultView->ToggleFramePanel();
        break;
    case Qt::Key_F2:
        resultView->ToggleFramePicture();
        break;
    case Qt::Key_F3:
        resultView->NextFrameEntry();
        break;
    case Qt::Key_F4:
        statsOverlay->Toggle();
        break;
    case Qt::Key_F5:
        TakeSnapshot();
        break;
    case Qt::Key_F6:
        ToggleRecording();
        break;
    case Qt::Key_F12:
        if (settings->GetInferenceMode() == InferenceMode::Nx310) {
            usbPanel->ShowPanel(!usbPanel->isVisible());
            usbPanel->raise();
        }
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
    resultView->Resize(QSize(w, h));
    ui->wgHistory->resize(250, h);
    ui->lblLogo->move(w - ui->lblLogo->width() - 50, 10);
    ui->regSetting->move(w - ui->regSetting->width() - 50, ui->lblLogo->height() + 20);
    ui->txtHelp->move(ui->regSetting->x(), ui->regSetting->y() + 10);
    usbPanel->resize(usbPanel->width(), h);
    usbPanel->move(w - usbPanel->width(), 0);
}
