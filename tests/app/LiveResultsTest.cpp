// The window over moving video with a real detector process that is slower
// than the video: what a person sees between its answers, the statistics
// over the picture, and a prompt close.

#include "MainWindow.h"

#include "settings/QtSettingManager.h"
#include "ui/FdResultUiItem.h"
#include "ui/UsbPanelUiItem.h"

#include "ChildProcess.h"
#include "SanitizedBuild.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>

#include <chrono>
#include <memory>
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
    auto owner = std::make_unique<VireoOwlEdge>();
    VireoOwlEdge& window = *owner;
    window.resize(1280, 720);
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !VisibleBoxes(window).empty(); }, 30000));

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

    // F4 puts the statistics over the picture's corner, clear of the device
    // panel, and takes them away again, each with the next picture.
    window.resize(640, 480);
    ASSERT_TRUE(QTest::qWaitFor([&] { return video->pixmap(Qt::ReturnByValue).size() == QSize(640, 360); }, 10000))
        << "1280x720 kept in its aspect ratio inside 640x480";
    const QWidget* overlay = window.findChild<QWidget*>(QStringLiteral("statsOverlay"));
    QWidget* panel = window.findChild<UsbPanelUiItem*>();
    ASSERT_NE(overlay, nullptr);
    panel->show();
    for (const bool shown : {true, false}) {
        const qint64 before = video->pixmap(Qt::ReturnByValue).cacheKey();
        QTest::keyClick(&window, Qt::Key_F4);
        EXPECT_TRUE(QTest::qWaitFor([&] { return video->pixmap(Qt::ReturnByValue).cacheKey() != before; }, 10000));
        EXPECT_EQ(overlay->isVisible(), shown);
        if (!shown)
            break;
        EXPECT_GE(overlay->y(), 60) << "inside the picture, below its upper edge";
        EXPECT_FALSE(overlay->geometry().intersects(panel->geometry()));
        const QPoint inside = overlay->geometry().topLeft() + QPoint(3, overlay->height() / 2);
        EXPECT_LT(window.grab().toImage().pixelColor(inside).lightness(), 90) << "the overlay's dark ground is drawn";
    }

    // Gone with the detector, at its next frame.
    detector.Kill();
    ASSERT_TRUE(QTest::qWaitFor([&] { return VisibleBoxes(window).empty(); }, 10000));

    // The one wall-clock limit here: closing must not wait for a worker's
    // time-out. Twice the usual second, as the two cores are shared.
    const auto start = std::chrono::steady_clock::now();
    owner.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, WallLimit(std::chrono::seconds(2)));
    EXPECT_EQ(QtSettingManager::GetInstance(), nullptr) << "the window releases the settings store";
}

}  // namespace
