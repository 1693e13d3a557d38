#pragma once
// Reads the device panel as a person would: its controls by name, the status
// light's colour in grabbed pixels, and the signals it sends; and a fixture
// with the panel shown in a window, in a scratch directory with model files.

#include "TempDir.h"
#include "UiTestSupport.h"

#include "ui/SelectFileBarUiItem.h"
#include "ui/UsbPanelUiItem.h"

#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>

#include <memory>
#include <string>
#include <vector>

// Thread-safety: test thread only.
class PanelProbe {
public:
    // Records the signals through connections of `type`.
    explicit PanelProbe(UsbPanelUiItem* panel, Qt::ConnectionType type = Qt::AutoConnection);

    QPushButton* Connect() const { return Find<QPushButton>("btnConnect"); }
    QPushButton* Reset() const { return Find<QPushButton>("btnReset"); }
    QPushButton* Upload() const { return Find<QPushButton>("btnUpload"); }
    QRadioButton* Radio(int id) const { return Find<QRadioButton>(("rbModel" + std::to_string(id)).c_str()); }
    SelectFileBarUiItem* ModelBar() const { return Find<SelectFileBarUiItem>("barModel"); }
    SelectFileBarUiItem* LabelBar() const { return Find<SelectFileBarUiItem>("barLabel"); }
    QLabel* MsgLabel() const { return Find<QLabel>("lblMsg"); }
    QScrollArea* MsgArea() const { return Find<QScrollArea>("scrollMsg"); }

    // "red", "orange", "green" or "unknown": the colour at the centre of the
    // status light, from a grab of the panel.
    std::string Light() const;

    // Signals sent so far, as text: "connect 0", "reset", "upload 4 m.bin",
    // "model m.bin", "label l.txt", "fw 1 [0,2] yes".
    std::vector<std::string> seen;

private:
    template <class T>
    T* Find(const char* name) const
    {
        return panel->findChild<T*>(QString::fromLatin1(name));
    }

    UsbPanelUiItem* panel;
};

// Thread-safety: test thread only.
class PanelFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Clicks `bar`'s button and answers the file dialog with `file`, relative
    // to the scratch directory (accepted), or cancels it when `file` is empty.
    // The dialog that was answered (it lives on for the next choice).
    QFileDialog* Choose(SelectFileBarUiItem* bar, const std::string& file);

    TempDir scratch;  // holds models/m.bin, notes.txt and labels.txt
    QString previousDir;
    std::unique_ptr<QWidget> host;
    UsbPanelUiItem* panel = nullptr;
    std::unique_ptr<PanelProbe> probe;
};
