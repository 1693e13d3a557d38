#include "HostLibAdapter/HostLibAdapter.h"

#include "HostLibAdapter/ModelNumbers.h"
#include "HostLibAdapter/ModelSets.h"

#include <QMetaObject>
#include <QThread>

#include <algorithm>

namespace {

using S = DeviceState;
using E = DeviceEvent;

// The run signal of each model number, in number order.
using RunSignal = void (HostLibAdapter::*)(int, cv::Mat);
constexpr RunSignal kRunSignals[] = {&HostLibAdapter::SigRunVerify, &HostLibAdapter::SigRunAgeGender,
                                     &HostLibAdapter::SigRunYolo, &HostLibAdapter::SigRunMask,
                                     &HostLibAdapter::SigRunUserDefine};
static_assert(sizeof kRunSignals / sizeof kRunSignals[0] == kModelUserDefined + 1, "one run signal per model");

constexpr int kWaitMessageMs = 1000;

const char* RequestName(DeviceEvent event)
{
    return event == E::Connect ? "Connect" : event == E::Reset ? "Reset" : "Upload";
}

}  // namespace

HostLibAdapter* HostLibAdapter::instance = nullptr;

HostLibAdapter* HostLibAdapter::GetInstance()
{
    if (instance == nullptr)
        instance = new HostLibAdapter();
    return instance;
}

void HostLibAdapter::DestroyInstance()
{
    delete instance;
    instance = nullptr;
}

HostLibAdapter::HostLibAdapter()
    : guiThread(QThread::currentThread()), worker(std::make_unique<HostLibWorker>()), deviceThread("HostLibWorker")
{
    RegisterDeviceStateMetaType();
    deviceThread.Host(worker.get());
    HostLibWorker* w = worker.get();
    connect(this, &HostLibAdapter::SigRunVerify, w, &HostLibWorker::SlotRunVerify);
    connect(this, &HostLibAdapter::SigRunAgeGender, w, &HostLibWorker::SlotRunAgeGender);
    connect(this, &HostLibAdapter::SigRunYolo, w, &HostLibWorker::SlotRunYolo);
    connect(this, &HostLibAdapter::SigRunMask, w, &HostLibWorker::SlotRunMask);
    connect(this, &HostLibAdapter::SigRunUserDefine, w, &HostLibWorker::SlotRunUserDefine);
    connect(this, &HostLibAdapter::SigOpenDevice, w, &HostLibWorker::SlotOpen);
    connect(this, &HostLibAdapter::SigUpdateFirmware, w, &HostLibWorker::SlotUpdateFirmware);
    connect(this, &HostLibAdapter::SigLoadModel, w, &HostLibWorker::SlotLoadModel);
    connect(this, &HostLibAdapter::SigResetDevice, w, &HostLibWorker::SlotResetDevice);
    connect(this, &HostLibAdapter::SigCloseDevice, w, &HostLibWorker::SlotClose);
    connect(w, &HostLibWorker::SigOperationDone, this, &HostLibAdapter::SlotOperationDone);
    connect(w, &HostLibWorker::SigInferenceDone, this, &HostLibAdapter::SlotInferenceDone);
    connect(w, &HostLibWorker::SigInferenceFailed, this, &HostLibAdapter::SlotInferenceFailed);
    connect(w, &HostLibWorker::SigShowMsg, this, &HostLibAdapter::ShowMsg);
    waitTicks.setInterval(kWaitMessageMs);
    connect(&waitTicks, &QTimer::timeout, this, &HostLibAdapter::SlotWaitTick);
    waitLimit.setSingleShot(true);
    connect(&waitLimit, &QTimer::timeout, this, &HostLibAdapter::SlotWaitExpired);
}

HostLibAdapter::~HostLibAdapter()
{
    // The window may be half destroyed: nothing leaves from here on.
    blockSignals(true);
    StopWaiting();
    disconnect(worker.get(), nullptr, this, nullptr);
    // Behind whatever the dongle's thread has queued: a job in flight, or an
    // operation, finishes first and the library closes after it.
    QMetaObject::invokeMethod(worker.get(), "SlotClose", Qt::QueuedConnection);
    deviceThread.Stop("[Host Lib] waiting for the dongle's last call to return");
}

void HostLibAdapter::SetOptions(const Options& newOptions)
{
    options = newOptions;
}

void HostLibAdapter::SetUserModelPath(std::string ModelPath)
{
    userModelPath = std::move(ModelPath);
}

void HostLibAdapter::ShowMsg(const QString& msg)
{
    if (signalsBlocked())
        return;
    if (QThread::currentThread() == guiThread)
        emit SigShowMsg(msg);
    else
        QMetaObject::invokeMethod(this, [this, msg] { emit SigShowMsg(msg); }, Qt::QueuedConnection);
}

