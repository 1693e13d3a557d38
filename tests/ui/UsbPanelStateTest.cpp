// The device panel's controls through the connection cycle: lights and
// enabled states after each sequence of user clicks and controller answers,
// and the signals that leave the panel.
#include "PanelProbe.h"
#include "TempDir.h"
#include "UiTestSupport.h"

#include <QDir>
#include <QFileDialog>
#include <QGraphicsDropShadowEffect>
#include <QGraphicsOpacityEffect>
#include <QtTest/QTest>

#include <memory>

namespace {

enum Step {
    ClickConnect,
    ClickReset,
    ClickUpload,
    ClickRadio0,
    ClickRadio1,
    ClickRadio2,
    ClickRadio4,
    StatusUp,    // controller: SigStatusChanged(true)
    StatusDown,  // controller: SigStatusChanged(false)
    ModelDone,   // controller: SigChangeModelDone()
    ChooseModel, // the user picks models/m.bin in the model dialog
};

struct Expect {
    LightColour light;
    bool connect, reset, upload, radios, bars;
    int checked;
};

struct StateCase {
    const char* name;
    std::vector<Step> steps;
    Expect expect;
    std::vector<std::string> sent;
};

const LightColour R = LightColour::Red, O = LightColour::Orange, G = LightColour::Green;

const StateCase kStateCases[] = {
    {"constructed", {}, {R, true, false, false, false, false, 0}, {}},
    {"connecting", {ClickConnect}, {O, false, false, false, false, false, 0}, {"connect 0"}},
    {"connect cannot start twice", {ClickConnect, ClickConnect}, {O, false, false, false, false, false, 0},
     {"connect 0"}},
    {"connect failed", {ClickConnect, StatusDown}, {R, true, false, false, false, false, 0}, {"connect 0"}},
    {"connected, built-in model: no upload yet", {ClickConnect, StatusUp}, {G, false, true, false, true, false, 0},
     {"connect 0"}},
    {"radio of a built-in model enables upload", {ClickConnect, StatusUp, ClickRadio2},
     {G, false, true, true, true, false, 2}, {"connect 0"}},
    {"image project without a model: bars, no upload", {ClickConnect, StatusUp, ClickRadio4},
     {G, false, true, false, true, true, 4}, {"connect 0"}},
    {"choosing a model enables upload", {ClickConnect, StatusUp, ClickRadio4, ChooseModel},
     {G, false, true, true, true, true, 4}, {"connect 0"}},
    {"upload sends the model file path", {ClickConnect, StatusUp, ClickRadio4, ChooseModel, ClickUpload},
     {G, false, false, false, false, false, 4}, {"connect 0", "upload 4 models/m.bin"}},
    {"upload of a built-in model sends an empty path", {ClickConnect, StatusUp, ClickRadio1, ClickUpload},
     {G, false, false, false, false, false, 1}, {"connect 0", "upload 1 "}},
    {"the stored path goes with any model",
     {ClickConnect, StatusUp, ClickRadio4, ChooseModel, ClickRadio1, ClickUpload},
     {G, false, false, false, false, false, 1}, {"connect 0", "upload 1 models/m.bin"}},
    {"upload cannot start twice", {ClickConnect, StatusUp, ClickRadio1, ClickUpload, ClickUpload, ClickReset},
     {G, false, false, false, false, false, 1}, {"connect 0", "upload 1 "}},
    {"radios are locked during an upload", {ClickConnect, StatusUp, ClickRadio1, ClickUpload, ClickRadio2},
     {G, false, false, false, false, false, 1}, {"connect 0", "upload 1 "}},
    {"model change done", {ClickConnect, StatusUp, ClickRadio1, ClickUpload, ModelDone},
     {G, false, true, true, true, false, 1}, {"connect 0", "upload 1 "}},
    {"model change done with image project",
     {ClickConnect, StatusUp, ClickRadio4, ChooseModel, ClickUpload, ModelDone},
     {G, false, true, true, true, true, 4}, {"connect 0", "upload 4 models/m.bin"}},
    {"failed model change ends the connection", {ClickConnect, StatusUp, ClickRadio1, ClickUpload, StatusDown},
     {R, true, false, false, false, false, 1}, {"connect 0", "upload 1 "}},
    {"reset locks everything", {ClickConnect, StatusUp, ClickReset}, {G, false, false, false, false, false, 0},
     {"connect 0", "reset"}},
    {"reset cannot start twice", {ClickConnect, StatusUp, ClickReset, ClickReset, ClickUpload},
     {G, false, false, false, false, false, 0}, {"connect 0", "reset"}},
    {"reset done", {ClickConnect, StatusUp, ClickReset, StatusDown}, {R, true, false, false, false, false, 0},
     {"connect 0", "reset"}},
    {"connecting with image project checked connects with face detection",
     {ClickConnect, StatusUp, ClickRadio4, ChooseModel, StatusDown, ClickConnect},
     {O, false, false, false, false, false, 0}, {"connect 0", "connect 0"}},
    {"connecting with object detection checked",
     {ClickConnect, StatusUp, ClickRadio2, StatusDown, ClickConnect},
     {O, false, false, false, false, false, 2}, {"connect 0", "connect 2"}},
    {"status up with image project and a model", {ClickConnect, StatusUp, ClickRadio4, ChooseModel, StatusUp},
     {G, false, true, true, true, true, 4}, {"connect 0"}},
    {"nothing answers while disconnected", {ClickReset, ClickUpload, ClickRadio2},
     {R, true, false, false, false, false, 0}, {}},
};

void PrintTo(const StateCase& c, std::ostream* os)
{
    *os << c.name;
}

class PanelStates : public ::testing::TestWithParam<StateCase> {
protected:
    void SetUp() override
    {
        previousDir = QDir::currentPath();
        QDir().mkpath(QString::fromStdString(scratch.File("models")));
        WriteText(scratch.File("models/m.bin"), "model");
        QDir::setCurrent(QString::fromStdString(scratch.Path()));
        host.reset(NewHost(350, 800, Qt::black));
        panel = new UsbPanelUiItem(host.get());
        panel->resize(350, 800);
        panel->show();
        probe = std::make_unique<PanelProbe>(panel);
        Settle();
    }
    void TearDown() override { QDir::setCurrent(previousDir); }

