#pragma once
// The dongle's owner: the one object that calls the host library for it.
// It lives on a thread of its own and takes every operation there as a
// queued call, in the order they were sent: opening the library and the
// dongle, firmware update, model upload, the per-frame jobs, reset and
// closing. Outcomes, results and messages go back as signals.

#include "HostLibAdapter/FdFrResult.h"
#include "HostLibAdapter/ReadyFlags.h"

#include <QMetaType>
#include <QObject>
#include <QString>

#include <opencv2/core/mat.hpp>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

enum class DeviceOperation { Open, UpdateFirmware, LoadModel, Reset, Close };
Q_DECLARE_METATYPE(DeviceOperation)

// What a model upload needs; the image size is the one jobs will send.
struct ModelRequest {
    int Mode = 0;
    std::string ModelPath;  // the user model's file (model 4)
    std::string modelDir;   // the built-in sets
    int width = 0;
    int height = 0;
    bool announce = false;  // a switch on a live connection says "Set To Model No. N"
    unsigned ticket = 0;    // counts from 1; see HostLibWorker::Abandon
};
Q_DECLARE_METATYPE(ModelRequest)

// Registers cv::Mat (frames travel by value through queued run signals);
// safe to call any number of times, from any thread.
void RegisterFrameMetaType();

// Thread-safety: lives on the dongle's own thread, where every slot runs.
// Ready(), DevId() and TakeFrame() are for any thread (see each).
class HostLibWorker : public QObject {
    Q_OBJECT

public:
    HostLibWorker();

    // The device index edl_add_dev gave, -1 before.
    int DevId() const { return devId.load(); }
    // The model number the dongle runs, -1 when none.
    int LoadedModel() const { return loadedModel.load(); }
    // Set while the dongle may take a frame: after a model upload, and again
    // after each job.
    ReadyFlags& Ready() { return ready; }
    // The frame the next job sends, copied into the session's own buffer.
    // Called by the thread that has just claimed the device (Ready()), so
    // the job before has finished with the buffer; frames are thus neither
    // allocated per frame nor freed on another thread than their own.
    cv::Mat TakeFrame(const cv::Mat& frame);
    // Model uploads of tickets up to `ticket` that have not started yet are
    // skipped: the controller has given up on them. Any thread.
    void Abandon(unsigned ticket) { abandonedUpTo = ticket; }

    // Receive buffer capacity: room for any answer the models give.
    static constexpr std::size_t kReceiveCapacity = 256 * 1024;

public slots:
    // Library log, library, dongle, firmware identity. Reports the devices
    // whose firmware is too old with the outcome.
    void SlotOpen();
    void SlotUpdateFirmware(std::vector<int> vecDevId, std::string firmwareDir);
    void SlotLoadModel(ModelRequest request);
    // Resets the dongle (unless it was lost) and closes the library.
    void SlotResetDevice();
    void SlotClose();

    // Jobs, one per model number; a job for another device's index is
    // ignored, one for a model that is not loaded (any more) is dropped.
    void SlotRunVerify(int DevId, cv::Mat image);
    void SlotRunAgeGender(int DevId, cv::Mat image);
    void SlotRunYolo(int DevId, cv::Mat image);
    void SlotRunMask(int DevId, cv::Mat image);
    void SlotRunUserDefine(int DevId, cv::Mat image);

signals:
    // `vecDevId`: after a successful Open, the devices that need a firmware
    // update; empty otherwise.
    void SigOperationDone(DeviceOperation operation, bool blOk, std::vector<int> vecDevId);
    void SigInferenceDone(int DevId, int Mode, std::vector<FdFrResult> ResultList);
    void SigInferenceFailed(int DevId);
    void SigShowMsg(QString msg);

private:
    // What this thread knows of the library and the dongle. Open: Down ->
    // Initialised; a model upload: -> Configured, or Initialised when it
    // fails; a failed job: Configured -> Lost; reset and close: any -> Down.
    enum class Link {
        Down,         // library not initialised
        Initialised,  // library up; no model configured
        Configured,   // a model runs; jobs go to the dongle
        Lost,         // a job failed: the dongle is gone until the library closes
    };

    bool OpenDevice(std::vector<int>& vecDevId);
    bool LoadModel(const ModelRequest& request);
    void CloseLibrary();
    void Done(DeviceOperation operation, bool blOk, std::vector<int> vecDevId = {});
    void RunJob(int DevId, const cv::Mat& image, int Mode);
    // Parses the answer of `size` bytes in the receive buffer.
    void ParseAnswer(int Mode, std::size_t size, std::vector<FdFrResult>& list);
    // Reports a malformed answer or frame once per kind of problem and connection.
    void ReportOnce(unsigned kind, const QString& text);

    std::atomic<int> devId{-1};
    std::atomic<int> loadedModel{-1};  // written on the dongle's thread only
    std::atomic<unsigned> abandonedUpTo{0};
    ReadyFlags ready;
    cv::Mat frameBuffer;  // written under the device's claim, see TakeFrame

    // The dongle's thread only.
    Link link = Link::Down;
    int imageWidth = 0;
    int imageHeight = 0;
    std::vector<char> imageBuffer;
    std::vector<char> receiveBuffer;
    unsigned reported = 0;  // bit per kind of problem already shown
};
