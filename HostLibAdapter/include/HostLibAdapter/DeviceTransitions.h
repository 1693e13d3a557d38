#pragma once
// The device controller's transition table: what each request of the user
// and each outcome reported by the dongle's thread does in each state.

#include "devicestate/DeviceState.h"

#include <optional>

enum class DeviceEvent {
    // Requests: from the panel (and the camera's size change). Refused in a
    // state without a row for them, and answered with the state.
    Connect,
    Reset,
    ChangeModel,
    Reconnect,         // the camera's size changed: load the model again at the new size
    FirmwareYes,       // yes to the update question
    NothingToUpdate,   // the answer to a question about no device
    FirmwareNo,
    // Outcomes: from the dongle's thread, or the controller's wait limit.
    // Outside their rows they are late and change nothing.
    Opened,
    OpenFailed,
    FirmwareWritten,
    FirmwareFailed,
    ModelLoaded,
    ModelFailed,
    JobFailed,
    WaitExpired,  // a job kept the dongle past the wait limit
    ResetDone,
    Closed,
};

constexpr int kDeviceEventCount = 17;

bool IsRequest(DeviceEvent event);

// The state `event` leads to from `from`; nothing when it has no row there.
std::optional<DeviceState> NextState(DeviceState from, DeviceEvent event);