    void Run(Step step)
    {
        switch (step) {
        case ClickConnect: probe->Connect()->click(); break;
        case ClickReset: probe->Reset()->click(); break;
        case ClickUpload: probe->Upload()->click(); break;
        case ClickRadio0: probe->Radio(0)->click(); break;
        case ClickRadio1: probe->Radio(1)->click(); break;
        case ClickRadio2: probe->Radio(2)->click(); break;
        case ClickRadio4: probe->Radio(4)->click(); break;
        case StatusUp: panel->SlotStatusChanged(true); break;
        case StatusDown: panel->SlotStatusChanged(false); break;
        case ModelDone: panel->SlotChangeModelDone(); break;
        case ChooseModel: {
            const QString file = QString::fromStdString(scratch.File("models/m.bin"));
            WhenModal<QFileDialog>([file](QFileDialog* dialog) {
                dialog->selectFile(file);
                static_cast<QDialog*>(dialog)->accept();
            });
            probe->ModelBar()->Button()->click();
            break;
        }
        }
        Settle();
    }

    TempDir scratch;
    QString previousDir;
    std::unique_ptr<QWidget> host;
    UsbPanelUiItem* panel = nullptr;
    std::unique_ptr<PanelProbe> probe;
};

TEST_P(PanelStates, ControlsFollowTheCycle)
{
    const StateCase& c = GetParam();
    for (Step step : c.steps)
        Run(step);
    const Expect& e = c.expect;
    EXPECT_EQ(LightName(probe->Light()), std::string(LightName(e.light)));
    EXPECT_EQ(probe->Connect()->isEnabled(), e.connect) << "connect";
    EXPECT_EQ(probe->Reset()->isEnabled(), e.reset) << "reset";
    EXPECT_EQ(probe->Upload()->isEnabled(), e.upload) << "upload";
    for (int id = 0; id < 5; ++id)
        EXPECT_EQ(probe->Radio(id)->isEnabled(), e.radios) << "radio " << id;
    EXPECT_EQ(probe->ModelBar()->isEnabled(), e.bars) << "model bar";
    EXPECT_EQ(probe->LabelBar()->isEnabled(), e.bars) << "label bar";
    EXPECT_EQ(probe->CheckedId(), e.checked);
    EXPECT_EQ(probe->seen, c.sent);
}

INSTANTIATE_TEST_SUITE_P(Cycle, PanelStates, ::testing::ValuesIn(kStateCases),
                         [](const ::testing::TestParamInfo<StateCase>& info) { return CaseName(info.param.name); });

TEST(PanelLook, BackgroundSeparatorsAndMessageArea)
{
    std::unique_ptr<QWidget> host(NewHost(350, 800, Qt::black));
    auto* panel = new UsbPanelUiItem(host.get());
    EXPECT_EQ(panel->width(), 350);
    EXPECT_EQ(panel->minimumWidth(), 350);
    EXPECT_TRUE(panel->isHidden());
    panel->resize(350, 800);
    panel->show();
    Settle();
    PanelProbe probe(panel);
    const QImage shot = host->grab().toImage();
    // 90 % of (224, 224, 224) over black, inside the 15 px margin.
    const QColor panelGrey(202, 202, 202);
    EXPECT_TRUE(ColourNear(shot.pixelColor(175, 18), panelGrey, 4));
    EXPECT_TRUE(ColourNear(shot.pixelColor(5, 400), Qt::black, 4));  // the margin stays clear
    // The message area is black: its top-left part holds no text yet.
    const QRect area = probe.MsgArea()->geometry();
    EXPECT_TRUE(ColourNear(shot.pixelColor(area.left() + 40, area.center().y()), Qt::black, 4));
    // Radio buttons and file bars are in the model block, above Upload.
    EXPECT_LT(probe.Radio(3)->y(), probe.Radio(4)->y());
    EXPECT_LT(probe.Radio(4)->y(), probe.ModelBar()->y());
    EXPECT_LT(probe.ModelBar()->y(), probe.LabelBar()->y());
    EXPECT_LT(probe.LabelBar()->geometry().bottom(), probe.Upload()->y());
    EXPECT_LT(probe.Upload()->geometry().bottom(), area.top());
}

TEST(PanelLook, FadesInWithAShadowAndOut)
{
    std::unique_ptr<QWidget> host(NewHost(350, 800, Qt::black));
    auto* panel = new UsbPanelUiItem(host.get());
    panel->ShowPanel(true);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_NE(qobject_cast<QGraphicsOpacityEffect*>(panel->graphicsEffect()), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return qobject_cast<QGraphicsDropShadowEffect*>(panel->graphicsEffect()); }, 5000));

    panel->ShowPanel(false);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel->isHidden(); }, 5000));

    // A show right after a hide wins: the hide's fade never completes.
    panel->ShowPanel(true);
    QTest::qWait(50);
    panel->ShowPanel(false);
    QTest::qWait(50);
    panel->ShowPanel(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return qobject_cast<QGraphicsDropShadowEffect*>(panel->graphicsEffect()); }, 5000));
    QTest::qWait(500);
    EXPECT_TRUE(panel->isVisible());
}

}  // namespace
