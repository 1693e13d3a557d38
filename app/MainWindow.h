#pragma once
// The main window: the video picture with the results over it, the device
// panel at its right edge, and the owner of the two worker threads.

#include "EntryMapping.h"
#include "FrameStats.h"
#include "LabelTable.h"
#include "RunOptions.h"

#include "HostLibAdapter/FdFrResult.h"

#include <json/value.h>

#include <QMainWindow>
#include <QString>

#include <memory>
#include <string>
#include <vector>

class EdgeFifoAdaptor;
class QLabel;
class ResultsLog;
class ShownRecorder;
class HostLibAdapter;
class OwnedThread;
class QtSettingManager;
class ResultView;
class SdkWorker;
class StatsOverlay;
struct BackEndStatus;
struct DetectorResults;
struct DisplayFrame;
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
    explicit VireoOWL(const RunOptions& options = {}, QWidget* parent = nullptr);
    ~VireoOWL() override;

    // Removes the last `count` box frames and panels (all of them for -1).
    void CleanResult(int count);

    // The drawing of one frame and new results for it (in pixels of the
    // detector's frame size), as the slots below do it; public so the
    // display can be driven without a back-end.
    void ShowResults(QImage img, std::vector<Json::Value> bboxResultsVec, std::vector<Json::Value> frameResultsVec);

    int FrameResultIndex() const;
    const ClassTable& ClassNames() const { return classTable; }
    std::size_t BoxWidgetCount() const;

    // What the window shows of the video: the picture with the results over
    // it, without the device panel, the statistics or the logo.
    QImage RenderShown() const;

private slots:
    void SlotUpdateUserDefinedClassMappingTable(std::string labelFilePath);
    void SlotUpdatePanelMsg(QString msg);
    void SlotShowResults();
    void SlotShowBackground();
    void SlotShowNX310Result(int DevId, int Mode, std::vector<FdFrResult> ResultList);
    void SlotSnapshotSaved(QString path);

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

    // Shows `image` scaled into the video label, with new detector results
    // when `results` is set (moved from), and the marks of the results shown.
    // Taken by value: a picture nobody else holds is drawn on and handed to
    // the label without a copy.
    void ShowPicture(QImage image, DetectorResults* results = nullptr);
    QSize DetectorFrameSize() const;
    BackEndStatus CurrentBackEndStatus() const;
    QSize DeviceFrameSize() const;

    // Snapshots, the recording and the results log (MainWindowKeep.cpp).
    void SetupKeeping();
    void TakeSnapshot();
    void ToggleRecording();
    void StartRecording(const QString& path, bool keepExisting);
    void RecordShown();
    void LogDetectorResults(const DisplayFrame& frame);
    void LogDeviceResults(int Mode, const std::vector<FdFrResult>& ResultList);
    void SayToUser(const QString& line);

    std::unique_ptr<Ui::VireoOwlEdgeWindow> ui;
    QtSettingManager* const settings;
    HostLibAdapter* const device;
    EdgeFifoAdaptor* detector = nullptr;
    UsbPanelUiItem* usbPanel = nullptr;
    std::unique_ptr<VideoCapWorker> captureWorker;
    std::unique_ptr<SdkWorker> inferenceWorker;
    std::unique_ptr<OwnedThread> inferenceThread;
    std::unique_ptr<OwnedThread> captureThread;
    std::unique_ptr<ResultView> resultView;
    ClassTable classTable;
    FrameStats stats;
    StatsOverlay* statsOverlay = nullptr;  // a Qt child of the window
    int deviceModel = -1;                        // the model of the dongle's last answer
    StageRecorder::Clock::time_point resultsCaptured{};  // the frame of the results on screen
    StageRecorder::Clock::time_point pictureCaptured{};  // the frame of the picture on screen
    std::unique_ptr<ShownRecorder> recorder;  // with a window only: nothing is drawn without one
    std::unique_ptr<ResultsLog> resultsLog;
    QLabel* recordingMark = nullptr;  // a Qt child of the window
    bool recordAtFirstPicture = false;  // --record: the picture's size and rate are known with it
    quint64 snapshotsSkipped = 0;       // presses while snapshots were still being written
    const RunOptions runOptions;  // showStats and reportPath: for the statistics overlay and the exit report
};

// The window the program shows; a name of its own for the application.
class VireoOwlEdge : public VireoOWL {
    Q_OBJECT

public:
    using VireoOWL::VireoOWL;
};
