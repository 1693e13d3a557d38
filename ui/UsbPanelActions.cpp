// The device panel's actions: the buttons, the model choice, the file
// dialogs, the firmware question, and the look that follows the controller's
// state.
#include "ui/MsgBoxUiItem.h"
#include "ui/SelectFileBarUiItem.h"
#include "ui/UsbPanelUiItem.h"

#include <QButtonGroup>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QtDebug>

namespace {

constexpr int kUserModelId = 4;
constexpr int kLightWidth = 30;

const char* const kFwQuestion =
    "<span style='text-align: left'><p style='font-size: 14pt;'><span style='color:#404040;'><b>Update PAVO Pod "
    "Firmware.</span></p></span>";
const char* const kFwWarning =
    "<span style='text-align: left'><p style='font-size: 12pt;'><span style='color:#404040;'>(Please do not "
    "disconnect PAVO Pod when firmware update)</span></p></span>";

// The panel's own lines; the log keeps them too, for a panel that is hidden
// (F12, no window) and for whoever reads the log afterwards.
void Tell(UsbPanelUiItem& panel, const QString& msg)
{
    qInfo().noquote() << msg;
    panel.AppendMsg(msg);
}

// What the panel shows in each state of the device. `choose`: the model
// radio buttons are on, the file bars with Image Project checked, and Upload
// once there is something to upload.
struct Look {
    const char* light;
    bool connect;
    bool reset;
    bool choose;
};

const Look& LookOf(DeviceState state)
{
    static const char* const red = ":/pic/light_red.png";
    static const char* const orange = ":/pic/light_orange.png";
    static const char* const green = ":/pic/light_green.png";
    static const Look kLooks[kDeviceStateCount] = {
        {red, true, false, false},       // Disconnected
        {orange, false, false, false},   // Connecting
        {orange, false, false, false},   // AwaitingFirmwareAnswer
        {orange, false, false, false},   // UpdatingFirmware
        {green, false, true, true},      // Connected
        {green, false, false, false},    // Resetting
        {green, false, false, false},    // ChangingModel
        {orange, false, false, false},   // Closing
    };
    return kLooks[static_cast<int>(state)];
}

}  // namespace

void UsbPanelUiItem::ShowState()
{
    const Look& look = LookOf(deviceState);
    lightLabel->setPixmap(
        QPixmap(QString::fromLatin1(look.light)).scaledToWidth(kLightWidth, Qt::SmoothTransformation));
    connectBtn->setEnabled(look.connect);
    resetBtn->setEnabled(look.reset);
    for (QRadioButton* radio : modelRadios)
        radio->setEnabled(look.choose);
    const bool userModel = UserModelChecked();
    modelBar->setEnabled(look.choose && userModel);
    labelBar->setEnabled(look.choose && userModel);
    uploadBtn->setEnabled(look.choose && (userModel ? ModelChosen() : uploadArmed));
    // The translucent panel is drawn through its shadow effect: controls
    // repainted alone are composed over a newer picture than the rest of it,
    // and show as grey bands. Repainted whole, it stays one piece.
    update();
}

void UsbPanelUiItem::SlotDeviceStateChanged(DeviceState state)
{
    // A new connection loads the checked model: nothing is waiting to upload.
    if (state == DeviceState::Connecting)
        uploadArmed = false;
    deviceState = state;
    ShowState();
}

void UsbPanelUiItem::SlotStatusChanged(bool blStatus)
{
    SlotDeviceStateChanged(blStatus ? DeviceState::Connected : DeviceState::Disconnected);
}

void UsbPanelUiItem::SlotChangeModelDone()
{
    uploadArmed = true;
    ShowState();
}

bool UsbPanelUiItem::UserModelChecked() const
{
    return modelGroup->checkedId() == kUserModelId;
}

void UsbPanelUiItem::SlotConnectBtnClicked()
{
    // Image Project connects with its model file; without one there is
    // nothing to load, and face detection stands in.
    if (UserModelChecked() && !ModelChosen())
        modelRadios[0]->setChecked(true);
    emit SigConnectBtnClicked(modelGroup->checkedId());
}

void UsbPanelUiItem::SlotResetBtnClicked()
{
    emit SigResetBtnClicked();
}

void UsbPanelUiItem::SlotUpdateBtnClicked()
{
    emit SigUpdateBtnClicked(modelGroup->checkedId(), modelFilePath.toStdString());
}

void UsbPanelUiItem::SlotRadioButtonChanged(QAbstractButton* pButton)
{
    uploadArmed = true;
    ShowState();
    if (deviceState != DeviceState::Connected)
        return;
    const QString name = pButton->text();
    if (modelGroup->id(pButton) == kUserModelId && !ModelChosen())
        Tell(*this, QStringLiteral("[Host Lib] %1 chosen: select a model file, then press Upload.").arg(name));
    else
        Tell(*this, QStringLiteral("[Host Lib] %1 chosen: press Upload to load it.").arg(name));
}

