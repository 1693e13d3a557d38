#include "HostLibAdapter/HostLibWorker.h"

#include "HostLibAdapter/AnswerParsers.h"
#include "HostLibAdapter/DeviceImage.h"
#include "HostLibAdapter/ModelNumbers.h"
#include "HostLibAdapter/ReadyFlags.h"

#include <hostedl.h>

#include <QMetaType>

#include <algorithm>
#include <string>

namespace {

enum ProblemKind : unsigned {
    kBadFrame = 1u << 0,
    kAnswerTooLarge = 1u << 1,
    kMalformedAnswer = 1u << 2,
};

}  // namespace

void RegisterFrameMetaType()
{
    static const int id = qRegisterMetaType<cv::Mat>("cv::Mat");
    (void)id;
}

HostLibWorker::HostLibWorker(int DevId) : devId(DevId), receiveBuffer(kReceiveCapacity, '\0')
{
    RegisterFrameMetaType();
    RegisterFdFrResultListMetaType();
}

void HostLibWorker::SetImageSize(int width, int height)
{
    const auto w = static_cast<std::uint32_t>(std::clamp(width, 0, 0xFFFF));
    const auto h = static_cast<std::uint32_t>(std::clamp(height, 0, 0xFFFF));
    imageSize.store(w << 16 | h);
}

int HostLibWorker::ImageWidth() const
{
    return static_cast<int>(imageSize.load() >> 16);
}

int HostLibWorker::ImageHeight() const
{
    return static_cast<int>(imageSize.load() & 0xFFFFu);
}

void HostLibWorker::SlotRunVerify(int DevId, cv::Mat image)
{
    RunJob(DevId, image, kModelMaskDetection);
}

void HostLibWorker::SlotRunAgeGender(int DevId, cv::Mat image)
{
    RunJob(DevId, image, kModelAgeGender);
}

void HostLibWorker::SlotRunYolo(int DevId, cv::Mat image)
{
    RunJob(DevId, image, kModelObjectDetection);
}

void HostLibWorker::SlotRunMask(int DevId, cv::Mat image)
{
    RunJob(DevId, image, kModelMaskDetection);
}

void HostLibWorker::SlotRunUserDefine(int DevId, cv::Mat image)
{
    RunJob(DevId, image, kModelUserDefined);
}

void HostLibWorker::RunJob(int DevId, const cv::Mat& image, int Mode)
{
    // Another device's job: its frame is freed with the Mat, nothing else.
    if (DevId != devId)
        return;
    std::vector<FdFrResult> list;
    const int size[2] = {ImageWidth(), ImageHeight()};
    imageBuffer.resize(DeviceImageBytes(size[0], size[1]));
    if (PreprocessImage(image, imageBuffer.data(), size) != 0) {
        ReportOnce(kBadFrame, QString("[Host Lib] Frame skipped: %1 x %2 image of type %3 cannot be sent at %4 x %5.")
                                  .arg(image.cols)
                                  .arg(image.rows)
                                  .arg(image.type())
                                  .arg(size[0])
                                  .arg(size[1]));
        emit SigInferenceDone(devId, Mode, list);
        ReadyFlags::Release(devId);
        return;
    }

    // Cleared for every job, so an old answer is never parsed as a new one.
    std::fill(receiveBuffer.begin(), receiveBuffer.end(), '\0');
    std::uint32_t resultSize = 0;
    std::uint8_t resultFlag = 1;
    const int result = edl_dme_inference(devId, imageBuffer.data(), static_cast<int>(imageBuffer.size()), &resultSize,
                                         &resultFlag, receiveBuffer.data(), 0, 0);
    if (result != 0) {
        emit SigShowMsg("[Host Lib] Can not set to DME inference mode");
        emit SigInferenceFailed(devId);
        emit SigInferenceDone(devId, Mode, list);
        return;
    }
    if (resultSize > kReceiveCapacity) {
        ReportOnce(kAnswerTooLarge, QString("[Host Lib] Ignoring an answer of %1 bytes (room for %2).")
                                        .arg(resultSize)
                                        .arg(kReceiveCapacity));
    } else {
        edl_dme_retrieve_res(devId, 0, static_cast<int>(resultSize), receiveBuffer.data());
        ParseAnswer(Mode, resultSize, list);
    }
    emit SigInferenceDone(devId, Mode, list);
    ReadyFlags::Release(devId);
}

void HostLibWorker::ParseAnswer(int Mode, std::size_t size, std::vector<FdFrResult>& list)
{
    const SentImageSize sent{ImageWidth(), ImageHeight()};
    const char* answer = receiveBuffer.data();
    std::string problem;
    bool ok = true;
    switch (Mode) {
    case kModelMaskDetection:
        ok = ParseBoxList(answer, size, BoxListKind::Faces, sent, list, problem);
        break;
    case kModelObjectDetection:
        ok = ParseBoxList(answer, size, BoxListKind::Objects, sent, list, problem);
        break;
    case kModelAgeGender: {
        AgeGenderOutcome outcome;
        ok = ParseAgeGender(answer, size, sent, list, outcome, problem);
        if (ok && outcome == AgeGenderOutcome::FaceTooSmall)
            emit SigShowMsg("[Host Lib] FACE TOO SMALL");
        break;
    }
    case kModelUserDefined:
        ok = ParseUserDefined(answer, size, list, problem);
        break;
    default:
        break;
    }
    if (!ok)
        ReportOnce(kMalformedAnswer,
                   "[Host Lib] Ignoring a malformed answer: " + QString::fromStdString(problem) + ".");
}

void HostLibWorker::ReportOnce(int kind, const QString& text)
{
    const auto bit = static_cast<unsigned>(kind);
    if ((reported & bit) != 0)
        return;
    reported |= bit;
    emit SigShowMsg(text);
}
