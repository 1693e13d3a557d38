#include "HostLibAdapter/DeviceTransitions.h"

namespace {

using S = DeviceState;
using E = DeviceEvent;

struct Transition {
    DeviceState from;
    DeviceEvent event;
    DeviceState to;
};

// Every way the controller may move. A reset or model change asked for while
// a job holds the dongle is queued behind the job; the dongle's thread runs
// them one after another, so nothing of one connection can reach the next.
constexpr Transition kTransitions[] = {
    {S::Disconnected, E::Connect, S::Connecting},
    {S::Connecting, E::Opened, S::AwaitingFirmwareAnswer},
    {S::Connecting, E::OpenFailed, S::Closing},
    {S::AwaitingFirmwareAnswer, E::FirmwareYes, S::UpdatingFirmware},
    {S::AwaitingFirmwareAnswer, E::NothingToUpdate, S::Connecting},
    {S::AwaitingFirmwareAnswer, E::FirmwareNo, S::Closing},
    {S::UpdatingFirmware, E::FirmwareWritten, S::Connecting},
    {S::UpdatingFirmware, E::FirmwareFailed, S::Closing},
    {S::Connecting, E::ModelLoaded, S::Connected},
    {S::Connecting, E::ModelFailed, S::Closing},
    {S::Connected, E::Reset, S::Resetting},
    {S::Connected, E::Reconnect, S::Resetting},
    {S::Connected, E::ChangeModel, S::ChangingModel},
    {S::Connected, E::JobFailed, S::Closing},
    {S::ChangingModel, E::ModelLoaded, S::Connected},
    {S::ChangingModel, E::ModelFailed, S::Resetting},
    {S::ChangingModel, E::JobFailed, S::Closing},
    {S::ChangingModel, E::WaitExpired, S::Closing},
    {S::Resetting, E::WaitExpired, S::Closing},
    {S::Resetting, E::ResetDone, S::Disconnected},
    {S::Closing, E::ResetDone, S::Disconnected},
    {S::Closing, E::Closed, S::Disconnected},
};

}  // namespace

bool IsRequest(DeviceEvent event)
{
    return event <= E::FirmwareNo;
}

std::optional<DeviceState> NextState(DeviceState from, DeviceEvent event)
{
    for (const Transition& t : kTransitions)
        if (t.from == from && t.event == event)
            return t.to;
    return std::nullopt;
}
