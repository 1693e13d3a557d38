#pragma once
// The picture of a frame entry laid over the whole window.

#include <json/value.h>

#include <QLabel>

#include <memory>

namespace vireo_ui {
class EntryPicture;
}

// Thread-safety: GUI thread only, like every widget.
// The window keeps it as large as itself and toggles its flag with F2.
class CoveredFrameUiItem : public QLabel {
    Q_OBJECT

public:
    explicit CoveredFrameUiItem(QWidget* parent = nullptr);
    ~CoveredFrameUiItem() override;

    // Shows the entry's picture fitted into the label, keeping its aspect,
    // at the entry's "transparent_rate" opacity (opaque without one). Hidden
    // while the flag is off, and when the picture is missing or broken.
    void ShowFrameImage(const Json::Value& entry);

    void SetEnabledFlag(const bool& flag);
    bool GetEnabledFlag() const;

private:
    bool enabledFlag = false;
    std::unique_ptr<vireo_ui::EntryPicture> picture;
};
