#pragma once
// The value rows shared by the box panel and the frame panel: one QLabel per
// row, addressed by the items' "order".

#include <json/value.h>

#include <vector>

class QLabel;
class QVBoxLayout;
class QWidget;

namespace vireo_ui {

// Most rows one panel ever holds, whatever a detector sends.
constexpr int kMaxPanelRows = 64;

enum class TitleMode {
    AsItemSays,  // title, ": ", value only when the item's "show_title" is true
    Always,      // title, ": ", value for every shown row
};

struct RowsExtent {
    int items = 0;        // value items in the entry (at most kMaxPanelRows)
    int maxWidth = 0;     // widest shown row
    int totalHeight = 0;  // shown rows' heights added up
};

// Thread-safety: GUI thread only.
// Fills `rows` (children of `panel`, kept in `layout`) from the entry's
// "ordered_value_dict". Rows are created as needed and never removed; rows
// that no item addresses are hidden. An item whose "order" is outside
// [0, number of items) is ignored; when two items name the same row, the
// later one (by name) wins. A missing "font_size" gives the panel's own font.
RowsExtent FillRows(const Json::Value& entry, QWidget* panel, QVBoxLayout* layout, std::vector<QLabel*>& rows,
                    TitleMode mode);

}  // namespace vireo_ui
