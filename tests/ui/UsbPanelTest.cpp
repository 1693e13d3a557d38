// The device panel as a person sees and drives it: the light and every
// control's enabled state for each state, what it sends and says, its
// dialogs, and the message area.
#include "PanelProbe.h"

#include "ui/MsgBoxUiItem.h"

#include "LogLines.h"

#include <QGraphicsDropShadowEffect>
#include <QGraphicsOpacityEffect>
#include <QMessageBox>
#include <QtTest/QTest>

#include <tuple>

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

// A radio click while connected says that Upload applies it and changes
// nothing before (nothing is sent before the first connect). Connect loads
// the checked model, Image Project with its file; without a file there is
// nothing to load and face detection stands in.
TEST_F(PanelActions, ARadioClickWaitsForUploadAndConnectAsksForTheCheckedModel)
{
    panel->SlotDeviceStateChanged(S::Connected);
    probe->Radio(2)->click();
    EXPECT_EQ(probe->MsgLabel()->text(), "[Host Lib] Object Detection chosen: press Upload to load it.");
    probe->Radio(4)->click();
    EXPECT_TRUE(probe->MsgLabel()->text().endsWith("select a model file, then press Upload."));
    panel->SlotDeviceStateChanged(S::Disconnected);
    probe->Connect()->click();
    EXPECT_TRUE(probe->Radio(0)->isChecked());
    panel->SlotDeviceStateChanged(S::Connected);
    probe->Radio(4)->click();
    Choose(probe->ModelBar(), "models/m.bin");
    probe->Upload()->click();
    panel->SlotDeviceStateChanged(S::Disconnected);
    probe->Connect()->click();
    EXPECT_TRUE(probe->Radio(4)->isChecked());
    EXPECT_EQ(probe->seen, (std::vector<std::string>{"connect 0", "model models/m.bin", "upload 4 models/m.bin",
                                                      "connect 4"}));
}

// Fades in with a shadow and out; a hiding panel takes no clicks from the
// moment it starts to fade: they reach the window beneath.
TEST_F(PanelActions, FadesInWithAShadowAndOutTakingNoClicksWhileHiding)
{
    panel->SlotDeviceStateChanged(S::Connected);
    panel->hide();
    const auto shadowed = [this] { return qobject_cast<QGraphicsDropShadowEffect*>(panel->graphicsEffect()); };
    panel->ShowPanel(true);
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
    QTest::mouseClick(host->windowHandle(), Qt::LeftButton, {}, reset);
    EXPECT_EQ(probe->seen.size(), 2u);
}

enum class Answer { Ok, Cancel, Close };

