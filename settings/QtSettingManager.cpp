#include "settings/QtSettingManager.h"

#include "settings/CameraResolution.h"
#include "settings/JsonText.h"

#include <QtDebug>

#include <algorithm>

namespace {

std::atomic<QtSettingManager*> instance{nullptr};
bool created = false;  // main thread only: GetInstance creates before threads exist

constexpr int kDefaultFps = 30;
const char* const kDefaultResolution = "1280x720";
const char* const kDefaultEnrollmentArea = R"({"x": 400, "y": 100, "width": 400, "height": 500})";

}  // namespace

QtSettingManager* QtSettingManager::GetInstance()
{
    if (QtSettingManager* live = instance.load())
        return live;
    if (created) {
        qWarning("[Settings] the settings store was used after it was released");
        return nullptr;
    }
    created = true;
    auto* fresh = new QtSettingManager();
    instance = fresh;
    Register(fresh);
    return fresh;
}

QtSettingManager::QtSettingManager()
{
    AddDefault("Camera", "0");
    AddDefault("CameraResolution", kDefaultResolution);
    AddDefault("CameraFps", kDefaultFps, 1);
    AddDefault("DevicePath", "/dev/vireo");
    AddDefault("DeviceTriggerMode", "FR");
    AddDefault("FullScreen", false);
    AddDefault("EnterOrLeave", "enter");
    AddDefault("AccessLogTimeGapSec", 3);
    AddDefault("AccessLogEnabled", true);
    AddDefault("PersonDetectEnabled", true);
    AddDefault("ShowHistoryTable", true);
    AddDefault("DisplayMainWindow", true);
    AddDefault("VisitorEnabled", true);
    AddDefault("VisitorLimit", 30);
    AddDefault("UseEnrollApiForVisitor", false);
    AddDefault("EnrollmentArea", ParseJson(kDefaultEnrollmentArea));
    AddDefault("CameraAutoReconnectSec", -1);
    AddChoiceDefault("InferenceMode", InferenceModeText(InferenceMode::Nx310),
                     {InferenceModeText(InferenceMode::Fifo), InferenceModeText(InferenceMode::Nx310)});
}

QtSettingManager::~QtSettingManager()
{
    QtSettingManager* self = this;
    instance.compare_exchange_strong(self, nullptr);
}

void QtSettingManager::Load(const std::string& path)
{
    SettingManager::Load(path);
    const Json::Value& doc = Document();

    const std::string resolutionText = GetStringValue(doc, "CameraResolution", kDefaultResolution);
    const std::optional<CameraResolution> parsed = ParseCameraResolution(resolutionText);
    if (!parsed)
        qWarning().noquote() << QStringLiteral("[Settings] CameraResolution: \"%1\" is not a width and a height joined by "
                                               "x; %2 is used (the file keeps its text)")
                                    .arg(QString::fromStdString(resolutionText).left(60), QLatin1String(kDefaultResolution));
    const CameraResolution resolution = parsed.value_or(CameraResolution{});
    resolutionWidth = resolution.width;
    resolutionHeight = resolution.height;

    cameraFps = GetIntValue(doc, "CameraFps", kDefaultFps);
    accessLogTimeGapSec = GetIntValue(doc, "AccessLogTimeGapSec", 3);
    visitorLimit = GetIntValue(doc, "VisitorLimit", 30);
    cameraAutoReconnectSec = GetIntValue(doc, "CameraAutoReconnectSec", -1);
    accessLogEnabled = GetBoolValue(doc, "AccessLogEnabled", true);
    fullScreen = GetBoolValue(doc, "FullScreen", false);
    showHistoryTable = GetBoolValue(doc, "ShowHistoryTable", true);
    personDetectEnabled = GetBoolValue(doc, "PersonDetectEnabled", true);
    displayMainWindow = GetBoolValue(doc, "DisplayMainWindow", true);
    visitorEnabled = GetBoolValue(doc, "VisitorEnabled", true);
    useEnrollApiForVisitor = GetBoolValue(doc, "UseEnrollApiForVisitor", false);
    camera = GetStringValue(doc, "Camera", "0");
    enterOrLeave = GetStringValue(doc, "EnterOrLeave", "enter");
    devicePath = GetStringValue(doc, "DevicePath", "/dev/vireo");
    deviceTriggerMode = GetStringValue(doc, "DeviceTriggerMode", "FR");
    // The merge has replaced any other text by the default.
    inferenceMode = ParseInferenceMode(GetStringValue(doc, "InferenceMode", "")).value_or(InferenceMode::Nx310);
    enrollmentArea = GetJsonValue(doc, "EnrollmentArea", ParseJson(kDefaultEnrollmentArea));
}

void QtSettingManager::UseForThisRun(const SettingOverrides& overrides)
{
    if (overrides.camera)
        camera = *overrides.camera;
    if (overrides.inferenceMode)
        inferenceMode = *overrides.inferenceMode;
    if (overrides.fullScreen)
        fullScreen = true;
    if (overrides.noWindow)
        displayMainWindow = false;
}

void QtSettingManager::SetCameraInfo(int width, int height, int fps)
{
    const auto w = static_cast<std::uint64_t>(std::max(width, 0));
    const auto h = static_cast<std::uint64_t>(std::max(height, 0));
    cameraInfoSize = (w << 32) | h;
    cameraInfoFps = std::max(fps, 0);
}

CameraSize QtSettingManager::GetCameraSize() const
{
    const std::uint64_t packed = cameraInfoSize.load();
    return {static_cast<int>(packed >> 32), static_cast<int>(packed & 0xffffffffu)};
}
