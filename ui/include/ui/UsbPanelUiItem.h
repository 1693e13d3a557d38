#pragma once
// The device panel: connect, reset, choose and upload a model, choose a label
// file, answer the firmware question, and read the device's log lines.

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
class SelectFileBarUiItem;

// Thread-safety: GUI thread only, like every widget; a caller on another
// thread reaches AppendMsg through a queued signal.
// Holds no device logic: every action leaves as a signal, and the device
// controller's answers come back as slot calls that set the controls. A
// button that starts a connect, reset or upload stays disabled from its click
// until the controller reports the outcome, so no action can start twice.
class UsbPanelUiItem : public QFrame {
    Q_OBJECT

public:
    explicit UsbPanelUiItem(QWidget* parent = nullptr);
    ~UsbPanelUiItem() override;

    // Checks model `Id` and connects as a click on Connect does; for model 4
    // the user model file (and label file) are taken as if chosen first.
    // For demos and kiosks that start without a mouse.
    void ConnectWithModel(int Id, const QString& modelPath = {}, const QString& labelPath = {});

    // Most lines the message area keeps; older lines go first.
    static constexpr int kMaxMsgLines = 201;

signals:
    void SigConnectBtnClicked(int Id);
    void SigResetBtnClicked();
    void SigUpdateBtnClicked(int Id, std::string ModelPath);
    void SigUpdateUserDefinedClassMappingTable(std::string LabelPath);
    void SigUpdateFwConfirm(int Mode, std::vector<int> vecDevId, bool blConfirm);

public slots:
    void SlotChangeModelDone();
    void SlotStatusChanged(bool blStatus);
    // Asks whether to update the listed devices' firmware; an empty list is
    // answered yes at once, without asking.
    void SlotUpdateFwConfirmMsgShow(int Mode, std::vector<int> vecDevId);
    // Appends a message (a message with line breaks is several lines) and
    // repaints the message area so it shows at once, even in the middle of a
    // device operation; no other event is handled meanwhile.
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
    enum class Light { Red, Orange, Green };

    void BuildLayout();
    void SetLight(Light light);
    void SetModelChoiceEnabled(bool blRadios, bool blFileBars);
    bool UserModelChecked() const;
    bool ModelChosen() const;
    bool UseModelFile(const QString& chosen);
    void UseLabelFile(const QString& chosen);
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
};
