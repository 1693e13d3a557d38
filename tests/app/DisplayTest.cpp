// What a person sees in the window for given results: the window is driven
// with pictures and result documents directly, with no back-end running.

#include "MainWindow.h"

#include "HostLibAdapter/HostLibAdapter.h"
#include "settings/JsonText.h"
#include "settings/QtSettingManager.h"
#include "ui/CoveredFrameUiItem.h"
#include "ui/FdResultUiItem.h"
#include "ui/FrResultUiItem.h"
#include "ui/FrameResultUiItem.h"
#include "ui/UsbPanelUiItem.h"

#include "TempDir.h"
#include "UiTestSupport.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>

namespace {

// A FIFO-mode window of 1280x720 whose camera is known to be 1280x720, so the
// detector's frames are 853x480; no camera opens, so no frame interferes.
class DisplayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteText(dir.File("settings.json"), R"({"Camera": "/nonexistent.avi", "InferenceMode": "FIFO",
                                                  "RequestFIFO": "/nonexistent/req", "ResponseFIFO": "/nonexistent/resp"})");
        QtSettingManager::GetInstance()->Load(dir.File("settings.json"));
        QtSettingManager::GetInstance()->SetCameraInfo(1280, 720, 30);
        window = std::make_unique<VireoOwlEdge>();
        window->resize(1280, 720);
        window->show();
        QCoreApplication::processEvents();
    }

    void Show(const std::string& boxes, const std::string& frames = "[]")
    {
        auto list = [](const std::string& json) {
            const Json::Value array = ParseJson(json);
            return std::vector<Json::Value>(array.begin(), array.end());
        };
        window->ShowResults(picture, list(boxes), list(frames));
        QCoreApplication::processEvents();
    }

    template <typename T>
    std::vector<T*> Visible()
    {
        std::vector<T*> shown;
        for (T* widget : window->findChildren<T*>())
            if (widget->isVisible())
                shown.push_back(widget);
        return shown;
    }

    QImage Screen() { return window->grab().toImage(); }

    TempDir dir;
    QImage picture = [] {
        QImage image(1280, 720, QImage::Format_RGB888);
        image.fill(QColor(0, 0, 80));
        return image;
    }();
    std::unique_ptr<VireoOwlEdge> window;
};

const char* const kBoxWithPanel = R"([{"bbox": {"x": 100, "y": 50, "width": 40, "height": 30},
    "ordered_value_dict": {"age": {"title": "Age", "value": "35", "show_on_panel": true, "show_title": true,
                                   "font_size": 14, "order": 0}}}])";

std::string PanelBox(int x, int y, const std::string& text)
{
    return R"([{"bbox": {"x": )" + std::to_string(x) + R"(, "y": )" + std::to_string(y) +
           R"(, "width": 40, "height": 40}, "ordered_value_dict": {"a": {"value": ")" + text +
           R"(", "title": "Frame", "show_title": true, "show_on_panel": true}}}])";
}

// The box frame is drawn where the detector saw, its panel beside it.
// Snapshots and recordings keep what the window shows of the video: the
// picture, boxes, panels and marks, but not the device panel or the statistics.
TEST_F(DisplayTest, TheShownPictureIsTheWindowWithoutItsSidePanelAndStatistics)
{
    window->findChild<QLabel*>(QStringLiteral("lblLogo"))->hide();
    QTest::keyClick(window.get(), Qt::Key_F1);
    Show(kBoxWithPanel, R"([{"ordered_value_dict": {"n": {"title": "N", "value": "7", "show_on_panel": true}}}])");
    ASSERT_EQ(Visible<FdResultUiItem>().size(), 1u);
    const QRect box = Visible<FdResultUiItem>()[0]->geometry();
    EXPECT_EQ(box, QRect(135, 60, 90, 75)) << "mapped from the detector's 853x480 frame";
    const QImage shown = window->RenderShown();
    EXPECT_EQ(shown.pixelColor(box.left() + 1, box.center().y()), QColor(230, 230, 230)) << "left border";
    EXPECT_EQ(shown.pixelColor(box.center()), QColor(0, 0, 80)) << "inside, the video shows through";
    ASSERT_EQ(Visible<FrResultUiItem>().size(), 1u);
    EXPECT_EQ(Visible<FrResultUiItem>()[0]->geometry().center().y(), box.center().y());
    EXPECT_EQ(shown, Screen().convertToFormat(QImage::Format_RGB32));

    window->findChild<UsbPanelUiItem*>()->show();
    QTest::keyClick(window.get(), Qt::Key_F4);
    Show(kBoxWithPanel, R"([{"ordered_value_dict": {"n": {"title": "N", "value": "7", "show_on_panel": true}}}])");
    ASSERT_NE(Screen().convertToFormat(QImage::Format_RGB32), shown);
    EXPECT_EQ(window->RenderShown(), shown);
}

