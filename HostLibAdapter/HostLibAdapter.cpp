#include "HostLibAdapter/HostLibAdapter.h"

#include "HostLibAdapter/HostLibWorker.h"
#include "HostLibAdapter/ModelNumbers.h"
#include "HostLibAdapter/ModelSets.h"
#include "HostLibAdapter/ReadyFlags.h"
#include "OperationGuard.h"

#include <hostedl.h>

#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include <algorithm>

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

HostLibAdapter::HostLibAdapter() : guiThread(QThread::currentThread())
{
    RegisterFdFrResultListMetaType();
    RegisterFrameMetaType();
    qRegisterMetaType<std::vector<int>>("std::vector<int>");
    qRegisterMetaType<std::string>("std::string");
}

HostLibAdapter::~HostLibAdapter()
{
    // The window may be half destroyed: nothing leaves from here on.
    blockSignals(true);
    // The window stopped its threads, so a running job is the last one; wait
    // for it as long as it takes the dongle to answer, within reason.
    constexpr int kFinalJoinMs = 10000;
    EndConnection(-1, kFinalJoinMs);
    for (auto it = lingering.begin(); it != lingering.end();) {
        if (it->thread->wait(kFinalJoinMs)) {
            DeleteStopped(*it);
            it = lingering.erase(it);
        } else {
            ++it;  // still inside the library: never delete a running thread
        }
    }
    DeInitIfSafe();
}

void HostLibAdapter::SetOptions(const Options& newOptions)
{
    options = newOptions;
}

