#pragma once
// The application's settings: the keys of the settings file plus the camera as
// actually opened.

#include "settings/InferenceMode.h"
#include "settings/SettingManager.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

struct CameraSize {
    int width = 0;   // 0: not known yet (no camera opened)
    int height = 0;

    bool IsKnown() const { return width > 0 && height > 0; }
};

// Values given for one run (on the command line). They replace the file's
// values in memory only: the file has been written by Load before they apply.
struct SettingOverrides {
    std::optional<std::string> camera;
    std::optional<InferenceMode> inferenceMode;
    bool fullScreen = false;  // true: full screen whatever the file says
    bool noWindow = false;    // true: no window whatever the file says
};

// Thread-safety: Load runs on the main thread before any worker starts; the
// file-backed values are then read-only. The run-time camera values are
// atomic, and width and height are read as one consistent pair.
class QtSettingManager : public SettingManager {
public:
    // The process-wide instance, created on first use (by main, before any
    // thread exists). Null, with a logged warning, after ReleaseInstance.
    static QtSettingManager* GetInstance();

    QtSettingManager();
    ~QtSettingManager() override;

    void Load(const std::string& path) override;
    // After Load, before any worker starts.
    void UseForThisRun(const SettingOverrides& overrides);

    std::string GetCamera() const { return camera; }
    std::pair<int, int> GetCameraResolution() const { return {resolutionWidth, resolutionHeight}; }
    int GetCameraFps() const { return cameraFps; }
    int GetCameraAutoReconnectSec() const { return cameraAutoReconnectSec; }
    bool IsFullScreen() const { return fullScreen; }
    bool IsDisplayMainWindow() const { return displayMainWindow; }
    InferenceMode GetInferenceMode() const { return inferenceMode; }

    // Run-time camera values; negatives are stored as 0.
    void SetCameraInfo(int width, int height, int fps);
    CameraSize GetCameraSize() const;
    int GetCameraWidth() const { return GetCameraSize().width; }
    int GetCameraHeight() const { return GetCameraSize().height; }
    int GetCameraInfoFps() const { return cameraInfoFps.load(); }

    // Kept in the file for other tools; this program does not act on them.
    std::string GetEnterOrLeave() const { return enterOrLeave; }
    std::string GetDevicePath() const { return devicePath; }
    std::string GetDeviceTriggerMode() const { return deviceTriggerMode; }
    int GetAccessLogTimeGapSec() const { return accessLogTimeGapSec; }
    bool IsAccessLogEnabled() const { return accessLogEnabled; }
    bool IsShowHistoryTable() const { return showHistoryTable; }
    bool IsPersonDetectEnabled() const { return personDetectEnabled; }
    bool IsVisitorEnabled() const { return visitorEnabled; }
    int GetVisitorLimit() const { return visitorLimit; }
    bool IsUseEnrollApiForVisitor() const { return useEnrollApiForVisitor; }
    Json::Value GetEnrollmentArea() const { return enrollmentArea; }

private:
    int cameraFps = 0;
    int accessLogTimeGapSec = 0;
    int visitorLimit = 0;
    bool accessLogEnabled = false;
    bool fullScreen = false;
    bool showHistoryTable = false;
    bool personDetectEnabled = false;
    bool displayMainWindow = false;
    bool visitorEnabled = false;
    bool useEnrollApiForVisitor = false;
    std::string camera;
    std::string enterOrLeave;
    std::string devicePath;
    std::string deviceTriggerMode;
    InferenceMode inferenceMode = InferenceMode::Nx310;
    int resolutionWidth = 0;
    int resolutionHeight = 0;
    Json::Value enrollmentArea;
    int cameraAutoReconnectSec = 0;
    std::atomic<std::uint64_t> cameraInfoSize{0};  // width << 32 | height
    std::atomic<int> cameraInfoFps{0};
};
