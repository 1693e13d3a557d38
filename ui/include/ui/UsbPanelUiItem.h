#pragma once
// The device panel: connect, reset, choose and upload a model, choose a label
// file, answer the firmware question, and read the device's log lines.

#include "devicestate/DeviceState.h"

#include <QDir>
#include <QFrame>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

class QAbstractButton;
class QButtonGroup;
class QFileDialog;
class QLabel;
class QPropertyAnimation;
class QPushButton;
class QRadioButton;
class QScrollArea;
class MsgBoxUiItem;
class SelectFileBarUiItem;

// Thread-safety: GUI thread only, like every widget; a caller on another
// thread reaches AppendMsg through a queued signal.
// Holds no device logic: every action leaves as a signal, and the device
// controller answers each with its state (SlotDeviceStateChanged); the light
// and the buttons follow from that state and the model chosen here alone.
class UsbPanelUiItem : public QFrame {
    Q_OBJECT

public:
    explicit UsbPanelUiItem(QWidget* parent = nullptr);
    ~UsbPanelUiItem() override;

    // The name of model number `Id` as its radio button says it; empty for
    // a number that names no model.
    static QString ModelName(int Id);

    // Checks model `Id` and asks to connect as a click on Connect does; for
    // model 4 the user model file (and label file) are taken as if chosen
    // first. For demos and kiosks that start without a mouse.
    void ConnectWithModel(int Id, const QString& modelPath = {}, const QString& labelPath = {});

    // Most lines the message area keeps; older lines go first.
    static constexpr int kMaxMsgLines = 201;

signals:
    void SigConnectBtnClicked(int Id);
    void SigResetBtnClicked();
    void SigUpdateBtnClicked(int Id, std::string ModelPath);
    void SigUpdateUserDefinedClassMappingTable(std::string LabelPath);
    void SigUpdateFwConfirm(int Mode, std::vector<int> vecDevId, bool blConfirm);
    // A user model file was chosen: what Connect and Upload load for model 4.
    void SigUserModelChosen(std::string ModelPath);

public slots:
    // The device controller's state: sets the light and every control.
    void SlotDeviceStateChanged(DeviceState state);
    // Connected (true) or disconnected (false), for a controller that only
    // tells that much.
    void SlotStatusChanged(bool blStatus);
    // A model switch succeeded: Upload may switch again.
    void SlotChangeModelDone();
    // Asks whether to update the listed devices' firmware, without waiting
    // for the answer; an empty list is answered yes at once, without asking.
    void SlotUpdateFwConfirmMsgShow(int Mode, std::vector<int> vecDevId);
    // Appends a message (a message with line breaks is several lines, long
    // lines wrap) and keeps the newest line in view.
    void AppendMsg(const QString& msg);
    // Fades the panel in or out.
    void ShowPanel(bool blShow);

private slots:
    void SlotUpdateBtnClicked();
    void SlotResetBtnClicked();
    void SlotConnectBtnClicked();
    void SlotChooseModelClicked();
    void SlotChooseLabelFileClicked();
    void SlotShowShadow();
    void SlotRadioButtonChanged(QAbstractButton* pButton);

private:
    void BuildLayout();
    // Sets the light and every control from `deviceState` and the choice.
    void ShowState();
    bool UserModelChecked() const;
    bool ModelChosen() const { return !modelFilePath.isEmpty(); }
    bool UseModelFile(const QString& chosen);
    void UseLabelFile(const QString& chosen);
    // The bar shows the file's name, elided in the middle; the full path is its tooltip.
    static void ShowFile(SelectFileBarUiItem* bar, const QString& path);
    // Runs the shared file dialog; the chosen file relative to the base
    // directory, or an empty string when the user cancels.
    QString ChooseFile(const QString& title, const QString& nameFilter);
    QFileDialog* FileDialog();

    QPushButton* connectBtn;
    QPushButton* resetBtn;
    QPushButton* uploadBtn;
    QPointer<QFileDialog> fileDialog;  // child of the parent window, made on first use
    QButtonGroup* modelGroup;
    QRadioButton* modelRadios[5];
    QLabel* lightLabel;
    QScrollArea* msgArea;
    QLabel* msgLabel;
    QString labelFilePath;
    QString modelFilePath;
    QDir baseDir;
    SelectFileBarUiItem* modelBar;
    SelectFileBarUiItem* labelBar;

    QStringList msgLines;
    QPointer<QPropertyAnimation> fade;
    QPointer<MsgBoxUiItem> fwQuestion;  // open while the user is asked

    DeviceState deviceState = DeviceState::Disconnected;
    // A model other than the one loaded may have been picked: Upload applies it.
    bool uploadArmed = false;
};
