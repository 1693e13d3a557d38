#pragma once
// The controller against the emulated dongle, with the panel's part played by
// the test: messages, states, status changes, firmware questions and results
// recorded. Each rig works in a scratch directory of its own (the library's
// log lands there) and sets the emulator's knobs through the environment and
// a control file. Waits run the event loop until an event; their time limit
// only keeps a broken test from hanging.

#include "HostLibAdapter/HostLibAdapter.h"
#include "TempDir.h"

#include <QSemaphore>
#include <QtTest/QTest>
#include <QStringList>

#include <opencv2/core/mat.hpp>

#include <functional>
#include <memory>
#include <optional>
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

    // Runs the event loop until `done` (or the state); false after `timeoutMs`.
    static bool WaitFor(const std::function<bool()>& done, int timeoutMs = 60000) { return QTest::qWaitFor(done, timeoutMs); }
    bool WaitForState(DeviceState state);
    // Connects as the panel's Connect button does; true when it ends connected.
    bool Connect(int Mode);
    // Offers a frame once the device is ready and waits for its result.
    bool Infer(const cv::Mat& frame, DeviceResult& result);

    // Holds the dongle's thread: what is queued to it from now on waits
    // until Release (or the rig's end).
    void Hold();
    void Release();

    // The library's log: one "edl_<call> ... result=<n>" line per call.
    std::vector<std::string> LogCalls() const;
    int CountCalls(const std::string& call) const;
    // The index of the last log line of `call`, or -1.
    int LastCall(const std::string& call) const;
    // The library, if an init succeeded, is de-initialised after the last call that used it.
    bool EndsDeInitialised() const;
    // `expected` appear in this order among the messages.
    bool MessagesInOrder(const QStringList& expected) const;
    std::string Messages() const { return messages.join(" | ").toStdString(); }

    QStringList messages;
    std::vector<DeviceState> states;  // every SigStateChanged, answers included
    std::vector<bool> statuses;
    std::vector<DeviceResult> results;
    int changeModelDone = 0;
    // The user's answer to a non-empty firmware question; none: it stays open.
    std::optional<bool> fwAnswer = true;

private:
    TempDir dir;
    std::string previousDir;
    std::vector<std::string> knobs;
    HostLibAdapter* adapter = nullptr;
    std::unique_ptr<QObject> holder;  // lives on the dongle's thread
    QSemaphore held;
    bool holding = false;
};

// Test data: OpenCV's sample pictures and the build's model and sample files.
std::string OpenCvSample(const std::string& name);
std::string BuildFile(const std::string& relative);
cv::Mat ReadPicture(const std::string& path);
// A frame of one colour, the camera's default size.
cv::Mat PlainFrame(int width = 640, int height = 480);
