#include "devicestate/DeviceState.h"

const char* DeviceStateName(DeviceState state)
{
    switch (state) {
    case DeviceState::Disconnected:
        return "disconnected";
    case DeviceState::Connecting:
        return "connecting";
    case DeviceState::AwaitingFirmwareAnswer:
        return "waiting for the firmware answer";
    case DeviceState::UpdatingFirmware:
        return "updating its firmware";
    case DeviceState::Connected:
        return "connected";
    case DeviceState::Resetting:
        return "resetting";
    case DeviceState::ChangingModel:
        return "changing its model";
    case DeviceState::Closing:
        return "closing the connection";
    }
    return "unknown";
}

void RegisterDeviceStateMetaType()
{
    static const int id = qRegisterMetaType<DeviceState>("DeviceState");
    (void)id;
}
