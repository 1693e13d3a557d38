// The device panel's actions: the buttons, the model choice, the file
// dialogs, the firmware question, and the controller's answers.
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

}  // namespace

void UsbPanelUiItem::SetLight(Light light)
{
    const char* path = light == Light::Red      ? ":/pic/light_red.png"
                       : light == Light::Orange ? ":/pic/light_orange.png"
                                                : ":/pic/light_green.png";
    lightLabel->setPixmap(QPixmap(QString::fromLatin1(path)).scaledToWidth(kLightWidth, Qt::SmoothTransformation));
}

void UsbPanelUiItem::SetModelChoiceEnabled(bool blRadios, bool blFileBars)
{
    for (QRadioButton* radio : modelRadios)
        radio->setEnabled(blRadios);
    modelBar->setEnabled(blFileBars);
    labelBar->setEnabled(blFileBars);
}

bool UsbPanelUiItem::UserModelChecked() const
{
    return modelGroup->checkedId() == kUserModelId;
}

bool UsbPanelUiItem::ModelChosen() const
{
    return modelBar->Label()->text() != QLatin1String("Please Select Model");
}

void UsbPanelUiItem::SlotConnectBtnClicked()
{
    // Disabled until SlotStatusChanged: the controller may answer inside the
    // emit below (a direct call) or later.
    connectBtn->setEnabled(false);
    SetLight(Light::Orange);
    if (UserModelChecked()) {
        modelRadios[0]->setChecked(true);
        modelBar->setEnabled(false);
        labelBar->setEnabled(false);
    }
    lightLabel->repaint();
    emit SigConnectBtnClicked(modelGroup->checkedId());
}

void UsbPanelUiItem::SlotResetBtnClicked()
{
    resetBtn->setEnabled(false);
    uploadBtn->setEnabled(false);
    SetModelChoiceEnabled(false, false);
    emit SigResetBtnClicked();
}

void UsbPanelUiItem::SlotUpdateBtnClicked()
{
    resetBtn->setEnabled(false);
    uploadBtn->setEnabled(false);
    SetModelChoiceEnabled(false, false);
    emit SigUpdateBtnClicked(modelGroup->checkedId(), modelFilePath.toStdString());
}

void UsbPanelUiItem::SlotStatusChanged(bool blStatus)
{
    SetLight(blStatus ? Light::Green : Light::Red);
    connectBtn->setEnabled(!blStatus);
    resetBtn->setEnabled(blStatus);
    uploadBtn->setEnabled(blStatus && UserModelChecked() && ModelChosen());
    SetModelChoiceEnabled(blStatus, blStatus && UserModelChecked());
}

void UsbPanelUiItem::SlotChangeModelDone()
{
    resetBtn->setEnabled(true);
    uploadBtn->setEnabled(true);
    SetModelChoiceEnabled(true, UserModelChecked());
}

void UsbPanelUiItem::SlotRadioButtonChanged(QAbstractButton* pButton)
{
    const bool userModel = modelGroup->id(pButton) == kUserModelId;
    uploadBtn->setEnabled(!userModel || ModelChosen());
    modelBar->setEnabled(userModel);
    labelBar->setEnabled(userModel);
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
    modelBar->Label()->setText(path);
    modelBar->Label()->setToolTip(path);
    uploadBtn->setEnabled(true);
    Tell(*this, QStringLiteral("[Host Lib] Select model ") + path);
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
    labelBar->Label()->setText(path);
    labelBar->Label()->setToolTip(path);
    Tell(*this, QStringLiteral("[Host Lib] Select label file ") + path);
    emit SigUpdateUserDefinedClassMappingTable(path.toStdString());
}

void UsbPanelUiItem::ConnectWithModel(int Id, const QString& modelPath, const QString& labelPath)
{
    if (Id < 0 || Id > kUserModelId || !connectBtn->isEnabled())
        return;
    modelRadios[Id]->setChecked(true);
    if (Id != kUserModelId) {
        SlotConnectBtnClicked();
        return;
    }
    // With its file named, a user model can be connected to directly.
    if (!UseModelFile(modelPath))
        return;
    if (!labelPath.isEmpty())
        UseLabelFile(labelPath);
    connectBtn->setEnabled(false);
    SetLight(Light::Orange);
    lightLabel->repaint();
    emit SigConnectBtnClicked(Id);
}

void UsbPanelUiItem::SlotUpdateFwConfirmMsgShow(int Mode, std::vector<int> vecDevId)
{
    if (vecDevId.empty()) {
        emit SigUpdateFwConfirm(Mode, vecDevId, true);
        return;
    }
    MsgBoxUiItem box;
    box.setObjectName(QStringLiteral("msgFirmware"));
    box.setIconPixmap(QPixmap(QStringLiteral(":/pic/vireo_icon.ico")).scaledToWidth(125, Qt::SmoothTransformation));
    box.setWindowTitle(QStringLiteral("Firmware Update"));
    QPushButton* okButton = box.addButton(QMessageBox::Ok);
    QPushButton* cancelButton = box.addButton(QMessageBox::Cancel);
    okButton->setFixedWidth(100);
    cancelButton->setFixedWidth(100);
    box.setText(QString::fromLatin1(kFwQuestion));
    box.setInformativeText(QString::fromLatin1(kFwWarning));
    box.exec();
    // Closing the box any other way than with Ok is a no.
    const bool blConfirm = box.clickedButton() == okButton;
    emit SigUpdateFwConfirm(Mode, std::vector<int>(vecDevId), blConfirm);
}
