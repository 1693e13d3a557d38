#pragma once
// Where the device back-end stands with its dongle. The controller moves
// between these by its transition table and announces every change (and its
// answer to every request it refuses); the device panel's light and buttons
// follow from the state alone.

#include <QMetaType>

enum class DeviceState {
    Disconnected,            // no connection; Connect starts one
    Connecting,              // opening the library and the dongle, or loading the first model
    AwaitingFirmwareAnswer,  // the user is asked whether to update old firmware
    UpdatingFirmware,        // writing the firmware images
    Connected,               // a model is loaded and frames go to the dongle
    Resetting,               // the dongle is reset; the connection ends with it
    ChangingModel,           // another model is uploaded on a live connection
    Closing,                 // the connection has ended; the library is being closed
};

Q_DECLARE_METATYPE(DeviceState)

constexpr int kDeviceStateCount = 8;

// Short words ("disconnected", "connecting", "ready", ...) for messages, the
// statistics overlay and test names.
const char* StateName(DeviceState state);

// Registers DeviceState for queued connections; safe to call any number of
// times, from any thread.
void RegisterDeviceStateMetaType();
