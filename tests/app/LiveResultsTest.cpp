// The window over moving video with a real detector process that is slower
// than the video: what a person sees between its answers.

#include "MainWindow.h"

#include "settings/QtSettingManager.h"
#include "ui/FdResultUiItem.h"

#include "ChildProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>

#include <set>

namespace {

const QColor kBoxBorder(230, 230, 230);

std::vector<FdResultUiItem*> VisibleBoxes(QWidget& window)
{
    std::vector<FdResultUiItem*> shown;
    for (FdResultUiItem* box : window.findChildren<FdResultUiItem*>())
        if (box->isVisible())
            shown.push_back(box);
    return shown;
}

TEST(LiveResults, ASlowDetectorsBoxesStayOverTheMovingVideoUntilItGoes)
{
    TempDir dir;
    WriteText(dir.File("settings.json"), R"({"InferenceMode": "FIFO", "CameraAutoReconnectSec": 0,
        "Camera": ")" VIREO_BUILD_DIR R"(/samples/faces.avi", "RequestFIFO": ")" + dir.File("req") +
                                             R"(", "ResponseFIFO": ")" + dir.File("resp") + R"("})");
    QtSettingManager::GetInstance()->Load(dir.File("settings.json"));
    ChildProcess detector;
    ASSERT_TRUE(detector.Start({"/usr/bin/python3", VIREO_SOURCE_DIR "/tests/fifo/scripted_detector.py", "--req",
                                dir.File("req"), "--resp", dir.File("resp"), "--delay-ms", "1200"}));
    ASSERT_TRUE(WaitForPath(dir.File("resp")));
    VireoOwlEdge window;
    window.resize(1280, 720);
    window.show();
    QTRY_VERIFY_WITH_TIMEOUT(!VisibleBoxes(window).empty(), 30000);

    // Looked at ten times, 0.4 s apart, over three answers.
    int withBox = 0;
    std::set<qint64> pictures;
    const auto* video = window.findChild<QLabel*>(QStringLiteral("lblVideoImg"));
    for (int look = 0; look < 10; ++look) {
        QTest::qWait(400);
        const std::vector<FdResultUiItem*> boxes = VisibleBoxes(window);
        const QImage screen = window.grab().toImage();
        if (boxes.size() == 1) {
            const QRect box = boxes[0]->geometry();
            withBox += screen.pixelColor(box.left() + 1, box.center().y()) == kBoxBorder;
        }
        pictures.insert(video->pixmap(Qt::ReturnByValue).cacheKey());
    }
    EXPECT_GE(withBox, 9) << "the boxes flickered between answers";
    EXPECT_GE(pictures.size(), 8u) << "the video did not keep moving";

    // Gone with the detector, at its next frame.
    detector.Kill();
    QTRY_VERIFY_WITH_TIMEOUT(VisibleBoxes(window).empty(), 3000);
}

}  // namespace
