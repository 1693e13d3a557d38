#pragma once
// The main window: the video picture with the results over it, the device
// panel at its right edge, and the owner of the two worker threads.

#include <QMainWindow>

#include <map>
#include <memory>
#include <string>

namespace Ui {
class VireoOwlEdgeWindow;
}

// Thread-safety: lives on the GUI thread; workers reach it only through
// queued signals.
class VireoOWL : public QMainWindow {
    Q_OBJECT

public:
    explicit VireoOWL(QWidget* parent = nullptr);
    ~VireoOWL() override;

    int FrameResultIndex() const { return frameResultIndex; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void SetupUi();
    void LayoutChildren();

    std::unique_ptr<Ui::VireoOwlEdgeWindow> ui;
    int frameResultIndex = 0;
    std::map<int, std::string> classTable;
};

// The window the program shows; a name of its own for the application.
class VireoOwlEdge : public VireoOWL {
    Q_OBJECT

public:
    using VireoOWL::VireoOWL;
};
