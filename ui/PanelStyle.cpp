#include "PanelStyle.h"

#include "EntryFields.h"
#include "UiStyles.h"

#include <QtDebug>

namespace vireo_ui {

QString EntryPanelStyle(const Json::Value& entry)
{
    constexpr int kMaxStyleBytes = 64 * 1024;
    const Json::Value* style = Member(entry, "qt_panel_style_sheet");
    if (style != nullptr && !style->isString()) {
        qDebug() << "[ResultWidget] field \"qt_panel_style_sheet\" is not text; skipped";
        style = nullptr;
    }
    if (style == nullptr)
        return QString::fromLatin1(kPanelDefaultStyle);
    return TextField(entry, "qt_panel_style_sheet", kMaxStyleBytes).value_or(QString());
}

}  // namespace vireo_ui
