// The device panel's controls through the connection cycle: lights and
// enabled states after each sequence of user clicks and controller answers,
// and the signals that leave the panel.
#include "PanelProbe.h"

#include <QGraphicsDropShadowEffect>
#include <QGraphicsOpacityEffect>
#include <QtTest/QTest>

namespace {

// What happens, one character a step: C, R, U: a click on Connect, Reset or
// Upload; 1, 2, 4: a click on that model's radio button; M: the user picks
// models/m.bin in the model dialog; +, -: the controller reports the
// connection up or down; D: the controller reports a model change done.
struct StateCase {
    const char* name;
    const char* steps;
    const char* light;
    bool connect, reset, upload, radios, bars;
    int checked;
    std::vector<std::string> sent;
};

const StateCase kStateCases[] = {
    {"constructed", "", "red", true, false, false, false, false, 0, {}},
    {"connecting, and connect cannot start twice", "CC", "orange", false, false, false, false, false, 0, {"connect 0"}},
    {"connect failed", "C-", "red", true, false, false, false, false, 0, {"connect 0"}},
    {"connected, built-in model: no upload yet", "C+", "green", false, true, false, true, false, 0, {"connect 0"}},
    {"radio of a built-in model enables upload", "C+2", "green", false, true, true, true, false, 2, {"connect 0"}},
    {"image project without a model: bars, no upload", "C+4", "green", false, true, false, true, true, 4,
     {"connect 0"}},
    {"choosing a model enables upload", "C+4M", "green", false, true, true, true, true, 4, {"connect 0"}},
    {"upload sends the model file path", "C+4MU", "green", false, false, false, false, false, 4,
     {"connect 0", "upload 4 models/m.bin"}},
    {"upload of a built-in model sends an empty path", "C+1U", "green", false, false, false, false, false, 1,
     {"connect 0", "upload 1 "}},
    {"the stored path goes with any model", "C+4M1U", "green", false, false, false, false, false, 1,
     {"connect 0", "upload 1 models/m.bin"}},
    {"nothing starts during an upload", "C+1UUR2", "green", false, false, false, false, false, 1,
     {"connect 0", "upload 1 "}},
    {"model change done", "C+1UD", "green", false, true, true, true, false, 1, {"connect 0", "upload 1 "}},
    {"model change done with image project", "C+4MUD", "green", false, true, true, true, true, 4,
     {"connect 0", "upload 4 models/m.bin"}},
    {"failed model change ends the connection", "C+1U-", "red", true, false, false, false, false, 1,
     {"connect 0", "upload 1 "}},
    {"nothing starts during a reset", "C+RRU", "green", false, false, false, false, false, 0, {"connect 0", "reset"}},
    {"reset done", "C+R-", "red", true, false, false, false, false, 0, {"connect 0", "reset"}},
    {"connecting with image project checked connects with face detection", "C+4M-C", "orange", false, false, false,
     false, false, 0, {"connect 0", "connect 0"}},
    {"connecting with object detection checked", "C+2-C", "orange", false, false, false, false, false, 2,
     {"connect 0", "connect 2"}},
    {"status up with image project and a model", "C+4M+", "green", false, true, true, true, true, 4, {"connect 0"}},
    {"nothing answers while disconnected", "RU2", "red", true, false, false, false, false, 0, {}},
};

void PrintTo(const StateCase& c, std::ostream* os) { *os << c.name; }

class PanelStates : public PanelFixture, public ::testing::WithParamInterface<StateCase> {};

TEST_P(PanelStates, ControlsFollowTheCycle)
{
    const StateCase& c = GetParam();
    for (const char* step = c.steps; *step != '\0'; ++step) {
        switch (*step) {
        case 'C': probe->Connect()->click(); break;
        case 'R': probe->Reset()->click(); break;
        case 'U': probe->Upload()->click(); break;
        case '1': case '2': case '4': probe->Radio(*step - '0')->click(); break;
        case 'M': Choose(probe->ModelBar(), "models/m.bin"); break;
        case '+': case '-': panel->SlotStatusChanged(*step == '+'); break;
        case 'D': panel->SlotChangeModelDone(); break;
        default: FAIL() << "no step " << *step;
        }
        Settle();
    }
    EXPECT_EQ(probe->Light(), c.light);
    EXPECT_EQ(probe->Connect()->isEnabled(), c.connect) << "connect";
    EXPECT_EQ(probe->Reset()->isEnabled(), c.reset) << "reset";
    EXPECT_EQ(probe->Upload()->isEnabled(), c.upload) << "upload";
    for (int id = 0; id < 5; ++id)
        EXPECT_EQ(probe->Radio(id)->isEnabled(), c.radios) << "radio " << id;
    EXPECT_EQ(probe->ModelBar()->isEnabled(), c.bars) << "model bar";
    EXPECT_EQ(probe->LabelBar()->isEnabled(), c.bars) << "label bar";
    EXPECT_EQ(probe->CheckedId(), c.checked);
    EXPECT_EQ(probe->seen, c.sent);
}

INSTANTIATE_TEST_SUITE_P(Cycle, PanelStates, ::testing::ValuesIn(kStateCases), CaseName());

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

TEST_F(PanelLook, FadesInWithAShadowAndOut)
{
    panel->hide();
    const auto shadowed = [this] { return qobject_cast<QGraphicsDropShadowEffect*>(panel->graphicsEffect()); };
    panel->ShowPanel(true);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_NE(qobject_cast<QGraphicsOpacityEffect*>(panel->graphicsEffect()), nullptr);
    EXPECT_TRUE(QTest::qWaitFor(shadowed, 5000));

    panel->ShowPanel(false);
    EXPECT_TRUE(panel->isVisible());
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
}

}  // namespace
