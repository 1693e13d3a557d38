#include "ui/CoveredFrameUiItem.h"

#include "EntryFields.h"
#include "EntryPicture.h"

#include <QPainter>
#include <QPixmap>

#include <algorithm>

CoveredFrameUiItem::CoveredFrameUiItem(QWidget* parent)
    : QLabel(parent), picture(std::make_unique<vireo_ui::EntryPicture>())
{
    setObjectName(QStringLiteral("lblCoveredFrame"));
    setGeometry(0, 0, 1280, 720);
    setMaximumSize(11311, 16777215);
    setBaseSize(0, 0);
    setAutoFillBackground(false);
    setScaledContents(false);
    setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    hide();
}

CoveredFrameUiItem::~CoveredFrameUiItem() = default;

void CoveredFrameUiItem::ShowFrameImage(const Json::Value& entry)
{
    if (!enabledFlag) {
        hide();
        return;
    }
    move(0, 0);
    const QImage image = picture->Decode(entry);
    const QSize fitted = vireo_ui::FittedSize(image.size(), size());
    if (image.isNull() || fitted.isEmpty()) {
        clear();
        hide();
        return;
    }
    const QPixmap scaled =
        QPixmap::fromImage(image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    const std::optional<double> rate = vireo_ui::NumberField(entry, "transparent_rate");
    if (!rate) {
        setPixmap(scaled);
    } else {
        QPixmap faded(scaled.size());
        faded.fill(Qt::transparent);
        QPainter painter(&faded);
        painter.setOpacity(std::clamp(*rate, 0.0, 1.0));
        painter.drawPixmap(0, 0, scaled);
        painter.end();
        setPixmap(faded);
    }
    show();
}

void CoveredFrameUiItem::SetEnabledFlag(const bool& flag)
{
    enabledFlag = flag;
}

bool CoveredFrameUiItem::GetEnabledFlag() const
{
    return enabledFlag;
}
