#pragma once
// The main window: the video picture with the results over it, the device
// panel at its right edge, and the owner of the two worker threads.

#include "EntryMapping.h"
#include "FrameStats.h"
#include "LabelTable.h"

#include "HostLibAdapter/FdFrResult.h"

#include <json/value.h>

#include <QMainWindow>
#include <QString>

#include <memory>
#include <string>
#include <vector>

class CoveredFrameUiItem;
class EdgeFifoAdaptor;
class FdResultUiItem;
class FrResultUiItem;
class FrameResultUiItem;
class HostLibAdapter;
class OwnedThread;
class QtSettingManager;
class SdkWorker;
class UsbPanelUiItem;
class VideoCapWorker;

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

    // Removes the last `count` box frames and panels (all of them for -1).
    void CleanResult(int count);

    // The drawing of one frame and its results, as the slots below do it;
    // public so the display can be driven without a back-end.
    void ShowResults(QImage img, std::vector<Json::Value> bboxResultsVec, std::vector<Json::Value> frameResultsVec);

    int FrameResultIndex() const { return frameResultIndex; }
    const ClassTable& ClassNames() const { return classTable; }
    std::size_t BoxWidgetCount() const { return boxFrames.size(); }

private slots:
    void SlotUpdateUserDefinedClassMappingTable(std::string labelFilePath);
    void SlotUpdatePanelMsg(QString msg);
    void SlotShowResults();
    void SlotShowBackground();
    void SlotShowNX310Result(int DevId, int Mode, std::vector<FdFrResult> ResultList);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void SetupUi();
    void ConnectPanel();
    void StartWorkers();
    void StopWorkers();
    void LayoutChildren();
    void AutoConnect();

    // Shows `image` scaled into the video label, with the marks of `marked`.
    // Taken by value: a picture nobody else holds is drawn on and handed to
    // the label without a copy.
    void ShowPicture(QImage image, const std::vector<Json::Value>& marked = {});
    // Where `image` (whose results are pixels of `source`) is shown.
    PictureGeometry GeometryFor(const QImage& image, QSize source) const;
    // Where the picture shown now is, for results of a frame of size `source`.
    PictureGeometry ShownGeometry(QSize source) const;
    void ShowEntries(const std::vector<Json::Value>& boxes, const std::vector<Json::Value>& frames);
    void ShowBoxFrame(const Json::Value& entry, std::size_t i);
    void ShowBoxPanel(const Json::Value& entry, std::size_t i);
    void ShowFramePanel(const Json::Value& entry);
    const Json::Value* CurrentFrameEntry(const std::vector<Json::Value>& frames);
    QSize DetectorFrameSize() const;
    QSize DeviceFrameSize() const;

    std::unique_ptr<Ui::VireoOwlEdgeWindow> ui;
    QtSettingManager* const settings;
    HostLibAdapter* const device;
    EdgeFifoAdaptor* detector = nullptr;
    UsbPanelUiItem* usbPanel = nullptr;
    std::unique_ptr<VideoCapWorker> captureWorker;
    std::unique_ptr<SdkWorker> inferenceWorker;
    std::unique_ptr<OwnedThread> inferenceThread;
    std::unique_ptr<OwnedThread> captureThread;
    std::vector<FdResultUiItem*> boxFrames;   // Qt children of the window
    std::vector<FrResultUiItem*> boxPanels;   // Qt children of the window
    CoveredFrameUiItem* coveredFrame = nullptr;
    FrameResultUiItem* frameResultPanel = nullptr;
    int frameResultIndex = 0;
    ClassTable classTable;
    QSize shownPictureSize;
    FrameStats stats;
};

// The window the program shows; a name of its own for the application.
class VireoOwlEdge : public VireoOWL {
    Q_OBJECT

public:
    using VireoOWL::VireoOWL;
};
