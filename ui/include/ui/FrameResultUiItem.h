#pragma once
// The panel of the current frame entry: its picture beside its value rows.

#include <json/value.h>

#include <QFrame>

#include <memory>
#include <vector>

class QHBoxLayout;
class QLabel;
class QVBoxLayout;

namespace vireo_ui {
class EntryPicture;
}

// Thread-safety: GUI thread only, like every widget.
// The window shows it only while its enabled flag is set (F1).
class FrameResultUiItem : public QFrame {
    Q_OBJECT

public:
    explicit FrameResultUiItem(QWidget* parent = nullptr);
    ~FrameResultUiItem() override;

    // Shows the entry's picture (fitted into the picture area) and its rows,
    // every shown row as title, ": ", value; sizes the panel to both. An
    // entry without value items hides the panel.
    void SetValues(const Json::Value& entry);
    void SetPanelStyle(const Json::Value& entry);

    void SetEnabledFlag(const bool& flag);
    bool GetEnabledFlag() const;

    // The box a frame entry's picture is fitted into, keeping its aspect.
    static QSize PictureArea();

private:
    QLabel* pictureLabel;
    QVBoxLayout* rowLayout;
    QHBoxLayout* mainLayout;
    std::vector<QLabel*> rows;  // not owned: Qt children of the panel
    bool enabledFlag = false;
    std::unique_ptr<vireo_ui::EntryPicture> picture;
};
