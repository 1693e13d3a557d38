#include "ValueRows.h"

#include "EntryFields.h"

#include <QLabel>
#include <QVBoxLayout>
#include <QtDebug>

#include <algorithm>
#include <cmath>
#include <limits>

namespace vireo_ui {

namespace {

const char* const kRowStyle = "background-color: rgba(0,0,0,0%);\n\n";
constexpr int kMinFontSize = 1;
constexpr int kMaxFontSize = 200;
constexpr int kAlignmentMask = Qt::AlignHorizontal_Mask | Qt::AlignVertical_Mask;

QLabel* NewRow(QWidget* panel, QVBoxLayout* layout)
{
    auto* row = new QLabel(panel);
    row->setStyleSheet(QString::fromLatin1(kRowStyle));
    // Detector text is shown as it is: no markup, no images, no links.
    row->setTextFormat(Qt::PlainText);
    row->hide();
    layout->addWidget(row);
    return row;
}

// The row an item names, or -1 when it names none of the `count` rows.
int RowIndex(const Json::Value& item, int count, const std::string& name)
{
    const std::optional<double> order = NumberField(item, "order");
    const double index = order ? std::trunc(*order) : 0.0;
    if (index < 0.0 || index >= count) {
        qDebug().nospace() << "[ResultWidget] value item \"" << name.c_str() << "\" names row " << index << " of "
                           << count << "; ignored";
        return -1;
    }
    return static_cast<int>(index);
}

QString RowText(const Json::Value& item, TitleMode mode)
{
    const QString value = TextField(item, "value").value_or(QString());
    const bool withTitle = mode == TitleMode::Always || BoolField(item, "show_title").value_or(false);
    if (!withTitle)
        return value;
    return TextField(item, "title").value_or(QString()) + QStringLiteral(": ") + value;
}

}  // namespace

RowsExtent FillRows(const Json::Value& entry, QWidget* panel, QVBoxLayout* layout, std::vector<QLabel*>& rows,
                    TitleMode mode)
{
    RowsExtent extent;
    const Json::Value* items = ObjectMember(entry, "ordered_value_dict");
    if (items != nullptr && items->size() > static_cast<Json::ArrayIndex>(kMaxPanelRows))
        qDebug() << "[ResultWidget] a panel shows at most" << kMaxPanelRows << "rows;" << items->size() - kMaxPanelRows
                 << "value items ignored";
    extent.items = items == nullptr ? 0 : static_cast<int>(std::min<Json::ArrayIndex>(items->size(), kMaxPanelRows));

    while (static_cast<int>(rows.size()) < extent.items)
        rows.push_back(NewRow(panel, layout));
    for (QLabel* row : rows)
        row->hide();
    if (extent.items == 0)
        return extent;

    std::vector<bool> shown(rows.size(), false);
    const QFont panelFont = panel->font();
    int seen = 0;
    // Members come in byte-wise order of their names (jsoncpp keeps objects
    // sorted that way), which is the order the rows are filled in.
    for (auto it = items->begin(); it != items->end() && seen < extent.items; ++it, ++seen) {
        const std::string name = it.name();
        const Json::Value& item = *it;
        if (!item.isObject()) {
            qDebug().nospace() << "[ResultWidget] value item \"" << name.c_str() << "\" is not an object; ignored";
            continue;
        }
        const int index = RowIndex(item, extent.items, name);
        if (index < 0)
            continue;
        QLabel* row = rows[static_cast<std::size_t>(index)];
        if (!BoolField(item, "show_on_panel").value_or(false)) {
            row->hide();
            shown[static_cast<std::size_t>(index)] = false;
            continue;
        }
        QFont font = panelFont;
        if (const std::optional<int> size = IntField(item, "font_size", kMinFontSize, kMaxFontSize))
            font.setPointSize(*size);
        row->setFont(font);
        row->setAlignment(Qt::Alignment(IntField(item, "alignment", 0, std::numeric_limits<int>::max()).value_or(0) & kAlignmentMask));
        row->setText(RowText(item, mode));
        row->show();
        shown[static_cast<std::size_t>(index)] = true;
    }

    // From the text alone: a row's current size is what the layout last
    // gave it, so measuring that would let a panel grow by its margins at
    // every answer.
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!shown[i])
            continue;
        const QSize wanted = rows[i]->sizeHint();
        extent.maxWidth = std::max(extent.maxWidth, wanted.width());
        extent.totalHeight += wanted.height();
    }
    return extent;
}

}  // namespace vireo_ui