bool HostLibAdapter::Apply(DeviceEvent event)
{
    const DeviceState from = state.load();
    const std::optional<DeviceState> to = NextState(from, event);
    if (!to) {
        if (!IsRequest(event))
            return false;  // a late outcome
        // Connect while connected, or a reset while disconnected, is a no-op
        // the user sees as such; in the middle of something, say why.
        const bool settled = from == S::Connected || from == S::Disconnected;
        if (!settled && (event == E::Connect || event == E::Reset || event == E::ChangeModel))
            ShowMsg(QString("[Host Lib] %1 ignored: the device is %2.").arg(RequestName(event), StateName(from)));
        emit SigStateChanged(from);
        return false;
    }
    StopWaiting();
    state = *to;
    emit SigStateChanged(*to);
    return true;
}

void HostLibAdapter::SlotConnect(int Mode)
{
    Connect(Mode, Mode == kModelUserDefined ? userModelPath : std::string());
}

void HostLibAdapter::Connect(int Mode, const std::string& ModelPath)
{
    if (!Apply(E::Connect))
        return;
    model = Mode;
    modelPath = ModelPath;
    // Started with the first connect: a program on the pipe back-end never
    // has a dongle thread.
    if (!deviceThread.IsRunning())
        deviceThread.Start();
    emit SigOpenDevice();
}

void HostLibAdapter::SlotCheckFw(int Mode, std::vector<int> vecDevId, bool blConfirm)
{
    (void)Mode;  // the question was about the model of the connect under way
    const DeviceEvent event = !blConfirm ? E::FirmwareNo : vecDevId.empty() ? E::NothingToUpdate : E::FirmwareYes;
    if (!Apply(event))
        return;
    if (!blConfirm) {
        ShowMsg("[Host Lib] Update Firmware Cancel.");
        ConnectionEnded();
        return;
    }
    ShowMsg("[Host Lib] Start Update Firmware.\n\nPlease Wait................................");
    if (vecDevId.empty())
        LoadModel(false);
    else
        emit SigUpdateFirmware(vecDevId, options.firmwareDir);
}

void HostLibAdapter::SlotReset()
{
    if (!Apply(E::Reset))
        return;
    reconnectAfterReset = false;
    StartWaiting("[Host Lib] Waiting to Reset");
    emit SigResetDevice();
}

void HostLibAdapter::SlotChangeModel(int Mode, std::string ModelPath)
{
    if (!Apply(E::ChangeModel))
        return;
    model = Mode;
    modelPath = Mode == kModelUserDefined && ModelPath.empty() ? userModelPath : ModelPath;
    StartWaiting("[Host Lib] Waiting to Change Model");
    LoadModel(true);
}

void HostLibAdapter::LoadModel(bool announce)
{
    loadedWidth = InferWidth();
    loadedHeight = InferHeight();
    emit SigLoadModel({model, modelPath, options.modelDir, loadedWidth, loadedHeight, announce, ++uploads});
}

void HostLibAdapter::SlotOperationDone(DeviceOperation operation, bool blOk, std::vector<int> vecDevId)
{
    const DeviceState from = state.load();
    switch (operation) {
    case DeviceOperation::Open:
        if (!blOk) {
            if (Apply(E::OpenFailed))
                ConnectionEnded();
        } else if (Apply(E::Opened)) {
            // The panel answers through SlotCheckFw, at once when the list is empty.
            emit SigUpdateFwCheck(model, vecDevId);
        }
        break;
    case DeviceOperation::UpdateFirmware:
        if (!blOk) {
            if (Apply(E::FirmwareFailed))
                ConnectionEnded();
        } else if (Apply(E::FirmwareWritten)) {
            LoadModel(false);
        }
        break;
    case DeviceOperation::LoadModel:
        if (!blOk) {
            if (!Apply(E::ModelFailed))
                break;
            if (from == S::Connecting)
                ConnectionEnded();
            else
                emit SigResetDevice();  // a failed switch resets the dongle
            break;
        }
        if (!Apply(E::ModelLoaded))
            break;
        if (model == kModelUserDefined)
            userModelPath = modelPath;  // a reconnect loads it again
        if (from == S::Connecting)
            emit SigStatusChanged(true);
        else
            emit SigChangeModelDone();
        ReloadIfResized();
        break;
    case DeviceOperation::Reset:
        if (!Apply(E::ResetDone))
            break;
        if (from == S::Resetting) {
            emit SigStatusChanged(false);
            ShowMsg("[Host Lib] Connection Lost");
        }
        ShowMsg("[Host Lib] System Reset Done");
        emit SigInferenceDone(GetDevId(0), model, {});  // clears the display
        if (reconnectAfterReset) {
            reconnectAfterReset = false;
            Connect(model, modelPath);
        }
        break;
    case DeviceOperation::Close:
        Apply(E::Closed);
        break;
    }
}

