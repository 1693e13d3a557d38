#include "HostLibAdapter/HostLibWorker.h"

#include "HostLibAdapter/AnswerParsers.h"
#include "HostLibAdapter/DeviceImage.h"
#include "HostLibAdapter/FirmwareUpdate.h"
#include "HostLibAdapter/ModelLoader.h"
#include "HostLibAdapter/ModelNumbers.h"
#include "HostLibAdapter/ModelSets.h"
#include "pipeline/StageRecorder.h"
#include "settings/AppPaths.h"

#include <hostedl.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

enum ProblemKind : unsigned {
    kBadFrame = 1u << 0,
    kAnswerTooLarge = 1u << 1,
    kMalformedAnswer = 1u << 2,
    kTooManyBoxes = 1u << 3,
};

}  // namespace

void RegisterFrameMetaType()
{
    static const int id = qRegisterMetaType<cv::Mat>("cv::Mat");
    (void)id;
}

HostLibWorker::HostLibWorker() : receiveBuffer(kReceiveCapacity, '\0')
{
    RegisterFrameMetaType();
    RegisterFdFrResultListMetaType();
    qRegisterMetaType<DeviceOperation>("DeviceOperation");
    qRegisterMetaType<ModelRequest>("ModelRequest");
    qRegisterMetaType<std::vector<int>>("std::vector<int>");
    qRegisterMetaType<std::string>("std::string");
}

cv::Mat HostLibWorker::TakeFrame(const cv::Mat& frame)
{
    // Same size and type as before: the buffer is reused as it is.
    frame.copyTo(frameBuffer);
    return frameBuffer;
}

void HostLibWorker::Done(DeviceOperation operation, bool blOk, std::vector<int> vecDevId)
{
    emit SigOperationDone(operation, blOk, std::move(vecDevId));
}

void HostLibWorker::SlotOpen()
{
    std::vector<int> vecDevId;
    const bool ok = OpenDevice(vecDevId);
    Done(DeviceOperation::Open, ok, ok ? vecDevId : std::vector<int>{});
}

bool HostLibWorker::OpenDevice(std::vector<int>& vecDevId)
{
    CloseLibrary();  // never two sessions at once
    reported = 0;
    emit SigShowMsg("[Host Lib] Init edl host lib log....");
    edl_init_log("./", "campus_hostlib.log");
    if (edl_lib_init() < 0) {
        emit SigShowMsg("[Host Lib] Init for edl host lib failed.");
        return false;
    }
    link = Link::Initialised;

    emit SigShowMsg("[Host Lib] Adding devices....");
    const int DevId = edl_add_dev(1, "");
    if (DevId < 0) {
        emit SigShowMsg("[Host Lib] Add device failed.");
        return false;
    }
    devId = DevId;
    ready.Set(DevId, false);  // until a model runs

    emit SigShowMsg("[Host Lib] Start edl host lib....");
    if (edl_lib_start() < 0) {
        emit SigShowMsg("[Host Lib] Start edl host lib failed.");
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
        emit SigShowMsg("[Host Lib] Reading the device's firmware version failed.");
        return false;
    }
    std::printf("SCPU FW ID: %u\nSCPU Build ID: %u\n", static_cast<unsigned>(firmwareId),
                static_cast<unsigned>(buildId));
    std::fflush(stdout);
    emit SigShowMsg("[Host Lib] System Info Check: On");
    if (FirmwareNeedsUpdate(firmwareId, buildId))
        vecDevId.push_back(DevId);
    return true;
}

void HostLibWorker::SlotUpdateFirmware(std::vector<int> vecDevId, std::string firmwareDir)
{
    bool ok = link == Link::Initialised;
    const MessageFn msg = [this](const QString& text) { emit SigShowMsg(text); };
    for (auto it = vecDevId.begin(); ok && it != vecDevId.end(); ++it) {
        msg(QString("[Host Lib] Start Update Device -  %1 Firmware.\n\nPlease Wait................................")
                .arg(*it));
        ok = WriteFirmwareImages(*it, firmwareDir, msg);
    }
    if (!ok)
        msg("[Host Lib] Update Firmware Failed.");
    Done(DeviceOperation::UpdateFirmware, ok);
}

void HostLibWorker::SlotLoadModel(ModelRequest request)
{
    Done(DeviceOperation::LoadModel, LoadModel(request));
}

