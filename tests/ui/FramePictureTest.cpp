// The frame panel's picture and the covered-frame overlay, seen in grabbed
// pixels (the box frame is seen over the video in the window's tests).
#include "UiTestSupport.h"

#include "ui/CoveredFrameUiItem.h"
#include "ui/FrameResultUiItem.h"

#include <QLabel>

#include <memory>

namespace {

const QColor kBackground(0, 0, 255);
const QColor kPicture(255, 0, 0);

std::string PictureEntry(int width, int height)
{
    return "{\"image_base64_str\": \"" + PngBase64(width, height, kPicture) + "\"}";
}

// A 320 x 180 overlay, enabled, over a host of the background colour.
class Overlay : public ::testing::Test {
protected:
    void SetUp() override
    {
        overlay->resize(320, 180);
        overlay->SetEnabledFlag(true);
    }
    QColor Pixel(int x, int y)
    {
        Settle();
        return GrabPixel(host.get(), x, y);
    }

    std::unique_ptr<QWidget> host{NewHost(320, 180, kBackground)};
    CoveredFrameUiItem* overlay = new CoveredFrameUiItem(host.get());
};

TEST_F(Overlay, ShowsThePictureAsAskedOverTheVideoAndHidesWithoutOne)
{
    const struct {
        const char* name;
        bool enabled;
        const char* rate;  // JSON text of "transparent_rate", nullptr: no such key
        int width;         // of a picture 90 high; 0: no picture
        QColor centre;
        QColor corner;     // the picture fills the label unless its aspect differs
        bool visible;
    } cases[] = {
        {"opaque without a rate", true, nullptr, 160, kPicture, kPicture, true},
        {"square picture keeps its aspect, centred", true, nullptr, 90, kPicture, kBackground, true},
        {"half opacity", true, "0.5", 160, QColor(128, 0, 128), QColor(128, 0, 128), true},
        {"rate zero is invisible", true, "0", 160, kBackground, kBackground, true},
        {"rate above one is opaque", true, "7", 160, kPicture, kPicture, true},
        {"rate of the wrong type is skipped", true, "\"half\"", 160, kPicture, kPicture, true},
        {"disabled stays hidden", false, "0.5", 160, kBackground, kBackground, false},
        {"no picture hides the overlay", true, nullptr, 0, kBackground, kBackground, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        overlay->SetEnabledFlag(c.enabled);
        Json::Value entry = ParseEntry(c.width > 0 ? PictureEntry(c.width, 90) : "{}");
        if (c.rate != nullptr)
            entry["transparent_rate"] = ParseEntry(c.rate);
        overlay->ShowFrameImage(entry);
        EXPECT_EQ(overlay->isVisible(), c.visible);
        EXPECT_TRUE(ColourNear(Pixel(160, 90), c.centre, 3));
        EXPECT_TRUE(ColourNear(Pixel(2, 2), c.corner, 3));
        if (c.visible) {  // fitted into 320 x 180, aspect kept
            EXPECT_EQ(overlay->pixmap(Qt::ReturnByValue).size(), QSize(2 * c.width, 180));
        }
    }
    // A broken or too large picture after a good one hides the overlay.
    const Json::Value largest = ParseEntry(PictureEntry(4096, 4));  // the largest side taken
    for (const std::string& broken : {std::string(R"({"image_base64_str": "bm90IGEgcG5n"})"),
                                      std::string(R"({"image_base64_str": 12})"),
                                      std::string(R"({"image_base64_str": "%%%"})"), std::string(R"(["image_base64_str"])"),
                                      PictureEntry(4097, 4)}) {
        overlay->ShowFrameImage(largest);
        EXPECT_TRUE(overlay->isVisible());
        overlay->ShowFrameImage(ParseEntry(broken));
        EXPECT_FALSE(overlay->isVisible()) << broken.substr(0, 40);
    }
}

QLabel* PictureLabel(FrameResultUiItem* panel)
{
    for (QLabel* label : panel->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
        if (label->textFormat() != Qt::PlainText)
            return label;
    return nullptr;
}

std::string FrameEntry(const std::string& picture)
{
    return R"({"image_base64_str": ")" + picture + R"(", "ordered_value_dict": {
        "a": {"order": 0, "title": "Class", "value": "cat", "show_on_panel": true, "font_size": 20},
        "b": {"order": 1, "title": "Score", "value": "0.9", "show_on_panel": true, "font_size": 20}}})";
}

TEST(FramePanel, ShowsThePictureBesideTheRowsOrOnlyTheRows)
{
    std::unique_ptr<QWidget> host(NewHost(800, 600, kBackground));
    auto* panel = new FrameResultUiItem(host.get());
    panel->SetValues(ParseEntry(FrameEntry(PngBase64(1000, 500, kPicture))));
    panel->show();
    Settle();

    QLabel* picture = PictureLabel(panel);
    ASSERT_NE(picture, nullptr);
    ASSERT_TRUE(picture->isVisible());
    // Fitted into the picture area, aspect kept.
    const QSize area = FrameResultUiItem::PictureArea();
    EXPECT_EQ(picture->pixmap(Qt::ReturnByValue).size(), QSize(area.width(), area.width() / 2));
    EXPECT_GE(panel->width(), picture->width());
    EXPECT_GE(panel->height(), picture->height());

    const QPoint pictureCentre = picture->geometry().center();
    EXPECT_TRUE(ColourNear(GrabPixel(panel, pictureCentre.x(), pictureCentre.y()), kPicture, 3));
    for (QLabel* row : panel->findChildren<QLabel*>()) {
        if (row == picture || row->isHidden())
            continue;
        EXPECT_GT(row->x(), picture->geometry().right()) << row->text().toStdString();
    }

    // A broken, too large or missing picture hides only the picture.
    for (const std::string& broken : {std::string("AAAA"), PngBase64(5000, 2, kPicture)}) {
        panel->SetValues(ParseEntry(FrameEntry(PngBase64(40, 40, kPicture))));
        EXPECT_FALSE(picture->isHidden());
        panel->SetValues(ParseEntry(FrameEntry(broken)));
        EXPECT_TRUE(picture->isHidden());
        EXPECT_GT(panel->width(), 0);
    }
    panel->SetValues(ParseEntry(R"({"ordered_value_dict": {"a": {"order": 0, "value": "v", "show_on_panel": true}}})"));
    EXPECT_TRUE(picture->isHidden());
}

}  // namespace