void HostLibAdapter::ConnectionEnded()
{
    emit SigStatusChanged(false);
    ShowMsg("[Host Lib] Connection Lost");
    emit SigCloseDevice();
}

void HostLibAdapter::SlotInferenceFailed(int DevId)
{
    (void)DevId;  // its dongle is lost; the flag stays down until the next connect
    if (Apply(E::JobFailed))
        ConnectionEnded();
}

void HostLibAdapter::SlotInferenceDone(int DevId, int Mode, std::vector<FdFrResult> ResultList)
{
    emit SigInferenceDone(DevId, Mode, std::move(ResultList));
}

void HostLibAdapter::StartWaiting(const QString& msg)
{
    if (worker->Ready().IsReady(worker->DevId()))
        return;  // no job in flight: the operation runs at once
    waitingMsg = msg;
    ShowMsg(waitingMsg);
    waitTicks.start();
    waitLimit.start(std::max(options.waitLimitMs, 0));
}

void HostLibAdapter::StopWaiting()
{
    waitTicks.stop();
    waitLimit.stop();
}

void HostLibAdapter::SlotWaitTick()
{
    // The job has given the dongle back: the operation runs now.
    if (worker->Ready().IsReady(worker->DevId()))
        StopWaiting();
    else
        ShowMsg(waitingMsg);
}

void HostLibAdapter::SlotWaitExpired()
{
    const DeviceState from = state.load();
    if (!Apply(E::WaitExpired))
        return;
    ShowMsg(QString("[Host Lib] The device stayed busy for %1 s; the connection ends when it answers.")
                .arg(options.waitLimitMs / 1000.0));
    reconnectAfterReset = false;
    emit SigStatusChanged(false);
    ShowMsg("[Host Lib] Connection Lost");
    // The operation stays queued behind the job: a reset closes the library
    // itself; a model upload is skipped, and the close follows it.
    if (from != S::Resetting) {
        worker->Abandon(uploads);
        emit SigCloseDevice();
    }
}

int HostLibAdapter::InferWidth() const
{
    return std::min(cameraWidth, kMaxInferWidth);
}

int HostLibAdapter::InferHeight() const
{
    return std::min(cameraHeight, kMaxInferHeight);
}

void HostLibAdapter::SetResolution(int width, int height)
{
    if (QThread::currentThread() != guiThread) {
        QMetaObject::invokeMethod(this, [this, width, height] { SetResolution(width, height); },
                                  Qt::QueuedConnection);
        return;
    }
    cameraWidth = std::max(width, 0);
    cameraHeight = std::max(height, 0);
    // Anywhere else the new size is taken up by the next upload, or checked
    // when the connection is up again.
    if (state == S::Connected)
        ReloadIfResized();
}

void HostLibAdapter::ReloadIfResized()
{
    if (loadedWidth == InferWidth() && loadedHeight == InferHeight())
        return;
    if (!Apply(E::Reconnect))
        return;
    reconnectAfterReset = true;
    StartWaiting("[Host Lib] Waiting to Reset");
    emit SigResetDevice();
}

bool HostLibAdapter::IsReady(int DevId)
{
    return state == S::Connected && worker->Ready().IsReady(DevId);
}

bool HostLibAdapter::IsBusy() const
{
    const DeviceState now = state.load();
    return now == S::UpdatingFirmware || now == S::Resetting || now == S::ChangingModel;
}

int HostLibAdapter::GetDevId(std::size_t slot) const
{
    const int DevId = worker->DevId();
    return slot == 0 && DevId >= 0 ? DevId : 0;
}

void HostLibAdapter::Dispatch(cv::Mat image, std::size_t slot)
{
    if (state != S::Connected)
        return;
    const int DevId = worker->DevId();
    if (slot != 0 || DevId < 0) {
        ShowMsg(QString("[Host Lib] Device index %1 is not inited properly.").arg(slot));
        return;
    }
    // Test and claim in one step; the job gives the dongle back.
    if (!worker->Ready().TryClaim(DevId))
        return;
    const int Mode = worker->LoadedModel();
    if (!IsModelNumber(Mode)) {
        worker->Ready().Release(DevId);
        return;
    }
    cv::Mat frame = worker->TakeFrame(image);
    image.release();  // freed on the thread that made it
    emit(this->*kRunSignals[Mode])(DevId, std::move(frame));
}
