#include "ui/FrResultUiItem.h"

#include "EntryFields.h"
#include "PanelStyle.h"
#include "UiStyles.h"
#include "ValueRows.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

FrResultUiItem::FrResultUiItem(QWidget* parent) : QFrame(parent), rowLayout(new QVBoxLayout)
{
    setGeometry(0, 0, 250, 120);
    setStyleSheet(QString::fromLatin1(vireo_ui::kPanelInitialStyle));
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Raised);
    rowLayout->setSpacing(1);
    rowLayout->setSizeConstraint(QLayout::SetNoConstraint);
    auto* mainLayout = new QHBoxLayout(this);
    mainLayout->addLayout(rowLayout);
    hide();
}

FrResultUiItem::~FrResultUiItem() = default;

void FrResultUiItem::SetValues(const Json::Value& entry)
{
    // Most frames bring the rows of the frame before; filling and sizing
    // them again is most of what a panel costs per frame.
    const Json::Value* items = vireo_ui::Member(entry, "ordered_value_dict");
    static const Json::Value kNoValues;
    const Json::Value& values = items != nullptr ? *items : kNoValues;
    if (shownValues.has_value() && values == *shownValues) {
        if (!shownRows)
            hide();
        return;
    }
    const vireo_ui::RowsExtent extent =
        vireo_ui::FillRows(entry, this, rowLayout, rows, vireo_ui::TitleMode::AsItemSays);
    shownValues = values;
    shownRows = extent.items > 0;
    if (shownRows)
        setGeometry(0, 0, extent.maxWidth + 20, extent.totalHeight + 20);
    else
        hide();
}

void FrResultUiItem::SetPanelStyle(const Json::Value& entry)
{
    // Setting a style sheet repolishes the panel and its rows, even when it
    // is the same text: far the dearest step of a frame.
    const QString style = vireo_ui::EntryPanelStyle(entry);
    if (style != styleSheet())
        setStyleSheet(style);
}
