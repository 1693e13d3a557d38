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

TEST(Window, TheVideoFollowsTheWindowSizeAndUnusedPartsStayHidden)
{
    LoadSettings(R"({"Camera": "/nonexistent.avi"})");
    VireoOwlEdge window;
    for (const QSize size : {QSize(1280, 720), QSize(800, 600), QSize(1920, 1080)}) {
        window.resize(size);
        window.show();
        QCoreApplication::processEvents();
        EXPECT_EQ(window.findChild<QWidget*>(QStringLiteral("lblVideoImg"))->size(), size);
        for (const char* hidden : {"regSetting", "txtHelp", "regLogin", "regLogout"})
            EXPECT_FALSE(window.findChild<QWidget*>(QString::fromLatin1(hidden))->isVisible()) << hidden;
    }
}

// F4 puts the statistics over the picture's corner, clear of the device
// panel, and takes them away again.
TEST(Window, ShowsTheVideoScaledIntoTheWindowAndTheStatisticsOverIt)
{
    LoadSettings(R"({"Camera": ")" + kFacesVideo + R"(", "InferenceMode": "NX310"})");
    VireoOwlEdge window;
    window.resize(640, 480);
    window.show();
    const auto* video = window.findChild<QLabel*>(QStringLiteral("lblVideoImg"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !video->pixmap(Qt::ReturnByValue).isNull(); }, 10000));
    // 1280x720 kept in its aspect ratio inside 640x480.
    EXPECT_EQ(video->pixmap(Qt::ReturnByValue).size(), QSize(640, 360));

    const QWidget* overlay = window.findChild<QWidget*>(QStringLiteral("statsOverlay"));
    const QWidget* panel = window.findChild<UsbPanelUiItem*>();
    ASSERT_NE(overlay, nullptr);
    const auto shownAt = [&window](QPoint at) { return window.grab().toImage().pixelColor(at); };
    for (const bool shown : {true, false}) {
        // Placed with the next picture.
        const qint64 before = video->pixmap(Qt::ReturnByValue).cacheKey();
        QTest::keyClick(&window, Qt::Key_F4);
        EXPECT_TRUE(QTest::qWaitFor([&] { return video->pixmap(Qt::ReturnByValue).cacheKey() != before; }, 10000));
        EXPECT_EQ(overlay->isVisible(), shown);
        if (!shown)
            break;
        EXPECT_GE(overlay->y(), 60) << "inside the picture, below its upper edge";
        EXPECT_FALSE(overlay->geometry().intersects(panel->geometry()));
        const QPoint inside = overlay->geometry().topLeft() + QPoint(3, overlay->height() / 2);
        EXPECT_LT(shownAt(inside).lightness(), 90) << "the overlay's dark ground is drawn";
    }
}

// The one wall-clock limit here: closing must not wait for a worker's
// time-out. Twice the usual second, as the two cores are shared; sanitized
// builds run many times slower and skip it.
TEST(Window, ClosesPromptlyWhileVideoPlays)
{
    LoadSettings(R"({"Camera": ")" + kFacesVideo + R"(", "CameraAutoReconnectSec": 0, "InferenceMode": "FIFO"})");
    auto window = std::make_unique<VireoOwlEdge>();
    window->show();
    const auto* video = window->findChild<QLabel*>(QStringLiteral("lblVideoImg"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !video->pixmap(Qt::ReturnByValue).isNull(); }, 10000));
    [[maybe_unused]] const auto start = std::chrono::steady_clock::now();
    window.reset();
#ifndef VIREO_SANITIZED_BUILD
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
#endif
    EXPECT_EQ(QtSettingManager::GetInstance(), nullptr) << "the window releases the settings store";
}

}  // namespace