// Asked: the box must show. Not asked: a box would wait for an answer that
// never comes, and the test would time out.
TEST(FirmwareQuestion, AnswerGoesBackWithModeAndDevices)
{
    const struct {
        const char* name;
        std::vector<int> devices;
        Answer answer;
        std::string sent;
    } cases[] = {
        {"ok updates", {0, 2}, Answer::Ok, "fw 3 [0,2] yes"},
        {"cancel declines", {0}, Answer::Cancel, "fw 3 [0] no"},
        {"closing the box declines", {1}, Answer::Close, "fw 3 [1] no"},
        {"nothing to update answers yes without asking", {}, Answer::Ok, "fw 3 [] yes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UsbPanelUiItem panel;
        PanelProbe probe(&panel);
        bool answered = false;
        if (!c.devices.empty()) {
            WhenModal<MsgBoxUiItem>([answer = c.answer, &answered](MsgBoxUiItem* box) {
                answered = true;
                EXPECT_TRUE(box->text().contains(QStringLiteral("Update PAVO Pod Firmware.")));
                ASSERT_EQ(box->buttons().size(), 2);
                // Its own painting: clear outside the rounded corner, the sheet's
                // light grey inside (the shadow darkens it a little).
                const QImage shot = box->grab().toImage();
                EXPECT_LT(shot.pixelColor(1, 1).alpha(), 60);
                const QColor inside = shot.pixelColor(14, shot.height() / 2);
                EXPECT_TRUE(ColourNear(inside, QColor(224, 224, 224, inside.alpha()), 12));
                EXPECT_GE(inside.alpha(), 220);
                if (answer == Answer::Close)
                    return void(box->close());
                box->button(answer == Answer::Ok ? QMessageBox::Ok : QMessageBox::Cancel)->click();
            });
        }
        panel.SlotUpdateFwConfirmMsgShow(3, c.devices);
        Settle();  // the box is asked without a nested event loop
        EXPECT_EQ(answered, !c.devices.empty());
        EXPECT_EQ(probe.seen, std::vector<std::string>{c.sent});
    }
}

struct FileCase {
    const char* name;
    bool labelBar;
    std::vector<std::string> choices;  // files chosen in turn; "": the dialog cancelled
    QString shown;                     // in the bar; its tooltip holds the whole path
    QString message;                   // a part of the last message line, also logged
    std::vector<std::string> sent;     // after the choices and a click on Upload
};

const std::string kLong = "models/a model with a name far too long for its field, version 12.bin";

const FileCase kFileCases[] = {
    {"model", false, {"models/m.bin"}, "m.bin", "[Host Lib] Select model models/m.bin",
     {"model models/m.bin", "upload 4 models/m.bin"}},
    {"not a bin file", false, {"notes.txt"}, "Please Select Model", "notes.txt", {}},
    {"cancel keeps the model", false, {"models/m.bin", ""}, "m.bin", "", {"model models/m.bin", "upload 4 models/m.bin"}},
    {"a name with markup is text", false, {"<b>x<i>.bin"}, "<b>x<i>.bin", "", {"model <b>x<i>.bin", "upload 4 <b>x<i>.bin"}},
    {"a long name is cut in the middle", false, {kLong}, "a model\u2026.bin", "", {"model " + kLong, "upload 4 " + kLong}},
    {"label file, but no model to upload", true, {"labels.txt"}, "labels.txt",
     "[Host Lib] Select label file labels.txt", {"label labels.txt"}},
    {"cancelled label", true, {""}, "Please Select Label", "", {}},
};

void PrintTo(const FileCase& c, std::ostream* os) { *os << c.name; }

class FileChoice : public PanelFixture, public ::testing::WithParamInterface<FileCase> {};

TEST_P(FileChoice, ChosenFileIsShownAnnouncedAndUploaded)
{
    const FileCase& c = GetParam();
    LogLines log;
    WriteText(scratch.File("<b>x<i>.bin"), "model");
    WriteText(scratch.File(kLong), "model");
    panel->SlotStatusChanged(true);
    probe->Radio(4)->click();
    SelectFileBarUiItem* bar = c.labelBar ? probe->LabelBar() : probe->ModelBar();
    for (const std::string& file : c.choices) {
        QFileDialog* dialog = Choose(bar, file);
        ASSERT_NE(dialog, nullptr);
        // An existing file, of the bar's kind, in a dialog that belongs to the window.
        EXPECT_EQ(std::make_tuple(dialog->fileMode(), dialog->nameFilters().join(' ').contains("*.bin"), dialog->parent()),
                  std::make_tuple(QFileDialog::ExistingFile, !c.labelBar, static_cast<QObject*>(host.get())));
    }
    // "start…end": cut in the middle, the start and the end kept.
    const QString text = bar->Label()->text();
    const QStringList parts = c.shown.split(QChar(0x2026));
    EXPECT_TRUE(parts.size() == 1 ? text == c.shown
                                  : text.startsWith(parts[0]) && text.contains(QChar(0x2026)) && text.endsWith(parts[1]))
        << text.toStdString();
    if (!text.startsWith("Please Select")) {
        EXPECT_LE(bar->Label()->fontMetrics().horizontalAdvance(text), bar->Label()->contentsRect().width());
        EXPECT_EQ(bar->Label()->toolTip().toStdString(), c.choices.front());
    }
    EXPECT_EQ(bar->Label()->textFormat(), Qt::PlainText);
    const QString lastLine = probe->MsgLabel()->text().section('\n', -1);
    EXPECT_TRUE(lastLine.contains(c.message)) << probe->MsgLabel()->text().toStdString();
    if (!c.message.isEmpty()) {
        const QStringList logged = log.Starting(QStringLiteral("[Host Lib]"));
        EXPECT_EQ(logged.isEmpty() ? QString() : logged.last(), lastLine);
    }
    probe->Upload()->click();
    EXPECT_EQ(probe->seen, c.sent);
}

INSTANTIATE_TEST_SUITE_P(Files, FileChoice, ::testing::ValuesIn(kFileCases), CaseName());

TEST(PanelSignals, CrossThreadsAsQueuedCalls)
{
    UsbPanelUiItem panel;
    PanelProbe probe(&panel, Qt::QueuedConnection);  // needs every argument type registered
    panel.SlotUpdateFwConfirmMsgShow(2, {});
    panel.SlotStatusChanged(true);
    probe.Radio(1)->click();
    probe.Upload()->click();
    EXPECT_TRUE(probe.seen.empty()) << "queued calls wait for the event loop";
    QCoreApplication::processEvents();
    EXPECT_EQ(probe.seen, (std::vector<std::string>{"fw 2 [] yes", "upload 1 "}));
}

QString Message(int index, int lines)
{
    QStringList parts;
    for (int line = 0; line < lines; ++line)
        parts << QStringLiteral("m%1.%2").arg(index).arg(line);
    return parts.join(QLatin1Char('\n'));
}

// At most 201 lines, counted as lines, the newest kept.
TEST(MessageArea, KeepsTheNewestLines)
{
    const struct {
        int messages, linesPerMessage;
        QString firstLine, lastLine;
    } cases[] = {
        {201, 1, "m0.0", "m200.0"},
        {202, 1, "m1.0", "m201.0"},
        {100, 3, "m33.0", "m99.2"},
        {1, 250, "m0.49", "m0.249"},
    };
    for (const auto& c : cases) {
        UsbPanelUiItem panel;
        PanelProbe probe(&panel);
        for (int i = 0; i < c.messages; ++i)
            panel.AppendMsg(Message(i, c.linesPerMessage));
        const QStringList lines = probe.MsgLabel()->text().split(QLatin1Char('\n'));
        EXPECT_EQ(std::make_tuple(lines.size(), lines.first(), lines.last()),
                  std::make_tuple(std::min(c.messages * c.linesPerMessage, UsbPanelUiItem::kMaxMsgLines), c.firstLine,
                                  c.lastLine));
    }
}

// Lines that arrive while the panel is hidden and after it shows: the
// newest is in view, and a line longer than the area wraps instead of
// running off its edge.
TEST(MessageArea, ShowsItsLastLineAndWrapsLongOnes)
{
    std::unique_ptr<QWidget> host(NewHost(350, 800, Qt::black));
    auto* panel = new UsbPanelUiItem(host.get());
    PanelProbe probe(panel);
    for (int i = 0; i < 150; ++i)
        panel->AppendMsg(QStringLiteral("[Host Lib] line %1").arg(i));
    panel->resize(350, 800);
    panel->show();
    Settle();
    QWidget* viewport = probe.MsgArea()->viewport();
    const int oneLine = probe.MsgLabel()->height() / 150;
    const QString longLine = QStringLiteral("[Host Lib] Select model ") + QString("a long name ").repeated(12);
    for (int i = 150; i < 300; ++i)
        panel->AppendMsg(i == 299 ? longLine : QStringLiteral("[Host Lib] line %1").arg(i));
    Settle();
    EXPECT_LE(probe.MsgLabel()->width(), viewport->width());
    EXPECT_GE(probe.MsgLabel()->height(), oneLine * 152) << "the long line takes several lines";
    // Far taller than the view, its bottom at the view's: scrolled to the end.
    const int labelBottom = probe.MsgLabel()->mapTo(viewport, QPoint(0, probe.MsgLabel()->height())).y();
    EXPECT_EQ(labelBottom, viewport->height());

    // The last line is light text on black at the bottom of the area.
    const QImage shot = viewport->grab().toImage();
    int lit = 0;
    for (int y = shot.height() - 16; y < shot.height(); ++y)
        for (int x = 0; x < 120; ++x)
            lit += shot.pixelColor(x, y).lightness() > 128 ? 1 : 0;
    EXPECT_GT(lit, 10);
    EXPECT_TRUE(ColourNear(shot.pixelColor(shot.width() - 3, shot.height() - 3), Qt::black, 4));
}

}  // namespace
