#pragma once
// The style sheet a result entry asks its panel to wear.

#include <json/value.h>

#include <QString>

namespace vireo_ui {

// The entry's "qt_panel_style_sheet" (UTF-8), or the default panel look when
// it is missing or not text.
QString EntryPanelStyle(const Json::Value& entry);

}  // namespace vireo_ui
