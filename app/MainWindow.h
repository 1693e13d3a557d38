#pragma once
// The main window: the video picture with the results over it, the device
// panel at its right edge, and the owner of the two worker threads.

#include <QMainWindow>
#include <QString>

#include <map>
#include <memory>
#include <string>

class QThread;
class SdkWorker;
class VideoCapWorker;
class QtSettingManager;

namespace Ui {
class VireoOwlEdgeWindow;
}

// Thread-safety: lives on the GUI thread; the workers reach it only through
// queued signals, and it stops and joins their threads before it goes.
class VireoOWL : public QMainWindow {
    Q_OBJECT

public:
    explicit VireoOWL(QWidget* parent = nullptr);
    ~VireoOWL() override;

    int FrameResultIndex() const { return frameResultIndex; }
    // Removes the last `count` box widgets (all of them for -1).
    void CleanResult(int count);

private slots:
    void SlotUpdatePanelMsg(QString msg);
    void SlotShowResults();
    void SlotShowBackground();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void SetupUi();
    void StartWorkers();
    void StopWorkers();
    void LayoutChildren();
    void ShowPicture(const QImage& image);

    std::unique_ptr<Ui::VireoOwlEdgeWindow> ui;
    QtSettingManager* const settings;
    QThread* inferenceThread = nullptr;
    QThread* captureThread = nullptr;
    std::unique_ptr<VideoCapWorker> captureWorker;
    std::unique_ptr<SdkWorker> inferenceWorker;
    int frameResultIndex = 0;
    std::map<int, std::string> classTable;
};

// The window the program shows; a name of its own for the application.
class VireoOwlEdge : public VireoOWL {
    Q_OBJECT

public:
    using VireoOWL::VireoOWL;
};
