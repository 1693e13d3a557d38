// The panel's dialogs driven as a user would: the firmware question and the
// model and label file choices.
#include "PanelProbe.h"

#include "ui/MsgBoxUiItem.h"

#include "LogLines.h"

#include <QMessageBox>

namespace {

enum class Answer { Ok, Cancel, Close };

struct FirmwareCase {
    const char* name;
    std::vector<int> devices;
    Answer answer;
    std::string sent;
    bool asked;
};

const FirmwareCase kFirmwareCases[] = {
    {"ok updates", {0, 2}, Answer::Ok, "fw 3 [0,2] yes", true},
    {"cancel declines", {0}, Answer::Cancel, "fw 3 [0] no", true},
    {"closing the box declines", {1}, Answer::Close, "fw 3 [1] no", true},
    {"nothing to update answers yes without asking", {}, Answer::Ok, "fw 3 [] yes", false},
};

void PrintTo(const FirmwareCase& c, std::ostream* os) { *os << c.name; }

class FirmwareQuestion : public ::testing::TestWithParam<FirmwareCase> {};

TEST_P(FirmwareQuestion, AnswerGoesBackWithModeAndDevices)
{
    const FirmwareCase& c = GetParam();
    UsbPanelUiItem panel;
    PanelProbe probe(&panel);
    // Asked: the box must show. Not asked: a box would wait for an answer that
    // never comes, and the test would time out.
    bool answered = false;
    if (c.asked) {
        WhenModal<MsgBoxUiItem>([answer = c.answer, &answered](MsgBoxUiItem* box) {
            answered = true;
            // What the user sees: a frameless, translucent box with two buttons.
            EXPECT_TRUE(box->windowFlags().testFlag(Qt::FramelessWindowHint));
            EXPECT_TRUE(box->testAttribute(Qt::WA_TranslucentBackground));
            EXPECT_EQ(box->windowTitle(), QStringLiteral("Firmware Update"));
            EXPECT_TRUE(box->text().contains(QStringLiteral("Update PAVO Pod Firmware.")));
            ASSERT_EQ(box->buttons().size(), 2);
            EXPECT_EQ(box->button(QMessageBox::Ok)->width(), 100);
            // Its own painting: clear outside the rounded corner, the sheet's
            // light grey inside (the shadow darkens it a little).
            const QImage shot = box->grab().toImage();
            EXPECT_LT(shot.pixelColor(1, 1).alpha(), 60);
            const QColor inside = shot.pixelColor(14, shot.height() / 2);
            EXPECT_TRUE(ColourNear(inside, QColor(224, 224, 224, inside.alpha()), 12));
            EXPECT_GE(inside.alpha(), 220);
            switch (answer) {
            case Answer::Ok: box->button(QMessageBox::Ok)->click(); break;
            case Answer::Cancel: box->button(QMessageBox::Cancel)->click(); break;
            case Answer::Close: box->close(); break;
            }
        });
    }
    panel.SlotUpdateFwConfirmMsgShow(3, c.devices);
    Settle();  // the box is asked without a nested event loop
    EXPECT_EQ(answered, c.asked);
    EXPECT_EQ(probe.seen, std::vector<std::string>{c.sent});
}

INSTANTIATE_TEST_SUITE_P(Answers, FirmwareQuestion, ::testing::ValuesIn(kFirmwareCases), CaseName());

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
        EXPECT_EQ(dialog->windowTitle(), c.labelBar ? "Choose Label File" : "Choose Model");
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(dialog->nameFilters().join(' ').contains("*.bin"), !c.labelBar);
        EXPECT_EQ(dialog->parent(), host.get()) << "the dialog belongs to the window";
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

}  // namespace
