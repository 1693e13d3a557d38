#include "ui/StatsOverlayUiItem.h"

#include <QFont>

namespace {

const char* const kStyle =
    "background-color: rgba(0, 0, 0, 55%); color: rgb(235, 235, 235); border-radius: 6px; padding: 6px;";

}  // namespace

StatsOverlayUiItem::StatsOverlayUiItem(QWidget* parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("statsOverlay"));
    setStyleSheet(QString::fromLatin1(kStyle));
    setTextFormat(Qt::PlainText);
    QFont fixed(QStringLiteral("monospace"));
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setPointSize(10);
    setFont(fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setWordWrap(true);
    hide();
}

void StatsOverlayUiItem::SetLines(const QStringList& lines)
{
    const QString text = lines.join(QLatin1Char('\n'));
    if (text == this->text())
        return;
    setText(text);
    adjustSize();
}

void StatsOverlayUiItem::FitWithin(int width)
{
    if (width == maximumWidth())
        return;
    setMaximumWidth(width);
    adjustSize();
}
