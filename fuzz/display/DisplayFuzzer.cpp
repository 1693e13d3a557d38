// Any bytes as a detector's answer, parsed and drawn by the real window
// (offscreen): no crash, no exception, whatever the document holds.

#include "MainWindow.h"

#include "fifo/ResultDocument.h"
#include "settings/QtSettingManager.h"

#include <QApplication>
#include <QImage>

#include <cstdint>
#include <fstream>
#include <string>

namespace {

QApplication* app = nullptr;
VireoOwlEdge* window = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    app = new QApplication(*argc, *argv);
    const std::string path = "/tmp/vireo-fuzz-display-settings.json";
    std::ofstream(path) << R"({"Camera": "/nonexistent.avi", "InferenceMode": "FIFO",
                               "RequestFIFO": "/nonexistent/req", "ResponseFIFO": "/nonexistent/resp"})";
    QtSettingManager::GetInstance()->Load(path);
    QtSettingManager::GetInstance()->SetCameraInfo(1280, 720, 30);
    window = new VireoOwlEdge();
    window->resize(1280, 720);
    window->show();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static QImage picture = [] {
        QImage image(640, 360, QImage::Format_RGB888);
        image.fill(Qt::darkBlue);
        return image;
    }();
    const Json::Value document = ParseAnswerText(std::string(reinterpret_cast<const char*>(data), size));
    std::vector<Json::Value> boxes;
    std::vector<Json::Value> frames;
    ParseResultDocument(document, boxes, frames);
    window->ShowResults(picture, std::move(boxes), std::move(frames));
    QCoreApplication::processEvents();
    return 0;
}
