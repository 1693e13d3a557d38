#pragma once
// The device back-end controller: the one object through which the program
// uses the dongle. It keeps where the connection stands (DeviceState, moved
// by the table of DeviceTransitions.h), turns the panel's requests into
// operations for the dongle's own thread (HostLibWorker), hands frames to
// it, and forwards results and messages. It never waits for the dongle.

#include "HostLibAdapter/FdFrResult.h"
#include "HostLibAdapter/DeviceTransitions.h"
#include "HostLibAdapter/HostLibWorker.h"
#include "devicestate/DeviceState.h"
#include "pipeline/InferenceBackends.h"
#include "threads/OwnedThread.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <opencv2/core/mat.hpp>

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class QThread;

// Thread-safety: lives on the GUI thread, where its slots and operations run.
// IsReady, IsBusy, Dispatch, GetDevId, State and ShowMsg may be called from
// any thread; SetResolution called from another thread is handed to the GUI
// thread.
class HostLibAdapter : public QObject, public DeviceBackend {
    Q_OBJECT

public:
    // Where files are found and how long a job may keep the dongle from a
    // reset or model change. Relative directories are taken from the
    // executable's directory.
    struct Options {
        std::string modelDir = "../HostLibAdapter/models";
        std::string firmwareDir = "../HostLibAdapter/fw";
        int waitLimitMs = 10000;
    };

    // The one instance, created on first use on the GUI thread.
    static HostLibAdapter* GetInstance();
    // Closes the connection on the dongle's thread, waits for that thread to
    // end (for a call inside the library to return) and deletes the
    // instance. Nothing is emitted meanwhile.
    static void DestroyInstance();

    void SetOptions(const Options& options);

    DeviceState State() const { return state.load(); }
    bool IsConnected() const { return State() == DeviceState::Connected; }
    // Emits SigShowMsg on the GUI thread, from whatever thread it is called.
    void ShowMsg(const QString& msg);
    // The camera's frame size; images sent to the dongle are at most
    // 1280 x 720. A model loaded for another size is loaded again.
    void SetResolution(int width, int height);

    // The dongle can take a frame now: connected, and no job in flight.
    bool IsReady(int DevId) override;
    // A reset, model change or firmware update holds the dongle.
    bool IsBusy() const override;
    void Dispatch(cv::Mat image, std::size_t slot) override;
    int GetDevId(std::size_t slot) const;

    // The dongle's thread, for tests and benchmarks that need to hold it.
    QThread* DeviceThread() const { return deviceThread.Thread(); }

public slots:
    void SlotConnect(int Mode);
    void SlotReset();
    void SlotChangeModel(int Mode, std::string ModelPath);
    void SlotCheckFw(int Mode, std::vector<int> vecDevId, bool blConfirm);
    // The user model file that connecting with model 4 loads.
    void SetUserModelPath(std::string ModelPath);

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
    // Every change of state, and the state again as the answer to every
    // request that it refuses.
    void SigStateChanged(DeviceState state);

    // To the dongle's thread.
    void SigOpenDevice();
    void SigUpdateFirmware(std::vector<int> vecDevId, std::string firmwareDir);
    void SigLoadModel(ModelRequest request);
    void SigResetDevice();
    void SigCloseDevice();

private slots:
    void SlotInferenceFailed(int DevId);
    void SlotInferenceDone(int DevId, int Mode, std::vector<FdFrResult> ResultList);
    void SlotOperationDone(DeviceOperation operation, bool blOk, std::vector<int> vecDevId);
    void SlotWaitTick();
    void SlotWaitExpired();

private:
    HostLibAdapter();
    ~HostLibAdapter() override;

    // Moves by the table; false (and, for a request, the state announced
    // again) when `event` has no row in the current state.
    bool Apply(DeviceEvent event);
    void Connect(int Mode, const std::string& ModelPath);
    void LoadModel(bool announce);
    // Entered Closing: the panel learns the connection is gone, the library closes.
    void ConnectionEnded();
    // While a job holds the dongle, says `msg` now and each second.
    void StartWaiting(const QString& msg);
    void StopWaiting();
    // A model loaded for another image size than the camera's is reloaded.
    void ReloadIfResized();
    int InferWidth() const;
    int InferHeight() const;

    static HostLibAdapter* instance;

    QThread* const guiThread;
    Options options;
    // Written on the GUI thread only, read anywhere.
    std::atomic<DeviceState> state{DeviceState::Disconnected};

    // GUI thread only.
    int model = 0;                 // the model number asked for by the last connect or change
    std::string modelPath;         // its file, for the user model
    std::string userModelPath;     // the user model chosen in the panel
    bool reconnectAfterReset = false;
    int cameraWidth = 0;
    int cameraHeight = 0;
    int loadedWidth = 0;           // the image size the model was last loaded for
    int loadedHeight = 0;
    unsigned uploads = 0;          // tickets of the model uploads sent
    QTimer waitTicks;              // "Waiting to ..." each second while a job keeps the dongle
    QTimer waitLimit;              // ... up to the wait limit
    QString waitingMsg;

    std::unique_ptr<HostLibWorker> worker;  // lives on deviceThread
    OwnedThread deviceThread;               // declared last: stopped before the worker goes
};
