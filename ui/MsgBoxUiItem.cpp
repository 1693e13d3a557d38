#include "ui/MsgBoxUiItem.h"

#include "UiStyles.h"

#include <QGraphicsDropShadowEffect>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOption>

MsgBoxUiItem::MsgBoxUiItem(QWidget* parent) : QMessageBox(parent)
{
    setStyleSheet(QString::fromLatin1(vireo_ui::kMsgBoxStyle));
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint);
    setAttribute(Qt::WA_TranslucentBackground);
    auto* shadow = new QGraphicsDropShadowEffect(this);
    shadow->setBlurRadius(15);
    shadow->setOffset(0, 0);
    setGraphicsEffect(shadow);
    setContentsMargins(30, 20, 30, 20);
}

void MsgBoxUiItem::paintEvent(QPaintEvent* event)
{
    const bool frameless = windowFlags().testFlag(Qt::FramelessWindowHint);
    if (!frameless && !testAttribute(Qt::WA_TranslucentBackground)) {
        QMessageBox::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (testAttribute(Qt::WA_StyleSheetTarget)) {
        // The style sheet's background, margin and radius apply.
        QStyleOption option;
        option.initFrom(this);
        style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
        return;
    }

    QRectF area(0, 0, geometry().width(), geometry().height());
    double width = borderWidth < 0 ? style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this) : borderWidth;
    if (width > 0) {
        painter.setPen(QPen(palette().brush(foregroundRole()), width, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        area.adjust(width / 2, width / 2, -width / 2, -width / 2);
    } else {
        painter.setPen(Qt::NoPen);
    }
    painter.setBrush(palette().brush(backgroundRole()));
    if (radius > 0)
        painter.drawRoundedRect(area, radius, radius);
    else
        painter.drawRect(area);
}
