// Connecting: library start, device, firmware question, firmware update and
// the first model upload.
#include "HostLibAdapter/HostLibAdapter.h"

#include "HostLibAdapter/FirmwareUpdate.h"
#include "HostLibAdapter/HostLibWorker.h"
#include "HostLibAdapter/ModelNumbers.h"
#include "HostLibAdapter/ReadyFlags.h"
#include "OperationGuard.h"

#include <hostedl.h>

#include <QThread>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>

void HostLibAdapter::SlotConnect(int Mode)
{
    if (deviceConnected || RefuseWhileBusy())
        return;
    std::vector<int> vecDevId;
    {
        OperationGuard guard(this);
        if (!ConnectDevices(vecDevId)) {
            EndConnection(-1, options.joinMs);
            return;
        }
        awaitingFwAnswer = true;
    }
    // The panel answers through SlotCheckFw, at once when the list is empty.
    emit SigUpdateFwCheck(Mode, vecDevId);
}

bool HostLibAdapter::ConnectDevices(std::vector<int>& vecDevId)
{
    ShowMsg("[Host Lib] Init edl host lib log....");
    edl_init_log("./", "campus_hostlib.log");
    DeInitIfSafe();  // a de-init postponed for a late job thread
    if (edl_lib_init() < 0) {
        ShowMsg("[Host Lib] Init for edl host lib failed.");
        return false;
    }
    libInitialised = true;

    ShowMsg("[Host Lib] Adding devices....");
    const int DevId = edl_add_dev(1, "");
    if (DevId < 0) {
        ShowMsg("[Host Lib] Add device failed.");
        return false;
    }
    AddDevice(0, DevId);

    ShowMsg("[Host Lib] Start edl host lib....");
    if (edl_lib_start() < 0) {
        ShowMsg("[Host Lib] Start edl host lib failed.");
        return false;
    }

    std::uint32_t firmwareId = 0;
    std::uint32_t buildId = 0;
    std::uint16_t status1 = 0;
    std::uint16_t status2 = 0;
    std::uint32_t ncpuFirmwareId = 0;
    std::uint32_t ncpuBuildId = 0;
    if (edl_report_sys_status(DevId, &firmwareId, &buildId, &status1, &status2, &ncpuFirmwareId, &ncpuBuildId) !=
        0) {
        ShowMsg("[Host Lib] Reading the device's firmware version failed.");
        return false;
    }
    std::printf("SCPU FW ID: %u\nSCPU Build ID: %u\n", static_cast<unsigned>(firmwareId),
                static_cast<unsigned>(buildId));
    std::fflush(stdout);
    ShowMsg("[Host Lib] System Info Check: On");
    if (FirmwareNeedsUpdate(firmwareId, buildId))
        vecDevId.push_back(DevId);
    return true;
}

void HostLibAdapter::AddDevice(std::size_t slot, int DevId)
{
    {
        std::lock_guard<std::mutex> lock(mapsMutex);
        slotToDevId[slot] = DevId;
        devIdToModel[DevId] = kModelFaceDetection;
    }
    ReadyFlags::Set(DevId, true);

    auto* worker = new HostLibWorker(DevId);
    auto* thread = new QThread(this);
    thread->setObjectName(QString("HostLibWorker-%1").arg(DevId));
    connect(this, &HostLibAdapter::SigRunVerify, worker, &HostLibWorker::SlotRunVerify);
    connect(this, &HostLibAdapter::SigRunAgeGender, worker, &HostLibWorker::SlotRunAgeGender);
    connect(this, &HostLibAdapter::SigRunYolo, worker, &HostLibWorker::SlotRunYolo);
    connect(this, &HostLibAdapter::SigRunMask, worker, &HostLibWorker::SlotRunMask);
    connect(this, &HostLibAdapter::SigRunUserDefine, worker, &HostLibWorker::SlotRunUserDefine);
    // A result or failure still queued when its connection ended belongs to
    // that connection, not to the next one; an empty list only clears the
    // display, which is right after a loss too.
    const unsigned current = generation;
    connect(worker, &HostLibWorker::SigInferenceDone, this,
            [this, current](int Id, int Mode, std::vector<FdFrResult> ResultList) {
                if (current == generation || ResultList.empty())
                    SlotInferenceDone(Id, Mode, std::move(ResultList));
            });
    connect(worker, &HostLibWorker::SigInferenceFailed, this, [this, current](int Id) {
        if (current == generation)
            SlotInferenceFailed(Id);
    });
    connect(worker, &HostLibWorker::SigShowMsg, this, &HostLibAdapter::ShowMsg);
    auto exited = std::make_shared<std::atomic<bool>>(false);
    connect(
        thread, &QThread::finished, thread, [exited] { exited->store(true, std::memory_order_release); },
        Qt::DirectConnection);
    worker->moveToThread(thread);  // started after the first model upload
    devIdToWorker[DevId] = {thread, worker, exited};
}

void HostLibAdapter::SlotCheckFw(int Mode, std::vector<int> vecDevId, bool blConfirm)
{
    // Only the answer to this connection's question counts.
    if (!awaitingFwAnswer || operationRunning)
        return;
    awaitingFwAnswer = false;
    OperationGuard guard(this);
    if (!libInitialised)
        return;
    if (!blConfirm) {
        ShowMsg("[Host Lib] Update Firmware Cancel.");
        EndConnection(-1, options.joinMs);
        return;
    }
    ShowMsg("[Host Lib] Start Update Firmware.\n\nPlease Wait................................");
    for (const int DevId : vecDevId) {
        ShowMsg(QString("[Host Lib] Start Update Device -  %1 Firmware.\n\nPlease Wait................................")
                    .arg(DevId));
        if (!UpdateFw(DevId)) {
            ShowMsg("[Host Lib] Update Firmware Failed.");
            EndConnection(-1, options.joinMs);
            return;
        }
    }
    const int DevId = DevIdOfSlot(0);
    const auto entry = devIdToWorker.find(DevId);
    QThread* thread = entry == devIdToWorker.end() ? nullptr : entry->second.thread;
    const bool ok = thread != nullptr && SetModel(0, Mode, Mode == kModelUserDefined ? userModelPath : "");
    if (!ok) {
        EndConnection(-1, options.joinMs);
        return;
    }
    thread->start(QThread::InheritPriority);
    deviceConnected = true;
    emit SigStatusChanged(true);
}

bool HostLibAdapter::UpdateFw(int DevId)
{
    if (!ReadyFlags::TryClaim(DevId)) {
        ShowMsg(QString("[Host Lib] Device %1 is not ready for a firmware update.").arg(DevId));
        return false;
    }
    deviceBusy = true;
    const bool ok = WriteFirmwareImages(DevId, options.firmwareDir, [this](const QString& msg) { ShowMsg(msg); });
    ReadyFlags::Release(DevId);
    deviceBusy = false;
    return ok;
}
