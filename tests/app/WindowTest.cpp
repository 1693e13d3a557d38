#include "MainWindow.h"

#include "settings/QtSettingManager.h"
#include "ui/UsbPanelUiItem.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>

#include <chrono>

namespace {

const std::string kFacesVideo = std::string(VIREO_BUILD_DIR) + "/samples/faces.avi";

void LoadSettings(const std::string& json)
{
    static TempDir dir;
    WriteText(dir.File("settings.json"), json);
    QtSettingManager::GetInstance()->Load(dir.File("settings.json"));
}

// F4 puts the statistics over the picture's corner, clear of the device
// panel, and takes them away again. The one wall-clock limit here: closing
// must not wait for a worker's time-out (the detector never comes). Twice the
// usual second, as the two cores are shared; sanitized builds run many times
// slower and skip it.
TEST(Window, ShowsTheVideoScaledWithTheStatisticsOverItAndClosesPromptly)
{
    LoadSettings(R"({"Camera": ")" + kFacesVideo + R"(", "CameraAutoReconnectSec": 0, "InferenceMode": "FIFO"})");
    auto window = std::make_unique<VireoOwlEdge>();
    window->resize(640, 480);
    window->show();
    const auto* video = window->findChild<QLabel*>(QStringLiteral("lblVideoImg"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !video->pixmap(Qt::ReturnByValue).isNull(); }, 10000));
    // 1280x720 kept in its aspect ratio inside 640x480.
    EXPECT_EQ(video->pixmap(Qt::ReturnByValue).size(), QSize(640, 360));

    const QWidget* overlay = window->findChild<QWidget*>(QStringLiteral("statsOverlay"));
    QWidget* panel = window->findChild<UsbPanelUiItem*>();
    ASSERT_NE(overlay, nullptr);
    panel->show();
    for (const bool shown : {true, false}) {
        // Placed with the next picture.
        const qint64 before = video->pixmap(Qt::ReturnByValue).cacheKey();
        QTest::keyClick(window.get(), Qt::Key_F4);
        EXPECT_TRUE(QTest::qWaitFor([&] { return video->pixmap(Qt::ReturnByValue).cacheKey() != before; }, 10000));
        EXPECT_EQ(overlay->isVisible(), shown);
        if (!shown)
            break;
        EXPECT_GE(overlay->y(), 60) << "inside the picture, below its upper edge";
        EXPECT_FALSE(overlay->geometry().intersects(panel->geometry()));
        const QPoint inside = overlay->geometry().topLeft() + QPoint(3, overlay->height() / 2);
        EXPECT_LT(window->grab().toImage().pixelColor(inside).lightness(), 90) << "the overlay's dark ground is drawn";
    }
    window->resize(1920, 1080);
    QCoreApplication::processEvents();
    EXPECT_EQ(video->size(), QSize(1920, 1080)) << "the video follows the window's size";

    [[maybe_unused]] const auto start = std::chrono::steady_clock::now();
    window.reset();
#ifndef VIREO_SANITIZED_BUILD
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
#endif
    EXPECT_EQ(QtSettingManager::GetInstance(), nullptr) << "the window releases the settings store";
}

}  // namespace
