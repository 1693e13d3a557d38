#pragma once
// The controller against the emulated dongle, with the panel's part played by
// the test: messages, status changes, firmware answers and results recorded.
// Each rig works in a scratch directory of its own (the library's log lands
// there) and sets the emulator's knobs through the environment and a control
// file.

#include "HostLibAdapter/HostLibAdapter.h"
#include "TempDir.h"

#include <QStringList>

#include <opencv2/core/mat.hpp>

#include <functional>
#include <string>
#include <vector>

struct DeviceResult {
    int DevId = -1;
    int Mode = -1;
    std::vector<FdFrResult> list;
};

class DeviceRig {
public:
    // `width` x `height` is the camera size handed to the controller.
    explicit DeviceRig(int width = 640, int height = 480);
    ~DeviceRig();
    DeviceRig(const DeviceRig&) = delete;
    DeviceRig& operator=(const DeviceRig&) = delete;

    HostLibAdapter& Adapter() { return *adapter; }
    const std::string& Dir() const { return dir.Path(); }

    // Sets an emulator knob in the environment (read at every connect) until
    // the rig ends.
    void SetKnob(const char* name, const std::string& value);
    // Replaces the control file's text (read within a second, and at connect).
    void WriteControl(const std::string& text);

    // Connects as the panel's Connect button does; true when connected.
    bool Connect(int Mode);
    // Connects to a dongle taking `inferMs` an inference and hands it a frame.
    bool ConnectBusy(int inferMs);
    // Offers a frame and waits for its result; false on timeout.
    bool Infer(const cv::Mat& frame, DeviceResult& result, int timeoutMs = 20000);
    // Runs the event loop until `done` or `timeoutMs`; returns done().
    static bool WaitFor(const std::function<bool()>& done, int timeoutMs);

    // The library's log: one "edl_<call> ... result=<n>" line per call.
    std::vector<std::string> LogCalls() const;
    int CountCalls(const std::string& call) const;
    // The index of the last log line of `call`, or -1.
    int LastCall(const std::string& call) const;
    // The library is de-initialised after the last call that used it.
    bool EndsDeInitialised() const;
    bool HasMessage(const QString& text) const { return messages.contains(text); }
    bool HasMessageStartingWith(const QString& prefix) const;
    std::string Messages() const { return messages.join(" | ").toStdString(); }

    QStringList messages;
    std::vector<bool> statuses;
    std::vector<std::vector<int>> fwQuestions;
    std::vector<DeviceResult> results;
    int changeModelDone = 0;
    bool fwAnswer = true;  // the user's answer to a non-empty firmware question

private:
    TempDir dir;
    std::string previousDir;
    std::vector<std::string> knobs;
    HostLibAdapter* adapter = nullptr;
};

// Test data: OpenCV's sample pictures and the build's model and sample files.
std::string OpenCvSample(const std::string& name);
std::string BuildFile(const std::string& relative);
cv::Mat ReadPicture(const std::string& path);
// A frame of one colour, the camera's default size.
cv::Mat PlainFrame(int width = 640, int height = 480);