bool HostLibWorker::LoadModel(const ModelRequest& request)
{
    // A dongle lost meanwhile, or an upload given up: the controller has said
    // so, nothing to add.
    if (link != Link::Initialised && link != Link::Configured)
        return false;
    if (request.ticket <= abandonedUpTo.load() && abandonedUpTo.load() != 0)
        return false;
    if (request.announce)
        emit SigShowMsg(QString("[Host Lib] Set To Model No. %1").arg(request.Mode));
    const ModelRow* row = FindModel(request.Mode);
    if (row == nullptr) {
        emit SigShowMsg(QString("[Host Lib] There is no model number %1.").arg(request.Mode));
        return false;
    }
    if (request.width <= 0 || request.height <= 0) {
        emit SigShowMsg("[Host Lib] The camera's image size is not known yet; open the camera before loading a model.");
        return false;
    }
    // The upload replaces the model: until it succeeds, none runs.
    link = Link::Initialised;
    loadedModel = -1;
    const MessageFn msg = [this](const QString& text) { emit SigShowMsg(text); };
    ModelSet set;
    if (row->setFolder != nullptr) {
        set = ModelSetFor(*row, request.modelDir, request.width, request.height);
    } else {
        std::string fwInfoPath;
        std::string allModelsPath;
        if (!SplitModelFile(request.ModelPath, fwInfoPath, allModelsPath, PrivateTempDir(), msg)) {
            msg("[Host Lib] Split model files failed");
            return false;
        }
        set = UserModelSet(fwInfoPath, allModelsPath, request.width, request.height);
    }
    if (!LoadModelSet(devId, set, msg))
        return false;
    link = Link::Configured;
    loadedModel = request.Mode;
    imageWidth = request.width;
    imageHeight = request.height;
    ready.Set(devId, true);
    return true;
}

void HostLibWorker::SlotResetDevice()
{
    // A lost dongle answers nothing; its library is closed all the same.
    if ((link == Link::Initialised || link == Link::Configured) && devId >= 0 && edl_reset_sys(devId, 255) != 0)
        emit SigShowMsg("[Host Lib] System Reset Failed");
    CloseLibrary();
    Done(DeviceOperation::Reset, true);
}

void HostLibWorker::SlotClose()
{
    CloseLibrary();
    Done(DeviceOperation::Close, true);
}

void HostLibWorker::CloseLibrary()
{
    if (link == Link::Down)
        return;
    edl_lib_de_init();
    link = Link::Down;
    loadedModel = -1;
    if (devId >= 0)
        ready.Set(devId, false);
}

void HostLibWorker::SlotRunVerify(int DevId, cv::Mat image)
{
    RunJob(DevId, image, kModelFaceDetection);
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
    // Sent before a reset, a close or a model change that ran first: the
    // dongle has no model for it (any more), so it never hears of it.
    if (link != Link::Configured || Mode != loadedModel) {
        if (link != Link::Lost)
            ready.Release(devId);
        return;
    }
    std::vector<FdFrResult> list;
    const int size[2] = {imageWidth, imageHeight};
    imageBuffer.resize(DeviceImageBytes(size[0], size[1]));
    if (PreprocessImage(image, imageBuffer.data(), size) != 0) {
        ReportOnce(kBadFrame, QString("[Host Lib] Frame skipped: %1 x %2 image of type %3 cannot be sent at %4 x %5.")
                                  .arg(image.cols)
                                  .arg(image.rows)
                                  .arg(image.type())
                                  .arg(size[0])
                                  .arg(size[1]));
        emit SigInferenceDone(devId, Mode, list);
        ready.Release(devId);
        return;
    }

    // Cleared for every job, so an old answer is never parsed as a new one.
    std::fill(receiveBuffer.begin(), receiveBuffer.end(), '\0');
    std::uint32_t resultSize = 0;
    std::uint8_t resultFlag = 1;
    const StageRecorder::Clock::time_point since = StageRecorder::Clock::now();
    const int result = edl_dme_inference(devId, imageBuffer.data(), static_cast<int>(imageBuffer.size()), &resultSize,
                                         &resultFlag, receiveBuffer.data(), 0, 0);
    StageRecorder::Instance().Record(Stage::DeviceInference, since);
    if (result != 0) {
        link = Link::Lost;
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
    ready.Release(devId);
}

void HostLibWorker::ParseAnswer(int Mode, std::size_t size, std::vector<FdFrResult>& list)
{
    const SentImageSize sent{imageWidth, imageHeight};
    const char* answer = receiveBuffer.data();
    std::string problem;
    bool ok = true;
    bool clipped = false;
    switch (FindModel(Mode)->answer) {
    case AnswerKind::FaceBoxes:
        ok = ParseBoxList(answer, size, BoxListKind::Faces, sent, list, problem, &clipped);
        break;
    case AnswerKind::ObjectBoxes:
        ok = ParseBoxList(answer, size, BoxListKind::Objects, sent, list, problem, &clipped);
        break;
    case AnswerKind::AgeGender: {
        AgeGenderOutcome outcome;
        ok = ParseAgeGender(answer, size, sent, list, outcome, problem);
        if (ok && outcome == AgeGenderOutcome::FaceTooSmall)
            emit SigShowMsg("[Host Lib] FACE TOO SMALL");
        break;
    }
    case AnswerKind::RawOutput:
        ok = ParseUserDefined(answer, size, list, problem);
        break;
    }
    if (!ok)
        ReportOnce(kMalformedAnswer,
                   "[Host Lib] Ignoring a malformed answer: " + QString::fromStdString(problem) + ".");
    if (clipped)
        ReportOnce(kTooManyBoxes, QString("[Host Lib] The dongle found more than %1 things; the first %1 are shown.")
                                      .arg(kMaxAnswerBoxes));
}

void HostLibWorker::ReportOnce(unsigned kind, const QString& text)
{
    if ((reported & kind) != 0)
        return;
    reported |= kind;
    emit SigShowMsg(text);
}
