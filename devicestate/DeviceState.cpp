#include "devicestate/DeviceState.h"

const char* StateName(DeviceState state)
{
    switch (state) {
    case DeviceState::Disconnected:
        return "disconnected";
    case DeviceState::Connecting:
        return "connecting";
    case DeviceState::AwaitingFirmwareAnswer:
        return "awaiting firmware answer";
    case DeviceState::UpdatingFirmware:
        return "updating firmware";
    case DeviceState::Connected:
        return "ready";
    case DeviceState::Resetting:
        return "resetting";
    case DeviceState::ChangingModel:
        return "changing model";
    case DeviceState::Closing:
        return "closing";
    }
    return "unknown";
}

void RegisterDeviceStateMetaType()
{
    static const int id = qRegisterMetaType<DeviceState>("DeviceState");
    (void)id;
}