TEST_F(DisplayTest, PanelsStayInViewBesideTheirBoxAndKeepTheirSize)
{
    const struct {
        const char* what;
        int x, y;  // of the box, in the detector's 853x480 frame
        bool devicePanel;
        char side;  // 'r', 'l': the panel is 20 px to that side of the box; ' ': either
    } cases[] = {
        {"room on the right", 100, 200, false, 'r'},
        {"at the right edge: to the left of the box", 800, 200, false, 'l'},
        {"beside the device panel: to the left of the box", 600, 200, true, 'l'},
        {"at the bottom edge", 300, 470, false, ' '},
        {"at the top edge", 300, -30, false, ' '},
    };
    QWidget* devicePanel = window->findChild<UsbPanelUiItem*>();
    for (const auto& c : cases) {
        devicePanel->setVisible(c.devicePanel);
        Show(PanelBox(c.x, c.y, "0"));
        const auto panels = Visible<FrResultUiItem>();
        ASSERT_EQ(panels.size(), 1u) << c.what;
        const QRect panel = panels[0]->geometry();
        const QRect box = Visible<FdResultUiItem>()[0]->geometry();
        const int right = c.devicePanel ? devicePanel->x() : window->width();
        EXPECT_TRUE(QRect(0, 0, right, window->height()).contains(panel))
            << c.what << ": panel at " << panel.x() << "," << panel.y() << " " << panel.width() << "x" << panel.height();
        EXPECT_FALSE(panel.intersects(box)) << c.what;
        const int gap = c.side == 'r' ? panel.x() - box.right() - 1 : c.side == 'l' ? box.left() - panel.right() - 1 : 20;
        EXPECT_EQ(gap, 20) << c.what;
    }

    // A panel keeps its size while its text changes.
    QSize afterFive;
    for (int answer = 1; answer <= 500; ++answer) {
        Show(PanelBox(300, 200, QStringLiteral("%1").arg(answer, 3, 10, QLatin1Char('0')).toStdString()));
        if (answer == 5)
            afterFive = Visible<FrResultUiItem>().at(0)->size();
    }
    EXPECT_EQ(Visible<FrResultUiItem>().at(0)->size(), afterFive);
}

TEST_F(DisplayTest, WidgetsAreReusedTrimmedFromTheEndAndCapped)
{
    std::string five = "[";
    for (int i = 0; i < 5; ++i)
        five += std::string(i ? "," : "") + R"({"bbox": {"x": )" + std::to_string(100 * i) + R"(, "y": 10, "width": 20, "height": 20}})";
    Show(five + "]");
    ASSERT_EQ(window->BoxWidgetCount(), 5u);
    const auto firstTwo = window->findChildren<FdResultUiItem*>();
    Show(R"([{"bbox": {"x": 1, "y": 1, "width": 5, "height": 5}}, {"bbox": {"x": 9, "y": 9, "width": 5, "height": 5}}])");
    EXPECT_EQ(window->BoxWidgetCount(), 2u);
    EXPECT_EQ(window->findChildren<FdResultUiItem*>().size(), 2);
    EXPECT_TRUE(firstTwo.contains(window->findChildren<FdResultUiItem*>()[1]));

    window->CleanResult(-5);
    EXPECT_EQ(window->BoxWidgetCount(), 2u);
    window->CleanResult(1);
    EXPECT_EQ(window->BoxWidgetCount(), 1u);
    Show("[]");  // an empty answer clears what was shown
    EXPECT_EQ(window->BoxWidgetCount(), 0u);
    EXPECT_TRUE(Visible<FdResultUiItem>().empty());

    // Hostile documents are capped and never crash.
    std::string many = "[";
    for (int i = 0; i < 100000; ++i)
        many += std::string(i ? "," : "") + R"({"bbox": {"x": 1, "y": 1, "width": 2, "height": 2}})";
    Show(many + "]");
    EXPECT_EQ(window->BoxWidgetCount(), 256u);

    Show(R"([null, 5, "text", [1, 2], {"bbox": null}, {"bbox": {"x": {}, "y": [], "width": true, "height": "h"}},
             {"bbox": {"x": 1, "y": 1, "width": 9, "height": 9}, "ordered_value_dict": "rows"},
             {"draw_dict": {"point": [1, 2], "line": {"l": {"point_1_x": "a"}}}},
             {"bbox": {"x": 1, "y": 1, "width": 9, "height": 9}, "ordered_value_dict": {"r": {"order": 1e20, "value": {},
              "font_size": -5, "show_on_panel": "yes", "title": "<img src='/etc/passwd'>"}}}])",
         R"([{"image_base64_str": "not base64 !!", "transparent_rate": "half", "ordered_value_dict": [],
              "draw_dict": {"point": {"p": {"x": 1e309, "y": -1e309}}}}, 7])");
    EXPECT_EQ(window->BoxWidgetCount(), 9u);
}

