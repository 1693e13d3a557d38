// Reset, model change and model upload: the operations that take a connected
// device away from the job worker for a while.
#include "HostLibAdapter/HostLibAdapter.h"

#include "HostLibAdapter/HostLibWorker.h"
#include "HostLibAdapter/ModelLoader.h"
#include "HostLibAdapter/ModelNumbers.h"
#include "HostLibAdapter/ReadyFlags.h"
#include "OperationGuard.h"
#include "settings/AppPaths.h"

#include <hostedl.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace {

constexpr int kWaitSliceMs = 20;
constexpr int kWaitMessageMs = 1000;

}  // namespace

HostLibAdapter::WaitResult HostLibAdapter::WaitForClaim(int DevId, const QString& waitingMsg)
{
    QElapsedTimer timer;
    timer.start();
    qint64 nextMessage = 0;
    for (;;) {
        if (!deviceConnected)
            return WaitResult::Lost;
        if (ReadyFlags::TryClaim(DevId))
            return WaitResult::Claimed;
        const qint64 elapsed = timer.elapsed();
        if (elapsed >= options.waitLimitMs)
            return WaitResult::TimedOut;
        if (elapsed >= nextMessage) {
            ShowMsg(waitingMsg);
            nextMessage += kWaitMessageMs;
        }
        // Lets a failed job's queued report run: it ends the connection and
        // gives the device back.
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::msleep(kWaitSliceMs);
    }
}

void HostLibAdapter::SlotReset()
{
    if (!deviceConnected || RefuseWhileBusy())
        return;
    OperationGuard guard(this);
    ResetDevice();
}

void HostLibAdapter::ResetDevice()
{
    const int DevId = DevIdOfSlot(0);
    deviceBusy = true;
    const WaitResult waited = WaitForClaim(DevId, "[Host Lib] Waiting to Reset");
    if (waited == WaitResult::Claimed) {
        if (edl_reset_sys(DevId, 255) != 0)
            ShowMsg("[Host Lib] System Reset Failed");
        ReadyFlags::Release(DevId);
    } else if (waited == WaitResult::TimedOut) {
        ShowMsg(QString("[Host Lib] The device stayed busy for %1 s; ending the connection without a reset.")
                    .arg(options.waitLimitMs / 1000.0));
    }
    deviceBusy = false;
    if (waited != WaitResult::Lost)  // a loss has ended the connection already
        EndConnection(-1, options.joinMs);
    ShowMsg("[Host Lib] System Reset Done");
    emit SigInferenceDone(DevId, ModelOf(DevId), {});
}

void HostLibAdapter::SlotChangeModel(int Mode, std::string ModelPath)
{
    if (!deviceConnected || RefuseWhileBusy())
        return;
    OperationGuard guard(this);
    const int DevId = DevIdOfSlot(0);
    deviceBusy = true;
    const WaitResult waited = WaitForClaim(DevId, "[Host Lib] Waiting to Change Model");
    if (waited == WaitResult::Lost) {
        deviceBusy = false;
        return;
    }
    bool ok = false;
    if (waited == WaitResult::Claimed) {
        ShowMsg(QString("[Host Lib] Set To Model No. %1").arg(Mode));
        if (Mode == kModelUserDefined && ModelPath.empty())
            ModelPath = userModelPath;
        ok = SetModel(0, Mode, ModelPath);
        ReadyFlags::Release(DevId);
    } else {
        ShowMsg(QString("[Host Lib] The device stayed busy for %1 s; the model was not changed.")
                    .arg(options.waitLimitMs / 1000.0));
    }
    deviceBusy = false;
    if (ok)
        emit SigChangeModelDone();
    else
        ResetDevice();
}

bool HostLibAdapter::SetModel(std::size_t slot, int Mode, const std::string& ModelPath)
{
    int DevId;
    {
        std::lock_guard<std::mutex> lock(mapsMutex);
        const auto it = slotToDevId.find(slot);
        if (it == slotToDevId.end() || it->second < 0)
            return false;
        DevId = it->second;
        devIdToModel[DevId] = Mode;
    }
    if (inferWidth <= 0 || inferHeight <= 0) {
        ShowMsg("[Host Lib] The camera's image size is not known yet; open the camera before loading a model.");
        return false;
    }
    bool ok;
    switch (Mode) {
    case kModelFaceDetection:
    case kModelMaskDetection:
        ok = ConfigMask(DevId);
        break;
    case kModelAgeGender:
        ok = ConfigAgeGender(DevId);
        break;
    case kModelObjectDetection:
        ok = ConfigYolo(DevId);
        break;
    case kModelUserDefined:
        ok = ConfigUserDefine(DevId, ModelPath);
        if (ok)
            userModelPath = ModelPath;
        break;
    default:
        ShowMsg(QString("[Host Lib] There is no model number %1.").arg(Mode));
        return false;
    }
    // The job worker sends images at the size the model was configured for.
    const auto entry = devIdToWorker.find(DevId);
    if (ok && entry != devIdToWorker.end() && entry->second.worker != nullptr)
        entry->second.worker->SetImageSize(inferWidth, inferHeight);
    return ok;
}

bool HostLibAdapter::LoadSet(int DevId, int Mode)
{
    ModelSet set;
    if (!ModelSetFor(Mode, options.modelDir, inferWidth, inferHeight, set))
        return false;
    return LoadModelSet(DevId, set, [this](const QString& msg) { ShowMsg(msg); });
}

bool HostLibAdapter::ConfigAgeGender(int DevId)
{
    return LoadSet(DevId, kModelAgeGender);
}

bool HostLibAdapter::ConfigYolo(int DevId)
{
    return LoadSet(DevId, kModelObjectDetection);
}

bool HostLibAdapter::ConfigMask(int DevId)
{
    return LoadSet(DevId, kModelMaskDetection);
}

bool HostLibAdapter::ConfigUserDefine(int DevId, const std::string& ModelPath)
{
    const MessageFn msg = [this](const QString& text) { ShowMsg(text); };
    std::string fwInfoPath;
    std::string allModelsPath;
    if (!SplitModelFile(ModelPath, fwInfoPath, allModelsPath, PrivateTempDir(), msg)) {
        msg("[Host Lib] Split model files failed");
        return false;
    }
    return LoadModelSet(DevId, UserModelSet(fwInfoPath, allModelsPath, inferWidth, inferHeight), msg);
}
