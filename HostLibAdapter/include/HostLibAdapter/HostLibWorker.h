#pragma once
// The per-frame work on one dongle: shrink and convert the frame, have the
// dongle run the loaded model, parse its answer into result records.

#include "HostLibAdapter/FdFrResult.h"

#include <QObject>
#include <QString>

#include <opencv2/core/mat.hpp>

#include <atomic>
#include <cstdint>
#include <vector>

// Registers cv::Mat (frames travel by value through queued run signals);
// safe to call any number of times, from any thread.
void RegisterFrameMetaType();

// Thread-safety: lives on its own QThread, where all slots run one after
// another; SetImageSize and DevId may be called from any thread.
class HostLibWorker : public QObject {
    Q_OBJECT

public:
    explicit HostLibWorker(int DevId);

    int DevId() const { return devId; }
    // The size of the images sent to the dongle, as configured with the
    // model (0 x 0 until then: jobs are refused).
    void SetImageSize(int width, int height);
    int ImageWidth() const;
    int ImageHeight() const;

    // Receive buffer capacity: room for any answer the models give.
    static constexpr std::size_t kReceiveCapacity = 256 * 1024;

public slots:
    // Jobs, one per model; a job for another device's index is ignored. The
    // face job reports model number 3 (the controller tells face from mask).
    void SlotRunVerify(int DevId, cv::Mat image);
    void SlotRunAgeGender(int DevId, cv::Mat image);
    void SlotRunYolo(int DevId, cv::Mat image);
    void SlotRunMask(int DevId, cv::Mat image);
    void SlotRunUserDefine(int DevId, cv::Mat image);

signals:
    void SigInferenceDone(int DevId, int Mode, std::vector<FdFrResult> ResultList);
    void SigInferenceFailed(int DevId);
    void SigShowMsg(QString msg);

private:
    void RunJob(int DevId, const cv::Mat& image, int Mode);
    // Parses the answer of `size` bytes in the receive buffer.
    void ParseAnswer(int Mode, std::size_t size, std::vector<FdFrResult>& list);
    // Reports a malformed answer or frame once per kind of problem.
    void ReportOnce(int kind, const QString& text);

    const int devId;
    std::atomic<std::uint32_t> imageSize{0};  // width << 16 | height
    std::vector<char> imageBuffer;
    std::vector<char> receiveBuffer;
    unsigned reported = 0;  // bit per kind of problem already shown
};
