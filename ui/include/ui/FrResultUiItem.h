#pragma once
// The value panel shown beside a detected object.

#include <json/value.h>

#include <QFrame>

#include <optional>
#include <vector>

class QLabel;
class QVBoxLayout;

// Thread-safety: GUI thread only, like every widget.
// Shows the rows of a box entry's "ordered_value_dict"; the window moves it.
class FrResultUiItem : public QFrame {
    Q_OBJECT

public:
    explicit FrResultUiItem(QWidget* parent = nullptr);
    ~FrResultUiItem() override;

    // Fills the rows from the entry and sizes the panel to them (20 px more
    // than the rows each way); an entry without value items hides the panel.
    void SetValues(const Json::Value& entry);
    // The entry's "qt_panel_style_sheet", or the default panel look.
    void SetPanelStyle(const Json::Value& entry);

private:
    std::vector<QLabel*> rows;  // not owned: Qt children of the panel
    QVBoxLayout* rowLayout;
    std::optional<Json::Value> shownValues;  // the value items the rows show now
    bool shownRows = false;
};
