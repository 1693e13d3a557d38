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

TEST(Window, F3AdvancesTheFrameResultAndOtherKeysDoNothing)
{
    LoadSettings(R"({"Camera": "/nonexistent.avi", "InferenceMode": "FIFO"})");
    VireoOwlEdge window;
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(&window, Qt::Key_F3);
    EXPECT_EQ(window.FrameResultIndex(), 3);
    for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Q, Qt::Key_A, Qt::Key_F9, Qt::Key_F10})
        QTest::keyClick(&window, key);
    EXPECT_EQ(window.FrameResultIndex(), 3);
    EXPECT_TRUE(window.isEnabled());
}

TEST(Window, ChildrenFollowTheWindowSize)
{
    LoadSettings(R"({"Camera": "/nonexistent.avi"})");
    VireoOwlEdge window;
    for (const QSize size : {QSize(1280, 720), QSize(800, 600), QSize(1920, 1080)}) {
        window.resize(size);
        window.show();
        QCoreApplication::processEvents();
        const auto* video = window.findChild<QWidget*>(QStringLiteral("lblVideoImg"));
        const auto* history = window.findChild<QWidget*>(QStringLiteral("wgHistory"));
        const auto* logo = window.findChild<QWidget*>(QStringLiteral("lblLogo"));
        EXPECT_EQ(video->size(), size);
        EXPECT_EQ(history->size(), QSize(250, size.height()));
        EXPECT_EQ(logo->pos(), QPoint(size.width() - logo->width() - 50, 10));
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
    QTRY_VERIFY_WITH_TIMEOUT(!video->pixmap(Qt::ReturnByValue).isNull(), 5000);
    // 1280x720 kept in its aspect ratio inside 640x480.
    EXPECT_EQ(video->pixmap(Qt::ReturnByValue).size(), QSize(640, 360));

    const QWidget* overlay = window.findChild<QWidget*>(QStringLiteral("statsOverlay"));
    const QWidget* panel = window.findChild<UsbPanelUiItem*>();
    ASSERT_NE(overlay, nullptr);
    const auto shownAt = [&window](QPoint at) { return window.grab().toImage().pixelColor(at); };
    for (const bool shown : {true, false}) {
        QTest::keyClick(&window, Qt::Key_F4);
        QTest::qWait(100);  // a picture or two
        EXPECT_EQ(overlay->isVisible(), shown);
        if (!shown)
            break;
        EXPECT_GE(overlay->y(), 60) << "inside the picture, below its upper edge";
        EXPECT_FALSE(overlay->geometry().intersects(panel->geometry()));
        const QPoint inside = overlay->geometry().topLeft() + QPoint(3, overlay->height() / 2);
        EXPECT_LT(shownAt(inside).lightness(), 90) << "the overlay's dark ground is drawn";
    }
}

TEST(Window, ClosesWithinASecondWhileVideoPlays)
{
    LoadSettings(R"({"Camera": ")" + kFacesVideo + R"(", "CameraAutoReconnectSec": 0, "InferenceMode": "FIFO"})");
    auto window = std::make_unique<VireoOwlEdge>();
    window->show();
    QTest::qWait(1500);
    [[maybe_unused]] const auto start = std::chrono::steady_clock::now();
    window.reset();
#ifndef VIREO_SANITIZED_BUILD
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
#endif
    EXPECT_EQ(QtSettingManager::GetInstance(), nullptr) << "the window releases the settings store";
}

}  // namespace
