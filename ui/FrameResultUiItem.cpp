#include "ui/FrameResultUiItem.h"

#include "EntryPicture.h"
#include "PanelStyle.h"
#include "UiStyles.h"
#include "ValueRows.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kPictureFrameWidth = 3;

}  // namespace

FrameResultUiItem::FrameResultUiItem(QWidget* parent)
    : QFrame(parent),
      pictureLabel(new QLabel(this)),
      rowLayout(new QVBoxLayout),
      mainLayout(new QHBoxLayout(this)),
      picture(std::make_unique<vireo_ui::EntryPicture>())
{
    setGeometry(0, 0, 500, 240);
    setStyleSheet(QString::fromLatin1(vireo_ui::kPanelInitialStyle));
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Raised);

    pictureLabel->setMaximumSize(500, 500);
    pictureLabel->setAutoFillBackground(false);
    pictureLabel->setStyleSheet(QString());
    pictureLabel->setFrameShape(QFrame::StyledPanel);
    pictureLabel->setLineWidth(kPictureFrameWidth);
    pictureLabel->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    pictureLabel->hide();

    mainLayout->setSizeConstraint(QLayout::SetMinimumSize);
    mainLayout->addWidget(pictureLabel);
    rowLayout->setSpacing(1);
    rowLayout->setSizeConstraint(QLayout::SetNoConstraint);
    mainLayout->addLayout(rowLayout);
    hide();
}

FrameResultUiItem::~FrameResultUiItem() = default;

QSize FrameResultUiItem::PictureArea()
{
    // As tall as the panel is when first made; the frame comes off the inside.
    return QSize(240 - 2 * kPictureFrameWidth, 240 - 2 * kPictureFrameWidth);
}

void FrameResultUiItem::SetValues(const Json::Value& entry)
{
    const QImage image = picture->Decode(entry);
    if (image.isNull()) {
        // Missing or broken: hidden, rather than a null pixmap every frame.
        pictureLabel->clear();
        pictureLabel->hide();
    } else {
        const QSize size = vireo_ui::FittedSize(image.size(), PictureArea());
        pictureLabel->setPixmap(
            QPixmap::fromImage(image.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation)));
        pictureLabel->adjustSize();
        pictureLabel->show();
    }

    const vireo_ui::RowsExtent extent = vireo_ui::FillRows(entry, this, rowLayout, rows, vireo_ui::TitleMode::Always);
    if (extent.items == 0) {
        hide();
        return;
    }
    const QSize pictureSize = pictureLabel->isHidden() ? QSize(0, 0) : pictureLabel->size();
    setGeometry(0, 0, pictureSize.width() + extent.maxWidth, std::max(pictureSize.height(), extent.totalHeight));
}

void FrameResultUiItem::SetPanelStyle(const Json::Value& entry)
{
    // Setting a style sheet repolishes the panel and its rows, even when it
    // is the same text: far the dearest step of a frame.
    const QString style = vireo_ui::EntryPanelStyle(entry);
    if (style != styleSheet())
        setStyleSheet(style);
}

void FrameResultUiItem::SetEnabledFlag(const bool& flag)
{
    enabledFlag = flag;
}

bool FrameResultUiItem::GetEnabledFlag() const
{
    return enabledFlag;
}
