#pragma once
// Reads the device panel as a person would: its controls by name, the
// status light's colour in grabbed pixels, and the signals it sends.

#include "ui/SelectFileBarUiItem.h"
#include "ui/UsbPanelUiItem.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>

#include <string>
#include <vector>

enum class LightColour { Red, Orange, Green, Unknown };

const char* LightName(LightColour colour);

// Thread-safety: test thread only.
class PanelProbe {
public:
    explicit PanelProbe(UsbPanelUiItem* panel);

    QPushButton* Connect() const { return Button("btnConnect"); }
    QPushButton* Reset() const { return Button("btnReset"); }
    QPushButton* Upload() const { return Button("btnUpload"); }
    QRadioButton* Radio(int id) const;
    SelectFileBarUiItem* ModelBar() const { return Bar("barModel"); }
    SelectFileBarUiItem* LabelBar() const { return Bar("barLabel"); }
    QLabel* MsgLabel() const { return panel->findChild<QLabel*>(QStringLiteral("lblMsg")); }
    QScrollArea* MsgArea() const { return panel->findChild<QScrollArea*>(QStringLiteral("scrollMsg")); }
    int CheckedId() const;

    // The colour at the centre of the status light, from a grab of the panel.
    LightColour Light() const;

    // Signals sent so far, as text: "connect 0", "reset", "upload 4 m.bin",
    // "label l.txt", "fw 1 [0,2] yes".
    std::vector<std::string> seen;

private:
    QPushButton* Button(const char* name) const;
    SelectFileBarUiItem* Bar(const char* name) const;

    UsbPanelUiItem* panel;
};
