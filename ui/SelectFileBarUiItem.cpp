#include "ui/SelectFileBarUiItem.h"

#include "UiStyles.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

SelectFileBarUiItem::SelectFileBarUiItem(QWidget* parent)
    : QFrame(parent),
      button(new QPushButton(QStringLiteral("Select Model"), this)),
      label(new QLabel(QStringLiteral("Please Select Model"), this))
{
    setStyleSheet(QString::fromLatin1(vireo_ui::kFileBarStyle));
    // File names are shown as they are, never as markup.
    label->setTextFormat(Qt::PlainText);
    label->setFixedWidth(150);
    auto* layout = new QHBoxLayout(this);
    layout->setSpacing(0);
    layout->addWidget(label, 1);
    layout->addWidget(button, 0);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setEnabled(false);
}
