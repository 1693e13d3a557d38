#pragma once
// The panel's own message box: frameless, translucent, round-cornered.

#include <QMessageBox>

// Thread-safety: GUI thread only, like every widget.
// Paints its own background, since a frameless translucent window gets none.
class MsgBoxUiItem : public QMessageBox {
    Q_OBJECT

public:
    explicit MsgBoxUiItem(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double radius = 15.0;
    double borderWidth = -1.0;  // below 0: the style's default frame width
};
