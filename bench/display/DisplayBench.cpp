// The window's work per frame with a typical detector answer (five faces with
// value panels and marks, a frame panel), against the 33.3 ms a frame lasts
// at 30 fps.
//
//   bench_display [--short]
//
// display.share_of_frame: (receive + map + draw + paint) per frame / 33.3 ms,
//   for a 1280x720 picture in a 1280x720 window, offscreen, in CPU time of
//   the GUI thread, with the statistics overlay (F4) on.
// display.overlay_share: what the overlay adds per frame / 33.3 ms.

#include "MainWindow.h"

#include "settings/JsonText.h"
#include "settings/QtSettingManager.h"

#include "BenchReport.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>

#include <algorithm>
#include <fstream>
#include <string>

namespace {

std::vector<Json::Value> Boxes()
{
    std::vector<Json::Value> boxes;
    for (int i = 0; i < 5; ++i) {
        const std::string x = std::to_string(60 + 150 * i);
        boxes.push_back(ParseJson(R"({"bbox": {"x": )" + x + R"(, "y": 120, "width": 90, "height": 110},
            "ordered_value_dict": {
                "face": {"order": 0, "title": "Face", "value": "#)" + std::to_string(i) + R"(", "font_size": 14,
                         "alignment": 132, "show_on_panel": true, "show_title": true},
                "eyes": {"order": 1, "title": "Eyes", "value": "2", "font_size": 12, "alignment": 132,
                         "show_on_panel": true, "show_title": true}},
            "draw_dict": {"point": {"l": {"x": )" + std::to_string(85 + 150 * i) + R"(, "y": 160},
                                    "r": {"x": )" + std::to_string(125 + 150 * i) + R"(, "y": 160}},
                          "line": {"m": {"point_1_x": )" + x + R"(, "point_1_y": 200, "point_2_x": )"
                                  + std::to_string(150 + 150 * i) + R"(, "point_2_y": 200}}}})"));
    }
    return boxes;
}

std::vector<Json::Value> Frames()
{
    return {ParseJson(R"({"ordered_value_dict": {"faces": {"order": 0, "title": "Faces", "value": "5",
        "font_size": 16, "alignment": 132, "show_on_panel": true}}})")};
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int frames = IsShortRun(argc, argv) ? 150 : 600;

    const std::string path = "/tmp/vireo-bench-display-settings.json";
    std::ofstream(path) << R"({"Camera": "/nonexistent.avi", "InferenceMode": "FIFO",
                               "RequestFIFO": "/nonexistent/req", "ResponseFIFO": "/nonexistent/resp"})";
    QtSettingManager::GetInstance()->Load(path);
    QtSettingManager::GetInstance()->SetCameraInfo(1280, 720, 30);
    VireoOwlEdge window;
    window.resize(1280, 720);
    window.show();
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &f1);

    QImage picture(1280, 720, QImage::Format_RGB32);  // as the inference worker makes it
    picture.fill(QColor(20, 40, 60));
    const std::vector<Json::Value> boxes = Boxes();
    const std::vector<Json::Value> frameEntries = Frames();

    for (int i = 0; i < 20; ++i)  // warm up: widgets made, fonts cached
        window.ShowResults(picture.copy(), boxes, frameEntries);

    // Each frame arrives as a picture of its own, made on the inference
    // thread; the copy that stands in for it here is timed apart and taken off.
    // All of it runs on this (the GUI) thread: its CPU time is the cost.
    double start = ThreadCpuMilliseconds();
    for (int i = 0; i < frames; ++i)
        picture.copy().bits()[0] = 1;
    const double copyMs = (ThreadCpuMilliseconds() - start) / frames;

    // The same frames with the statistics overlay on: painted over each
    // picture, and refreshed every 15th frame (twice a second at 30 fps) by
    // hiding and showing it, which costs more than its timer's refresh.
    const auto msPerFrame = [&](bool overlay) {
        QKeyEvent f4(QEvent::KeyPress, Qt::Key_F4, Qt::NoModifier);
        if (overlay)
            QCoreApplication::sendEvent(&window, &f4);
        const double begin = ThreadCpuMilliseconds();
        for (int i = 0; i < frames; ++i) {
            if (overlay && i % 15 == 0) {
                QCoreApplication::sendEvent(&window, &f4);
                QCoreApplication::sendEvent(&window, &f4);
            }
            window.ShowResults(picture.copy(), boxes, frameEntries);
            window.repaint();
            QCoreApplication::processEvents();
        }
        const double ms = (ThreadCpuMilliseconds() - begin) / frames - copyMs;
        if (overlay)
            QCoreApplication::sendEvent(&window, &f4);
        return ms;
    };
    const double plainMs = msPerFrame(false);
    const double overlayMs = msPerFrame(true);
    const double frameMs = 1000.0 / 30;
    std::printf("display %.2f ms per frame (5 boxes with panels and marks, a frame panel), %.2f ms with the "
                "statistics overlay\n", plainMs, overlayMs);
    ReportBench("display.share_of_frame", overlayMs / frameMs, "ratio", "<=", 0.10);
    ReportBench("display.overlay_share", std::max(0.0, overlayMs - plainMs) / frameMs, "ratio", "<=", 0.01);
    return 0;
}
