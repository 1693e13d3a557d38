#pragma once
// A small, semi-transparent block of text lines over the top-left corner of
// the video: the statistics a person asks for with F4.

#include <QLabel>
#include <QStringList>

// Thread-safety: GUI thread only, like every widget.
class StatsOverlayUiItem : public QLabel {
    Q_OBJECT

public:
    explicit StatsOverlayUiItem(QWidget* parent = nullptr);

    // Shows `lines`, sized to them; unchanged lines cost nothing.
    void SetLines(const QStringList& lines);
    // Lines wider than `width` wrap: a narrow window still shows them all.
    void FitWithin(int width);
};
