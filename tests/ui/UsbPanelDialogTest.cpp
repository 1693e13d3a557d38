// The panel's dialogs driven as a user would: the firmware question and the
// model and label file choices.
#include "PanelProbe.h"
#include "TempDir.h"
#include "UiTestSupport.h"

#include "ui/MsgBoxUiItem.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

#include <memory>

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

// Counts message boxes shown anywhere in the application.
class ShowWatcher : public QObject {
public:
    int shown = 0;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && qobject_cast<MsgBoxUiItem*>(watched) != nullptr)
            ++shown;
        return false;
    }
};

void PrintTo(const FirmwareCase& c, std::ostream* os)
{
    *os << c.name;
}

class FirmwareQuestion : public ::testing::TestWithParam<FirmwareCase> {};

TEST_P(FirmwareQuestion, AnswerGoesBackWithModeAndDevices)
{
    const FirmwareCase& c = GetParam();
    UsbPanelUiItem panel;
    PanelProbe probe(&panel);
    ShowWatcher watcher;
    qApp->installEventFilter(&watcher);
    if (c.asked) {
        WhenModal<MsgBoxUiItem>([answer = c.answer](MsgBoxUiItem* box) {
            // What the user sees: a frameless, translucent box with two buttons.
            EXPECT_TRUE(box->windowFlags().testFlag(Qt::FramelessWindowHint));
            EXPECT_TRUE(box->testAttribute(Qt::WA_TranslucentBackground));
            EXPECT_EQ(box->windowTitle(), QStringLiteral("Firmware Update"));
            EXPECT_TRUE(box->text().contains(QStringLiteral("Update PAVO Pod Firmware.")));
            ASSERT_EQ(box->buttons().size(), 2);
            EXPECT_EQ(box->button(QMessageBox::Ok)->width(), 100);
            const QImage shot = box->grab().toImage();
            EXPECT_LT(shot.pixelColor(1, 1).alpha(), 60) << "corner outside the rounded background";
            // The sheet's light grey (the shadow darkens it a little).
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
    qApp->removeEventFilter(&watcher);
    EXPECT_EQ(probe.seen, std::vector<std::string>{c.sent});
    EXPECT_EQ(watcher.shown, c.asked ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Answers, FirmwareQuestion, ::testing::ValuesIn(kFirmwareCases),
                         [](const ::testing::TestParamInfo<FirmwareCase>& info) { return CaseName(info.param.name); });

TEST(MsgBox, PaintsItsOwnRoundedBackground)
{
    MsgBoxUiItem box;
    box.setText(QStringLiteral("text"));
    box.resize(300, 160);
    const QImage shot = box.grab().toImage();
    EXPECT_LT(shot.pixelColor(0, 0).alpha(), 60);
    EXPECT_LT(shot.pixelColor(12, 12).alpha(), 200) << "inside the margin, outside the radius";
    const QColor inside = shot.pixelColor(150, 80);
    EXPECT_TRUE(ColourNear(inside, QColor(224, 224, 224, inside.alpha()), 12));
    EXPECT_GE(inside.alpha(), 220);
}

class FileChoice : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousDir = QDir::currentPath();
        QDir().mkpath(QString::fromStdString(scratch.File("models")));
        WriteText(scratch.File("models/user.bin"), "model");
        WriteText(scratch.File("notes.txt"), "not a model");
        WriteText(scratch.File("labels.txt"), "0 cat\n1 dog\n");
        QDir::setCurrent(QString::fromStdString(scratch.Path()));
        host.reset(NewHost(350, 800, Qt::black));
        panel = new UsbPanelUiItem(host.get());
        probe = std::make_unique<PanelProbe>(panel);
        panel->SlotStatusChanged(true);
        probe->Radio(4)->click();
    }
    void TearDown() override { QDir::setCurrent(previousDir); }

    // Clicks `bar`'s button and answers the dialog with `file` (accepted), or
    // cancels it when `file` is empty. Returns the dialog's settings.
    QFileDialog* Choose(SelectFileBarUiItem* bar, const std::string& file)
    {
        QFileDialog* seen = nullptr;
        const QString path = file.empty() ? QString() : QString::fromStdString(scratch.File(file));
        WhenModal<QFileDialog>([&seen, path](QFileDialog* dialog) {
            seen = dialog;
            if (path.isEmpty()) {
                dialog->reject();
                return;
            }
            dialog->selectFile(path);
            static_cast<QDialog*>(dialog)->accept();
        });
        bar->Button()->click();
        return seen;
    }

    QString LastMessage() const { return probe->MsgLabel()->text().section(QLatin1Char('\n'), -1); }

    TempDir scratch;
    QString previousDir;
    std::unique_ptr<QWidget> host;
    UsbPanelUiItem* panel = nullptr;
    std::unique_ptr<PanelProbe> probe;
};

TEST_F(FileChoice, ModelDialogOffersExistingBinFiles)
{
    QFileDialog* dialog = Choose(probe->ModelBar(), "models/user.bin");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Choose Model"));
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    EXPECT_TRUE(dialog->nameFilters().join(QLatin1Char(' ')).contains(QStringLiteral("*.bin")));
    EXPECT_EQ(dialog->parent(), host.get()) << "the dialog belongs to the window";
    EXPECT_EQ(probe->ModelBar()->Label()->text(), QStringLiteral("models/user.bin"));
    EXPECT_EQ(LastMessage(), QStringLiteral("[Host Lib] Select model models/user.bin"));
    EXPECT_TRUE(probe->Upload()->isEnabled());
    probe->Upload()->click();
    EXPECT_EQ(probe->seen, std::vector<std::string>{"upload 4 models/user.bin"});
}

TEST_F(FileChoice, ModelThatIsNotABinFileIsRefused)
{
    Choose(probe->ModelBar(), "notes.txt");
    EXPECT_EQ(probe->ModelBar()->Label()->text(), QStringLiteral("Please Select Model"));
    EXPECT_TRUE(LastMessage().contains(QStringLiteral("notes.txt")));
    EXPECT_FALSE(probe->Upload()->isEnabled());
}

TEST_F(FileChoice, CancelledDialogChangesNothing)
{
    Choose(probe->ModelBar(), "models/user.bin");
    Choose(probe->ModelBar(), "");
    Choose(probe->LabelBar(), "");
    EXPECT_EQ(probe->ModelBar()->Label()->text(), QStringLiteral("models/user.bin"));
    EXPECT_EQ(probe->LabelBar()->Label()->text(), QStringLiteral("Please Select Label"));
    EXPECT_TRUE(probe->seen.empty());
}

TEST_F(FileChoice, LabelFileIsAnnounced)
{
    QFileDialog* dialog = Choose(probe->LabelBar(), "labels.txt");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Choose Label File"));
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(probe->LabelBar()->Label()->text(), QStringLiteral("labels.txt"));
    EXPECT_EQ(LastMessage(), QStringLiteral("[Host Lib] Select label file labels.txt"));
    EXPECT_EQ(probe->seen, std::vector<std::string>{"label labels.txt"});
    EXPECT_FALSE(probe->Upload()->isEnabled()) << "a label file alone is no model";
}

TEST_F(FileChoice, FileNamesAreNotMarkup)
{
    WriteText(scratch.File("<b>x<i>.bin"), "model");
    Choose(probe->ModelBar(), "<b>x<i>.bin");
    EXPECT_EQ(probe->ModelBar()->Label()->text(), QStringLiteral("<b>x<i>.bin"));
    EXPECT_EQ(probe->ModelBar()->Label()->textFormat(), Qt::PlainText);
}

TEST(PanelSignals, CrossThreadsAsQueuedCalls)
{
    UsbPanelUiItem panel;
    std::vector<std::string> got;
    QObject receiver;
    QObject::connect(&panel, SIGNAL(SigUpdateFwConfirm(int, std::vector<int>, bool)), &receiver,
                     SLOT(deleteLater()), Qt::QueuedConnection);
    QObject::connect(
        &panel, &UsbPanelUiItem::SigUpdateFwConfirm, &receiver,
        [&got](int mode, std::vector<int> devices, bool confirm) {
            got.push_back("fw " + std::to_string(mode) + " " + std::to_string(devices.size()) + (confirm ? " yes" : " no"));
        },
        Qt::QueuedConnection);
    QObject::connect(
        &panel, &UsbPanelUiItem::SigUpdateBtnClicked, &receiver,
        [&got](int id, std::string path) { got.push_back("upload " + std::to_string(id) + " " + path); },
        Qt::QueuedConnection);
    panel.SlotUpdateFwConfirmMsgShow(2, {});
    panel.SlotStatusChanged(true);
    panel.findChild<QRadioButton*>(QStringLiteral("rbModel1"))->click();
    panel.findChild<QPushButton*>(QStringLiteral("btnUpload"))->click();
    EXPECT_TRUE(got.empty()) << "queued calls wait for the event loop";
    QCoreApplication::processEvents();
    EXPECT_EQ(got, (std::vector<std::string>{"fw 2 0 yes", "upload 1 "}));
}

}  // namespace
