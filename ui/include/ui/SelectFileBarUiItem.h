#pragma once
// A label showing a chosen file beside the button that chooses it.

#include <QFrame>

class QLabel;
class QPushButton;

// Thread-safety: GUI thread only, like every widget.
// Starts disabled; the device panel connects the button and sets the texts.
class SelectFileBarUiItem : public QFrame {
    Q_OBJECT

public:
    explicit SelectFileBarUiItem(QWidget* parent = nullptr);

    QPushButton* Button() const { return button; }
    QLabel* Label() const { return label; }

private:
    QPushButton* button;
    QLabel* label;
};