TEST_F(DisplayTest, MarksArePaintedIntoThePicture)
{
    Show(R"([{"draw_dict": {"line": {"l": {"point_1_x": 0, "point_1_y": 240, "point_2_x": 853, "point_2_y": 240}},
                            "point": {"p": {"x": 400, "y": 100}}}}])");
    const QImage screen = Screen();
    EXPECT_EQ(screen.pixelColor(300, 360), QColor(Qt::red)) << "the line, mapped to y 360";
    EXPECT_EQ(screen.pixelColor(int(400 * 1280.0 / 853) + 4, 150), QColor(190, 215, 160)) << "the point's ring";
}

// F1 shows the frame panel with the entry F3 picked, F2 the entries' overlay
// picture over the video.
TEST_F(DisplayTest, FramePanelAndOverlayAppearOnlyWhileEnabled)
{
    std::string frames = "[";
    for (int n = 0; n < 4; ++n)
        frames += std::string(n ? "," : "") + R"({"image_base64_str": ")" + PngBase64(64, 36, Qt::red)
                  + R"(", "ordered_value_dict": {"n": {"title": "N", "value": ")" + std::to_string(n)
                  + R"(", "show_on_panel": true}}})";
    frames += "]";
    Show("[]", frames);
    EXPECT_TRUE(Visible<FrameResultUiItem>().empty());
    EXPECT_TRUE(Visible<CoveredFrameUiItem>().empty());
    QTest::keyClick(window.get(), Qt::Key_F1);
    QTest::keyClick(window.get(), Qt::Key_F2);
    for (int i = 0; i < 6; ++i)
        QTest::keyClick(window.get(), Qt::Key_F3);
    Show("[]", frames);
    ASSERT_EQ(Visible<FrameResultUiItem>().size(), 1u);
    ASSERT_EQ(Visible<CoveredFrameUiItem>().size(), 1u);
    EXPECT_EQ(window->FrameResultIndex(), 2);
    const FrameResultUiItem* panel = Visible<FrameResultUiItem>()[0];
    EXPECT_TRUE(window->rect().contains(panel->geometry()));
    bool showsTwo = false;
    for (const QLabel* row : panel->findChildren<QLabel*>())
        showsTwo |= row->isVisible() && row->text() == QStringLiteral("N: 2");
    EXPECT_TRUE(showsTwo);
    const QPoint clear(window->width() / 2, window->height() / 4);  // away from the panel
    EXPECT_EQ(Screen().pixelColor(clear), QColor(Qt::red));

    Show("[]", "[]");
    EXPECT_TRUE(Visible<FrameResultUiItem>().empty());
    EXPECT_TRUE(Visible<CoveredFrameUiItem>().empty());
}

TEST_F(DisplayTest, DeviceResultsOfTheFirstDeviceAreShown)
{
    Show("[]");  // a picture is on screen
    HostLibAdapter* device = HostLibAdapter::GetInstance();
    const FdFrResult face{100, 100, 80, 80, 1};
    // Boxes and their panels shown after each answer.
    const auto shownAfter = [&](int devId, int model, std::vector<FdFrResult> results) {
        emit device->SigInferenceDone(devId, model, results);
        QCoreApplication::processEvents();
        return std::to_string(Visible<FdResultUiItem>().size()) + " boxes "
               + std::to_string(Visible<FrResultUiItem>().size()) + " panels";
    };
    EXPECT_EQ(shownAfter(device->GetDevId(0), 3, {face, face}), "2 boxes 2 panels");
    EXPECT_EQ(shownAfter(device->GetDevId(0) + 1, 3, {}), "2 boxes 2 panels") << "another device's results";
    EXPECT_EQ(shownAfter(device->GetDevId(0), 0, {}), "0 boxes 0 panels") << "an empty list clears the boxes";
}

}  // namespace
