#include "ui/FdResultUiItem.h"

#include "UiStyles.h"

FdResultUiItem::FdResultUiItem(QWidget* parent) : QFrame(parent)
{
    setGeometry(240, 150, 171, 291);
    setStyleSheet(QString::fromLatin1(vireo_ui::kBoxFrameStyle));
}
