// Every request of the panel in every state of the controller, against the
// emulated dongle: what it is accepted into or refused with, where the
// connection ends up; and the window closed in each state. The dongle's
// thread is held where a state would otherwise pass too quickly to be met.
#include "CaseName.h"
#include "DeviceRig.h"

#include <gtest/gtest.h>

#include <cctype>
#include <iterator>
#include <utility>

namespace {

using S = DeviceState;

// The panel's requests; one past the last, the window is closed.
const std::pair<const char*, void (*)(HostLibAdapter&)> kRequests[] = {
    {"Connect", [](HostLibAdapter& a) { a.SlotConnect(2); }},
    {"Reset", [](HostLibAdapter& a) { a.SlotReset(); }},
    {"Upload", [](HostLibAdapter& a) { a.SlotChangeModel(2, ""); }},
    {"firmware no", [](HostLibAdapter& a) { a.SlotCheckFw(3, {0}, false); }},
    {"firmware yes", [](HostLibAdapter& a) { a.SlotCheckFw(3, {0}, true); }},
};
constexpr int kRequestCount = static_cast<int>(std::size(kRequests));

// Brings the rig into a state, one step a character: c connected, b connected
// with a job in flight, C a connect asked, A an old dongle's firmware
// question open, y / n its answer, r a reset asked, u an upload asked, H the
// dongle's thread held. `round` makes each firmware identity
// new, so an update of an earlier round does not stand.
void Reach(DeviceRig& rig, const char* steps, int round)
{
    for (; *steps != '\0'; ++steps) {
        HostLibAdapter& adapter = rig.Adapter();
        switch (*steps) {
        case 'c': rig.Connect(3); break;
        case 'b':
            rig.SetKnob("EDL_EMU_INFER_MS", "300");
            rig.Connect(3);
            adapter.Dispatch(PlainFrame(), 0);
            break;
        case 'C': adapter.SlotConnect(3); break;
        case 'A':
            rig.SetKnob("EDL_EMU_FW", "0x01020005:" + std::to_string(60 + round));
            rig.fwAnswer.reset();
            adapter.SlotConnect(3);
            rig.WaitForState(S::AwaitingFirmwareAnswer);
            break;
        case 'y': case 'n': adapter.SlotCheckFw(3, {0}, *steps == 'y'); break;
        case 'r': adapter.SlotReset(); break;
        case 'u': adapter.SlotChangeModel(1, ""); break;
        case 'H': rig.Hold(); break;
        default: FAIL() << "no step " << *steps;
        }
    }
}

struct StateCase {
    const char* name;
    DeviceState state;
    const char* steps;  // see Reach
    // By request: the final state once the dongle's thread runs again, a
    // capital when the request was taken. D disconnected, A awaiting the
    // firmware answer, C connected.
    const char* outcomes;
};

void PrintTo(const StateCase& c, std::ostream* os) { *os << c.name; }

// Connected with a job in flight, so that closing the window meets one.
const StateCase kStates[] = {
    {"disconnected", S::Disconnected, "", "Cdddd"},
    {"connecting", S::Connecting, "HC", "ccccc"},
    {"awaiting the firmware answer", S::AwaitingFirmwareAnswer, "A", "aaaDC"},
    {"updating firmware", S::UpdatingFirmware, "AHy", "ccccc"},
    {"connected", S::Connected, "b", "cDCcc"},
    {"resetting", S::Resetting, "cHr", "ddddd"},
    {"changing the model", S::ChangingModel, "cHu", "ccccc"},
    {"closing", S::Closing, "AHn", "ddddd"},
};

class States : public ::testing::TestWithParam<StateCase> {};

TEST_P(States, EveryRequestIsTakenOrAnsweredWithTheState)
{
    const StateCase& c = GetParam();
    for (int r = 0; r <= kRequestCount; ++r) {
        SCOPED_TRACE(r < kRequestCount ? kRequests[r].first : "the window closed");
        DeviceRig rig;
        Reach(rig, c.steps, r);
        ASSERT_EQ(rig.Adapter().State(), c.state) << rig.Messages();
        const std::size_t announced = rig.states.size();
        const int messages = rig.messages.size();
        if (r == kRequestCount) {
            // The library closes after the calls queued so far; nothing more is reported.
            rig.Release();
            HostLibAdapter::DestroyInstance();
            DeviceRig::WaitFor([] { return false; }, 50);
            EXPECT_EQ(std::make_pair(rig.states.size(), rig.messages.size()), std::make_pair(announced, messages));
            EXPECT_TRUE(rig.EndsDeInitialised());
            for (const auto& line : rig.LogCalls())
                EXPECT_EQ(line.find("de-initialised meanwhile"), std::string::npos) << line;
            continue;
        }
        const bool accepted = std::isupper(c.outcomes[r]) != 0;
        const char outcome = static_cast<char>(std::toupper(c.outcomes[r]));
        const DeviceState final = outcome == 'A' ? S::AwaitingFirmwareAnswer : outcome == 'C' ? S::Connected : S::Disconnected;
        kRequests[r].second(rig.Adapter());
        ASSERT_GT(rig.states.size(), announced) << "every request is answered";
        EXPECT_EQ(rig.states[announced] != c.state, accepted) << StateName(rig.states[announced]);
        if (!accepted) {
            EXPECT_EQ(std::make_pair(rig.Adapter().State(), rig.states.size()), std::make_pair(c.state, announced + 1));
        }
        rig.Release();
        ASSERT_TRUE(rig.WaitForState(final));
        EXPECT_TRUE(final != S::Disconnected || rig.EndsDeInitialised());
        if (final == S::Connected) {
            DeviceResult result;
            EXPECT_TRUE(rig.Infer(PlainFrame(), result)) << "frames flow again";
        }
        EXPECT_FALSE(rig.messages.contains("[Host Lib] Can not set to DME inference mode")) << rig.Messages();
    }
}

INSTANTIATE_TEST_SUITE_P(Table, States, ::testing::ValuesIn(kStates), CaseName());

}  // namespace