void HostLibAdapter::SetUserModelPath(const std::string& ModelPath)
{
    userModelPath = ModelPath;
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

void HostLibAdapter::SetResolution(int width, int height)
{
    if (QThread::currentThread() != guiThread) {
        QMetaObject::invokeMethod(this, [this, width, height] { SetResolution(width, height); },
                                  Qt::QueuedConnection);
        return;
    }
    cameraWidth = std::max(width, 0);
    cameraHeight = std::max(height, 0);
    const int newWidth = std::min(cameraWidth, kMaxInferWidth);
    const int newHeight = std::min(cameraHeight, kMaxInferHeight);
    const bool changed = newWidth != inferWidth || newHeight != inferHeight;
    inferWidth = newWidth;
    inferHeight = newHeight;
    // The loaded model was configured for the old size: load it again.
    if (!deviceConnected || !changed)
        return;
    if (operationRunning)
        pendingReconnect = true;
    else
        Reconnect();
}

void HostLibAdapter::Reconnect()
{
    const int Mode = ModelOf(DevIdOfSlot(0));
    SlotReset();
    SlotConnect(Mode);
}

bool HostLibAdapter::IsReady(int DevId)
{
    return deviceConnected.load() && !deviceBusy.load() && ReadyFlags::IsReady(DevId);
}

bool HostLibAdapter::IsBusy() const
{
    return deviceBusy.load();
}

int HostLibAdapter::GetDevId(std::size_t slot) const
{
    return DevIdOfSlot(slot);
}

int HostLibAdapter::DevIdOfSlot(std::size_t slot) const
{
    std::lock_guard<std::mutex> lock(mapsMutex);
    const auto it = slotToDevId.find(slot);
    return it == slotToDevId.end() ? 0 : it->second;
}

int HostLibAdapter::ModelOf(int DevId) const
{
    std::lock_guard<std::mutex> lock(mapsMutex);
    const auto it = devIdToModel.find(DevId);
    return it == devIdToModel.end() ? kModelFaceDetection : it->second;
}

void HostLibAdapter::Dispatch(cv::Mat image, std::size_t slot)
{
    if (!deviceConnected.load() || deviceBusy.load())
        return;
    int DevId = -1;
    int Mode = -1;
    {
        std::lock_guard<std::mutex> lock(mapsMutex);
        const auto it = slotToDevId.find(slot);
        if (it != slotToDevId.end()) {
            DevId = it->second;
            const auto model = devIdToModel.find(DevId);
            Mode = model == devIdToModel.end() ? -1 : model->second;
        }
    }
    if (DevId < 0) {
        ShowMsg(QString("[Host Lib] Device index %1 is not inited properly.").arg(slot));
        return;
    }
    // Test and claim in one step: a reset or model change claims the same way.
    if (!ReadyFlags::TryClaim(DevId))
        return;
    switch (Mode) {
    case kModelFaceDetection:
        emit SigRunVerify(DevId, std::move(image));
        break;
    case kModelAgeGender:
        emit SigRunAgeGender(DevId, std::move(image));
        break;
    case kModelObjectDetection:
        emit SigRunYolo(DevId, std::move(image));
        break;
    case kModelMaskDetection:
        emit SigRunMask(DevId, std::move(image));
        break;
    case kModelUserDefined:
        emit SigRunUserDefine(DevId, std::move(image));
        break;
    default:
        ReadyFlags::Release(DevId);
        break;
    }
}

void HostLibAdapter::SlotInferenceDone(int DevId, int Mode, std::vector<FdFrResult> ResultList)
{
    // The face and mask jobs are one job; the loaded model tells them apart.
    if (Mode == kModelMaskDetection && ModelOf(DevId) == kModelFaceDetection)
        Mode = kModelFaceDetection;
    emit SigInferenceDone(DevId, Mode, std::move(ResultList));
}

void HostLibAdapter::SlotInferenceFailed(int DevId)
{
    EndConnection(DevId, options.joinMs);
}

void HostLibAdapter::EndConnection(int DevId, int joinMs)
{
    emit SigStatusChanged(false);
    ShowMsg("[Host Lib] Connection Lost");
    deviceConnected = false;
    awaitingFwAnswer = false;
    ++generation;
    StopWorkers(joinMs);
    DeInitIfSafe();
    if (DevId != -1)
        ReadyFlags::Set(DevId, true);
}

void HostLibAdapter::StopWorkers(int joinMs)
{
    for (auto& entry : devIdToWorker) {
        WorkerEntry& e = entry.second;
        if (e.thread != nullptr) {
            e.thread->quit();
            if (!e.thread->wait(static_cast<unsigned long>(std::max(joinMs, 0)))) {
                // Still inside the library: it is reaped when it returns, and
                // the library is de-initialised only then.
                ShowMsg("[Host Lib] The device job is still running; the connection ends when it returns.");
                e.thread->setParent(nullptr);
                connect(e.thread, &QThread::finished, this, &HostLibAdapter::SlotReapLingering,
                        Qt::QueuedConnection);
                lingering.push_back(e);
                if (e.thread->isFinished())
                    QMetaObject::invokeMethod(this, &HostLibAdapter::SlotReapLingering, Qt::QueuedConnection);
                e = WorkerEntry{};
                continue;
            }
        }
        DeleteStopped(e);
    }
}

void HostLibAdapter::DeleteStopped(WorkerEntry& entry)
{
    if (entry.exited)
        (void)entry.exited->load(std::memory_order_acquire);
    delete entry.worker;
    delete entry.thread;
    entry = WorkerEntry{};
}

void HostLibAdapter::SlotReapLingering()
{
    for (auto it = lingering.begin(); it != lingering.end();) {
        if (it->thread->isFinished()) {
            it->thread->wait();
            DeleteStopped(*it);
            it = lingering.erase(it);
        } else {
            ++it;
        }
    }
    if (!deviceConnected && !awaitingFwAnswer && !operationRunning)
        DeInitIfSafe();
}

void HostLibAdapter::DeInitIfSafe()
{
    // Never while a job thread may still be inside the library.
    if (!libInitialised || !lingering.empty())
        return;
    edl_lib_de_init();
    libInitialised = false;
}

bool HostLibAdapter::RefuseWhileBusy()
{
    if (!operationRunning && !awaitingFwAnswer && lingering.empty())
        return false;
    ShowMsg("[Host Lib] Busy: another device operation is still running, please try again when it has ended.");
    return true;
}
