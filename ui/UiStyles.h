#pragma once
// The style sheets of the result widgets and the device panel, in one place
// so that their look can be read and changed together.

namespace vireo_ui {

// Box frame: light grey 3 px border with round corners.
extern const char* const kBoxFrameStyle;
// Box panel and frame panel before their first entry.
extern const char* const kPanelInitialStyle;
// Panel style of an entry without "qt_panel_style_sheet".
extern const char* const kPanelDefaultStyle;

extern const char* const kUsbPanelStyle;
extern const char* const kSeparatorStyle;
extern const char* const kFileBarStyle;
extern const char* const kMsgBoxStyle;

}  // namespace vireo_ui
