#pragma once
// The frame drawn around one detected object.

#include <QFrame>

// Thread-safety: GUI thread only, like every widget.
// Has no operations of its own: the window places, shows, hides and deletes it.
class FdResultUiItem : public QFrame {
    Q_OBJECT

public:
    explicit FdResultUiItem(QWidget* parent = nullptr);
};
