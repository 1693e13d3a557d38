#include "UiStyles.h"

namespace vireo_ui {

const char* const kBoxFrameStyle =
    "border-top: \t3px solid rgba(230, 230, 230, 100%);"
    "border-bottom: 3px solid rgba(230, 230, 230, 100%);"
    "border-left: 3px solid rgba(230, 230, 230, 100%);"
    "border-right: 3px solid rgba(230, 230, 230, 100%);"
    "border-radius: 10px;";

const char* const kPanelInitialStyle =
    "background-color:rgba(18, 55, 247,140); border-radius: 15px; color: rgb(255, 255, 204);";

const char* const kPanelDefaultStyle =
    "background-color:rgba(34,110,158,70%); border-radius: 15px; color: rgb(255, 255, 204);";

// The hover, pressed and disabled looks are the same for the panel's, the
// message box's and the file bar's buttons; only the selector prefix differs.
#define VIREO_BUTTON_STATES(prefix)                                                          \
    prefix ":hover:!pressed { background-color: #50B6E2; border: 2px solid #50B6E2; "        \
           "color: #F0F0F0; }\n" prefix                                                      \
           ":pressed { background-color: #32ABE0; border: 2px solid #32ABE0; color: #F0F0F0; }\n" prefix \
           ":disabled { background-color: #F0F0F0; color: #BEBEBE; border: 2px solid #BEBEBE; }\n"

const char* const kUsbPanelStyle =
    "UsbPanelUiItem { background-color: rgba(224,224,224,90%); color: #F0F0F0; border-radius: 15px; "
    "margin: 15px; }\n"
    "QLabel { font-size: 18px; color: #000000; border: 0px; }\n"
    ".QLineEdit, .QRadioButton { font-size: 18px; }\n"
    ".QPushButton { margin: 5px; font-size: 18px; font-weight: bold; background-color: #F0F0F0; "
    "color: #50B6E2; border: 2px solid #50B6E2; border-radius: 5px; padding: 10px; }\n"
    VIREO_BUTTON_STATES(".QPushButton")
    ".QScrollArea { background-color: #000000; color: #F0F0F0; }\n"
    ".QScrollArea .QLabel { background-color: transparent; color: #F0F0F0; font-size: 10px; "
    "padding-left: 5px; }\n";

const char* const kSeparatorStyle = "background-color: #c0c0c0;";

const char* const kFileBarStyle =
    "SelectFileBarUiItem .QLabel { margin: 0px; font-size: 14px; color: #778899; border: solid #50B6E2; "
    "border-width: 2px 0px 2px 2px; border-top-left-radius: 5px; border-bottom-left-radius: 5px; "
    "border-top-right-radius: 0px; border-bottom-right-radius: 0px; padding: 7px; }\n"
    "SelectFileBarUiItem .QLabel:disabled { background-color: #F0F0F0; margin: 0px; font-size: 14px; "
    "color: #BEBEBE; border: solid #BEBEBE; border-width: 2px 0px 2px 2px; padding: 7px; }\n"
    "SelectFileBarUiItem .QPushButton { margin: 0px; font-size: 14px; font-weight: bold; "
    "background-color: #F0F0F0; color: #50B6E2; border: 2px solid #50B6E2; border-top-right-radius: 5px; "
    "border-bottom-right-radius: 5px; border-top-left-radius: 0px; border-bottom-left-radius: 0px; "
    "padding: 7px; }\n"
    VIREO_BUTTON_STATES("SelectFileBarUiItem .QPushButton");

const char* const kMsgBoxStyle =
    "MsgBoxUiItem { background-color: rgba(224,224,224,90%); color: #F0F0F0; border-radius: 15px; "
    "margin: 10px; }\n"
    "QLabel { font-size: 18px; color: #000000; border: 0px; }\n"
    ".QPushButton { font-size: 18px; font-weight: bold; background-color: #F0F0F0; color: #50B6E2; "
    "border: 2px solid #50B6E2; border-radius: 5px; padding: 10px; }\n"
    VIREO_BUTTON_STATES(".QPushButton");

#undef VIREO_BUTTON_STATES

}  // namespace vireo_ui