QFileDialog* UsbPanelUiItem::FileDialog()
{
    if (!fileDialog) {
        QWidget* owner = parentWidget() != nullptr ? parentWidget() : this;
        fileDialog = new QFileDialog(owner, QString(), QString(), QString());
        fileDialog->setObjectName(QStringLiteral("dlgChooseFile"));
    }
    return fileDialog;
}

QString UsbPanelUiItem::ChooseFile(const QString& title, const QString& nameFilter)
{
    QFileDialog* dialog = FileDialog();
    dialog->setWindowTitle(title);
    dialog->setDirectory(QStringLiteral("."));
    dialog->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setNameFilter(nameFilter);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return QString();
    return dialog->selectedFiles().first();
}

void UsbPanelUiItem::ShowFile(SelectFileBarUiItem* bar, const QString& path)
{
    QLabel* label = bar->Label();
    label->ensurePolished();
    const QString name = QFileInfo(path).fileName();
    label->setText(label->fontMetrics().elidedText(name, Qt::ElideMiddle, label->contentsRect().width()));
    label->setToolTip(path);
}

void UsbPanelUiItem::SlotChooseModelClicked()
{
    const QString chosen = ChooseFile(tr("Choose Model"), tr("Model files (*.bin)"));
    if (!chosen.isEmpty())
        UseModelFile(chosen);
}

bool UsbPanelUiItem::UseModelFile(const QString& chosen)
{
    // The dialog lets a typed name through whatever the filter; the file must
    // still be there and be a model file.
    const QFileInfo info(chosen);
    if (!info.isFile() || info.suffix().compare(QLatin1String("bin"), Qt::CaseInsensitive) != 0) {
        Tell(*this, QStringLiteral("[Host Lib] Not a model file (an existing *.bin is needed): ") + chosen);
        return false;
    }
    const QString path = baseDir.relativeFilePath(info.absoluteFilePath());
    modelFilePath = path;
    ShowFile(modelBar, path);
    ShowState();
    Tell(*this, QStringLiteral("[Host Lib] Select model ") + path);
    emit SigUserModelChosen(path.toStdString());
    return true;
}

void UsbPanelUiItem::SlotChooseLabelFileClicked()
{
    const QString chosen = ChooseFile(tr("Choose Label File"), tr("All files (*)"));
    if (!chosen.isEmpty())
        UseLabelFile(chosen);
}

void UsbPanelUiItem::UseLabelFile(const QString& chosen)
{
    const QFileInfo info(chosen);
    if (!info.isFile()) {
        Tell(*this, QStringLiteral("[Host Lib] Not a label file (an existing file is needed): ") + chosen);
        return;
    }
    const QString path = baseDir.relativeFilePath(info.absoluteFilePath());
    labelFilePath = path;
    ShowFile(labelBar, path);
    Tell(*this, QStringLiteral("[Host Lib] Select label file ") + path);
    emit SigUpdateUserDefinedClassMappingTable(path.toStdString());
}

void UsbPanelUiItem::ConnectWithModel(int Id, const QString& modelPath, const QString& labelPath)
{
    if (Id < 0 || Id > kUserModelId)
        return;
    if (Id == kUserModelId) {
        // With its file named, a user model can be connected to directly.
        if (!UseModelFile(modelPath))
            return;
        if (!labelPath.isEmpty())
            UseLabelFile(labelPath);
    }
    modelRadios[Id]->setChecked(true);
    SlotConnectBtnClicked();
}

void UsbPanelUiItem::SlotUpdateFwConfirmMsgShow(int Mode, std::vector<int> vecDevId)
{
    if (vecDevId.empty()) {
        emit SigUpdateFwConfirm(Mode, vecDevId, true);
        return;
    }
    delete fwQuestion;  // an earlier question nobody answers any more
    auto* box = new MsgBoxUiItem;
    fwQuestion = box;
    box->setObjectName(QStringLiteral("msgFirmware"));
    box->setIconPixmap(QPixmap(QStringLiteral(":/pic/vireo_icon.ico")).scaledToWidth(125, Qt::SmoothTransformation));
    box->setWindowTitle(QStringLiteral("Firmware Update"));
    QPushButton* okButton = box->addButton(QMessageBox::Ok);
    QPushButton* cancelButton = box->addButton(QMessageBox::Cancel);
    okButton->setFixedWidth(100);
    cancelButton->setFixedWidth(100);
    box->setText(QString::fromLatin1(kFwQuestion));
    box->setInformativeText(QString::fromLatin1(kFwWarning));
    // Asked without a nested event loop: the answer comes as a signal, and
    // nothing else runs in the middle of this call meanwhile. (QMessageBox's
    // own setWindowModality would make it a framed dialog again.)
    box->QWidget::setWindowModality(Qt::ApplicationModal);
    connect(box, &QDialog::finished, this, [this, box, okButton, Mode, vecDevId] {
        // Closing the box any other way than with Ok is a no.
        const bool blConfirm = box->clickedButton() == okButton;
        box->deleteLater();
        emit SigUpdateFwConfirm(Mode, vecDevId, blConfirm);
    });
    box->show();
}
