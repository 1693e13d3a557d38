#include "ui/UsbPanelUiItem.h"

#include "UiStyles.h"
#include "ui/MsgBoxUiItem.h"
#include "ui/SelectFileBarUiItem.h"
#include "ui/UiMetaTypes.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGraphicsDropShadowEffect>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

const char* const kModelNames[5] = {"Face Detection", "Age/Gender Detection", "Object Detection", "Mask Detection",
                                    "Image Project"};
constexpr int kFadeMs = 400;

}  // namespace

QString UsbPanelUiItem::ModelName(int Id)
{
    return Id >= 0 && Id < 5 ? QString::fromLatin1(kModelNames[Id]) : QString();
}

namespace {

QWidget* NewSeparator(QWidget* parent)
{
    auto* separator = new QWidget(parent);
    separator->setFixedHeight(2);
    separator->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    separator->setStyleSheet(QString::fromLatin1(vireo_ui::kSeparatorStyle));
    return separator;
}

QPushButton* NewButton(const char* text, const char* name, QWidget* parent)
{
    auto* button = new QPushButton(QString::fromLatin1(text), parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

}  // namespace

UsbPanelUiItem::UsbPanelUiItem(QWidget* parent)
    : QFrame(parent),
      connectBtn(NewButton("Connect", "btnConnect", this)),
      resetBtn(NewButton("Reset", "btnReset", this)),
      uploadBtn(NewButton("Upload", "btnUpload", this)),
      modelGroup(new QButtonGroup(this)),
      lightLabel(new QLabel(this)),
      msgArea(new QScrollArea(this)),
      msgLabel(new QLabel),
      baseDir(QDir::current()),
      modelBar(new SelectFileBarUiItem(this)),
      labelBar(new SelectFileBarUiItem(this))
{
    RegisterUiMetaTypes();
    setStyleSheet(QString::fromLatin1(vireo_ui::kUsbPanelStyle));

    for (int id = 0; id < 5; ++id) {
        modelRadios[id] = new QRadioButton(QString::fromLatin1(kModelNames[id]), this);
        modelRadios[id]->setObjectName(QStringLiteral("rbModel%1").arg(id));
        modelGroup->addButton(modelRadios[id], id);
    }
    modelGroup->setExclusive(true);
    modelRadios[0]->setChecked(true);

    lightLabel->setObjectName(QStringLiteral("lblLight"));
    lightLabel->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);

    modelBar->setObjectName(QStringLiteral("barModel"));
    labelBar->setObjectName(QStringLiteral("barLabel"));
    modelBar->Button()->setText(QStringLiteral("Select Model"));
    modelBar->Label()->setText(QStringLiteral("Please Select Model"));
    labelBar->Button()->setText(QStringLiteral("Select Label"));
    labelBar->Label()->setText(QStringLiteral("Please Select Label"));

    msgArea->setObjectName(QStringLiteral("scrollMsg"));
    msgArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    msgArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    msgLabel->setObjectName(QStringLiteral("lblMsg"));
    msgLabel->setTextFormat(Qt::PlainText);
    msgLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Long lines wrap inside the area rather than run off its edge.
    msgLabel->setWordWrap(true);
    msgArea->setWidgetResizable(true);
    msgArea->setWidget(msgLabel);
    // The size of the log label settles only once the panel is shown; keep
    // the newest line in view whenever it does.
    QScrollBar* bar = msgArea->verticalScrollBar();
    connect(bar, &QScrollBar::rangeChanged, bar, [bar](int, int max) { bar->setValue(max); });

    BuildLayout();

    connect(connectBtn, &QPushButton::clicked, this, &UsbPanelUiItem::SlotConnectBtnClicked);
    connect(resetBtn, &QPushButton::clicked, this, &UsbPanelUiItem::SlotResetBtnClicked);
    connect(uploadBtn, &QPushButton::clicked, this, &UsbPanelUiItem::SlotUpdateBtnClicked);
    connect(modelBar->Button(), &QPushButton::clicked, this, &UsbPanelUiItem::SlotChooseModelClicked);
    connect(labelBar->Button(), &QPushButton::clicked, this, &UsbPanelUiItem::SlotChooseLabelFileClicked);
    connect(modelGroup, QOverload<QAbstractButton*>::of(&QButtonGroup::buttonClicked), this,
            &UsbPanelUiItem::SlotRadioButtonChanged);

    RegisterDeviceStateMetaType();
    ShowState();

    setFixedWidth(350);
    hide();
}

UsbPanelUiItem::~UsbPanelUiItem()
{
    if (fade)
        fade->stop();
    delete fwQuestion;  // a question without a panel to answer to
}

void UsbPanelUiItem::BuildLayout()
{
    auto* panelLayout = new QVBoxLayout(this);
    panelLayout->setContentsMargins(10, 15, 10, 10);

    auto* connectRow = new QHBoxLayout;
    connectRow->setSpacing(10);
    connectRow->setContentsMargins(10, 0, 10, 0);
    connectRow->addWidget(lightLabel, 0);
    connectRow->addWidget(connectBtn, 1);
    connectRow->addWidget(resetBtn, 1);
    panelLayout->addLayout(connectRow, 1);
    panelLayout->addSpacing(5);
    panelLayout->addWidget(NewSeparator(this));
    panelLayout->addSpacing(10);

    auto* modelBlock = new QVBoxLayout;
    modelBlock->setSpacing(10);
    modelBlock->setContentsMargins(10, 0, 10, 0);
    for (int id = 0; id < 4; ++id)
        modelBlock->addWidget(modelRadios[id]);
    modelBlock->addSpacing(20);
    modelBlock->addWidget(modelRadios[4]);
    auto* fileBars = new QVBoxLayout;
    fileBars->setSpacing(0);
    fileBars->setContentsMargins(0, 0, 0, 0);
    fileBars->addWidget(modelBar, 1);
    fileBars->addWidget(labelBar, 1);
    modelBlock->addLayout(fileBars);
    panelLayout->addLayout(modelBlock, 4);

    panelLayout->addSpacing(20);
    panelLayout->addWidget(uploadBtn, 1);
    panelLayout->addSpacing(10);
    panelLayout->addWidget(NewSeparator(this));
    panelLayout->addSpacing(10);
    panelLayout->addWidget(msgArea, 6);
}

void UsbPanelUiItem::AppendMsg(const QString& msg)
{
    for (QString line : msg.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        msgLines.append(line);
    }
    if (msgLines.size() > kMaxMsgLines)
        msgLines.erase(msgLines.begin(), msgLines.begin() + (msgLines.size() - kMaxMsgLines));

    msgLabel->setText(msgLines.join(QLatin1Char('\n')));
    // The area grows the label to its wrapped height when the layout runs;
    // the scroll bar then follows to the end (see the constructor).
    QScrollBar* bar = msgArea->verticalScrollBar();
    bar->setValue(bar->maximum());
}

void UsbPanelUiItem::ShowPanel(bool blShow)
{
    // A fade still running belongs to the previous request: stopped, it never
    // reports finished, so a late hide() cannot undo this show.
    if (fade)
        fade->stop();
    // A fading panel takes no clicks: they go to the window beneath it.
    setAttribute(Qt::WA_TransparentForMouseEvents, !blShow);
    if (!blShow && isAncestorOf(QApplication::focusWidget()) && parentWidget() != nullptr)
        parentWidget()->setFocus();
    show();
    auto* effect = new QGraphicsOpacityEffect(this);
    setGraphicsEffect(effect);
    auto* animation = new QPropertyAnimation(effect, "opacity", this);
    animation->setDuration(kFadeMs);
    if (blShow) {
        animation->setStartValue(0.0);
        animation->setEndValue(1.0);
        animation->setEasingCurve(QEasingCurve::InBack);
        connect(animation, &QPropertyAnimation::finished, this, &UsbPanelUiItem::SlotShowShadow);
    } else {
        animation->setStartValue(1.0);
        animation->setEndValue(0.0);
        animation->setEasingCurve(QEasingCurve::OutBack);
        connect(animation, &QPropertyAnimation::finished, this, &QWidget::hide);
    }
    fade = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void UsbPanelUiItem::SlotShowShadow()
{
    auto* shadow = new QGraphicsDropShadowEffect(this);
    shadow->setBlurRadius(15);
    shadow->setOffset(0, 0);
    setGraphicsEffect(shadow);
}
