#pragma once
// The device back-end controller: connects to the dongle, checks its firmware,
// uploads models, hands frames to the per-device job worker and forwards the
// results; resets the dongle or switches its model on request. Its messages
// ("[Host Lib] ...") leave through SigShowMsg; it knows no widgets.

#include "HostLibAdapter/FdFrResult.h"
#include "pipeline/InferenceBackends.h"

#include <QObject>
#include <QString>

#include <opencv2/core/mat.hpp>

#include <atomic>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class HostLibWorker;
class QThread;

// Thread-safety: lives on the GUI thread, where its slots and operations run.
// IsReady, IsBusy, Dispatch, GetDevId and ShowMsg may be called from any
// thread; SetResolution called from another thread is handed to the GUI
// thread.
class HostLibAdapter : public QObject, public DeviceBackend {
    Q_OBJECT

public:
    // Where files are found and how long waits last. Relative directories are
    // taken from the executable's directory.
    struct Options {
        std::string modelDir = "../HostLibAdapter/models";
        std::string firmwareDir = "../HostLibAdapter/fw";
        int waitLimitMs = 10000;  // reset / model change waiting for a running job
        int joinMs = 3000;        // stopping the job thread
    };

    // The one instance, created on first use on the GUI thread.
    static HostLibAdapter* GetInstance();
    // Ends the connection (stops and joins the job thread, de-initialises the
    // library) without emitting anything, and deletes the instance.
    static void DestroyInstance();

    void SetOptions(const Options& options);
    // The user model file loaded when connecting with model 4 (remembered
    // from the last successful upload otherwise).
    void SetUserModelPath(const std::string& ModelPath);

    // Emits SigShowMsg on the GUI thread, from whatever thread it is called.
    void ShowMsg(const QString& msg);
    // The camera's frame size; images sent to the dongle are at most
    // 1280 x 720. A change while connected reconnects with the new size.
    void SetResolution(int width, int height);

    bool IsReady(int DevId) override;
    bool IsBusy() const override;
    void Dispatch(cv::Mat image, std::size_t slot) override;
    int GetDevId(std::size_t slot) const;
    bool IsConnected() const { return deviceConnected.load(); }

    // Model upload onto the device in `slot`; see ModelNumbers.h.
    bool SetModel(std::size_t slot, int Mode, const std::string& ModelPath);
    bool ConfigAgeGender(int DevId);
    bool ConfigYolo(int DevId);
    bool ConfigMask(int DevId);
    bool ConfigUserDefine(int DevId, const std::string& ModelPath);
    // Writes both firmware images into the device; claims it meanwhile.
    bool UpdateFw(int DevId);

public slots:
    void SlotConnect(int Mode);
    void SlotReset();
    void SlotChangeModel(int Mode, std::string ModelPath);
    void SlotCheckFw(int Mode, std::vector<int> vecDevId, bool blConfirm);

signals:
    void SigRunVerify(int DevId, cv::Mat image);
    void SigRunAgeGender(int DevId, cv::Mat image);
    void SigRunYolo(int DevId, cv::Mat image);
    void SigRunMask(int DevId, cv::Mat image);
    void SigRunUserDefine(int DevId, cv::Mat image);
    void SigInferenceDone(int DevId, int Mode, std::vector<FdFrResult> ResultList);
    void SigChangeModelDone();
    void SigStatusChanged(bool blStatus);
    void SigUpdateFwCheck(int Mode, std::vector<int> vecDevId);
    void SigShowMsg(QString msg);

private slots:
    void SlotInferenceFailed(int DevId);
    void SlotInferenceDone(int DevId, int Mode, std::vector<FdFrResult> ResultList);
    void SlotReapLingering();

private:
    struct WorkerEntry {
        QThread* thread = nullptr;
        HostLibWorker* worker = nullptr;
        // Set by the job thread as its last act: reading it after the thread
        // has stopped hands the worker's memory back to this thread.
        std::shared_ptr<std::atomic<bool>> exited;
    };
    enum class WaitResult { Claimed, Lost, TimedOut };
    class OperationGuard;

    HostLibAdapter();
    ~HostLibAdapter() override;

    bool ConnectDevices(std::vector<int>& vecDevId);
    void AddDevice(std::size_t slot, int DevId);
    // The connection-lost path: status false, workers stopped, library
    // de-initialised; the device's ready flag set again unless DevId is -1.
    void EndConnection(int DevId, int joinMs);
    void StopWorkers(int joinMs);
    static void DeleteStopped(WorkerEntry& entry);
    void DeInitIfSafe();
    void ResetDevice();
    void Reconnect();
    WaitResult WaitForClaim(int DevId, const QString& waitingMsg);
    bool LoadSet(int DevId, int Mode);
    int DevIdOfSlot(std::size_t slot) const;
    int ModelOf(int DevId) const;
    bool RefuseWhileBusy();

    static HostLibAdapter* instance;

    QThread* const guiThread;
    Options options;
    std::atomic<bool> deviceConnected{false};
    std::atomic<bool> deviceBusy{false};

    // GUI thread only.
    bool libInitialised = false;
    bool operationRunning = false;
    bool awaitingFwAnswer = false;
    bool pendingReconnect = false;
    unsigned generation = 0;  // results of an ended connection's worker are dropped
    int inferWidth = 0;
    int inferHeight = 0;
    int cameraWidth = 0;
    int cameraHeight = 0;
    std::string userModelPath;
    std::map<int, WorkerEntry> devIdToWorker;
    std::vector<WorkerEntry> lingering;  // job threads that did not stop in time

    // Read by Dispatch on the inference thread; written on the GUI thread.
    mutable std::mutex mapsMutex;
    std::map<std::size_t, int> slotToDevId;
    std::map<int, int> devIdToModel;
};
