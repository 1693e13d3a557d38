// The device panel's controls follow the controller's state and the model
// chosen in the panel: the light as a grab shows it and every control's
// enabled state, for each state, and what the panel sends and says.
#include "PanelProbe.h"

#include <QGraphicsDropShadowEffect>
#include <QGraphicsOpacityEffect>
#include <QtTest/QTest>

namespace {

using S = DeviceState;

// While connected, one character a step: 2, 4: a click on that model's
// radio button; M: the user picks models/m.bin; D: the controller reports a
// model change done. Then the states arrive.
struct StateCase {
    const char* name;
    const char* steps;
    std::vector<DeviceState> states;
    const char* light;
    bool connect, reset, upload, radios, bars;
};

const StateCase kStateCases[] = {
    {"disconnected", "", {S::Disconnected}, "red", true, false, false, false, false},
    {"connecting", "", {S::Connecting}, "orange", false, false, false, false, false},
    {"awaiting the firmware answer", "", {S::AwaitingFirmwareAnswer}, "orange", false, false, false, false, false},
    {"updating firmware", "", {S::UpdatingFirmware}, "orange", false, false, false, false, false},
    {"connected: nothing to upload yet", "", {S::Connected}, "green", false, true, false, true, false},
    {"resetting", "2", {S::Resetting}, "green", false, false, false, false, false},
    {"changing the model", "4M", {S::ChangingModel}, "green", false, false, false, false, false},
    {"closing", "", {S::Closing}, "orange", false, false, false, false, false},
    {"connected, another model picked", "2", {S::Connected}, "green", false, true, true, true, false},
    {"connected, image project without a model", "4", {S::Connected}, "green", false, true, false, true, true},
    {"connected, image project with a model", "4M", {S::Connected}, "green", false, true, true, true, true},
    {"connected after a model change", "D", {S::Connected}, "green", false, true, true, true, false},
    {"a new connection has nothing to upload", "2", {S::Connecting, S::Connected}, "green", false, true, false, true,
     false},
};

void PrintTo(const StateCase& c, std::ostream* os) { *os << c.name; }

class PanelStates : public PanelFixture, public ::testing::WithParamInterface<StateCase> {};

TEST_P(PanelStates, LightAndControlsFollowTheState)
{
    const StateCase& c = GetParam();
    panel->SlotDeviceStateChanged(S::Connected);
    for (const char* step = c.steps; *step != '\0'; ++step) {
        if (*step == 'M')
            Choose(probe->ModelBar(), "models/m.bin");
        else if (*step == 'D')
            panel->SlotChangeModelDone();
        else
            probe->Radio(*step - '0')->click();
    }
    for (const DeviceState state : c.states)
        panel->SlotDeviceStateChanged(state);
    Settle();
    EXPECT_EQ(probe->Light(), c.light);
    EXPECT_EQ(probe->Connect()->isEnabled(), c.connect) << "connect";
    EXPECT_EQ(probe->Reset()->isEnabled(), c.reset) << "reset";
    EXPECT_EQ(probe->Upload()->isEnabled(), c.upload) << "upload";
    for (int id = 0; id < 5; ++id)
        EXPECT_EQ(probe->Radio(id)->isEnabled(), c.radios) << "radio " << id;
    EXPECT_EQ(probe->ModelBar()->isEnabled(), c.bars) << "model bar";
    EXPECT_EQ(probe->LabelBar()->isEnabled(), c.bars) << "label bar";
}

INSTANTIATE_TEST_SUITE_P(States, PanelStates, ::testing::ValuesIn(kStateCases), CaseName());

using PanelActions = PanelFixture;

// Connect loads the checked model, Image Project with its file; without a
// file there is nothing to load and face detection stands in.
TEST_F(PanelActions, ConnectAsksForTheCheckedModel)
{
    panel->SlotDeviceStateChanged(S::Connected);
    probe->Radio(4)->click();
    panel->SlotDeviceStateChanged(S::Disconnected);
    probe->Connect()->click();
    EXPECT_EQ(probe->CheckedId(), 0);
    panel->SlotDeviceStateChanged(S::Connected);
    probe->Radio(4)->click();
    Choose(probe->ModelBar(), "models/m.bin");
    probe->Upload()->click();
    panel->SlotDeviceStateChanged(S::Disconnected);
    probe->Connect()->click();
    EXPECT_EQ(probe->CheckedId(), 4);
    EXPECT_EQ(probe->seen, (std::vector<std::string>{"connect 0", "model models/m.bin", "upload 4 models/m.bin",
                                                      "connect 4"}));
}

// A radio click while connected says that Upload applies it; before that,
// the click says nothing.
TEST_F(PanelActions, ARadioClickWhileConnectedSaysUploadAppliesIt)
{
    panel->SlotDeviceStateChanged(S::Connected);
    probe->Radio(2)->click();
    EXPECT_EQ(probe->MsgLabel()->text(), "[Host Lib] Object Detection chosen: press Upload to load it.");
    probe->Radio(4)->click();
    EXPECT_TRUE(probe->MsgLabel()->text().endsWith("select a model file, then press Upload."));
    EXPECT_TRUE(probe->seen.empty()) << "nothing changes before Upload";
}

using PanelLook = PanelFixture;

TEST_F(PanelLook, BackgroundSeparatorsAndMessageArea)
{
    const QImage shot = host->grab().toImage();
    // 90 % of (224, 224, 224) over black, inside the 15 px margin.
    EXPECT_TRUE(ColourNear(shot.pixelColor(175, 18), QColor(202, 202, 202), 4));
    EXPECT_TRUE(ColourNear(shot.pixelColor(5, 400), Qt::black, 4));  // the margin stays clear
    // The message area is black: its top-left part holds no text yet.
    const QRect area = probe->MsgArea()->geometry();
    EXPECT_TRUE(ColourNear(shot.pixelColor(area.left() + 40, area.center().y()), Qt::black, 4));
    // Radio buttons and file bars are in the model block, above Upload.
    EXPECT_LT(probe->Radio(3)->y(), probe->Radio(4)->y());
    EXPECT_LT(probe->Radio(4)->y(), probe->ModelBar()->y());
    EXPECT_LT(probe->ModelBar()->y(), probe->LabelBar()->y());
    EXPECT_LT(probe->LabelBar()->geometry().bottom(), probe->Upload()->y());
    EXPECT_LT(probe->Upload()->geometry().bottom(), area.top());
}

// Fades in with a shadow and out; a hiding panel takes no clicks from the
// moment it starts to fade: they reach the window beneath.
TEST_F(PanelLook, FadesInWithAShadowAndOutTakingNoClicksWhileHiding)
{
    panel->SlotDeviceStateChanged(S::Connected);
    panel->hide();
    const auto shadowed = [this] { return qobject_cast<QGraphicsDropShadowEffect*>(panel->graphicsEffect()); };
    panel->ShowPanel(true);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_NE(qobject_cast<QGraphicsOpacityEffect*>(panel->graphicsEffect()), nullptr);
    EXPECT_TRUE(QTest::qWaitFor(shadowed, 5000));
    const QPoint reset = probe->Reset()->mapTo(host.get(), probe->Reset()->rect().center());
    QTest::mouseClick(host->windowHandle(), Qt::LeftButton, {}, reset);
    EXPECT_EQ(probe->seen, std::vector<std::string>{"reset"});

    panel->ShowPanel(false);
    EXPECT_TRUE(panel->isVisible());
    QTest::mouseClick(host->windowHandle(), Qt::LeftButton, {}, reset);
    EXPECT_EQ(probe->seen.size(), 1u) << "the fading panel took the click";
    EXPECT_TRUE(QTest::qWaitFor([this] { return panel->isHidden(); }, 5000));

    // A show right after a hide wins: the hide's fade never completes.
    panel->ShowPanel(true);
    QTest::qWait(50);
    panel->ShowPanel(false);
    QTest::qWait(50);
    panel->ShowPanel(true);
    EXPECT_TRUE(QTest::qWaitFor(shadowed, 5000));
    QTest::qWait(500);
    EXPECT_TRUE(panel->isVisible());
    QTest::mouseClick(host->windowHandle(), Qt::LeftButton, {}, reset);
    EXPECT_EQ(probe->seen.size(), 2u);
}

}  // namespace
