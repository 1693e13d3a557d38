// Box frames, the frame panel's picture and the covered-frame overlay, seen
// in grabbed pixels.
#include "UiTestSupport.h"

#include "ui/CoveredFrameUiItem.h"
#include "ui/FdResultUiItem.h"
#include "ui/FrameResultUiItem.h"

#include <QLabel>

#include <memory>

namespace {

const QColor kBackground(0, 0, 255);
const QColor kPicture(255, 0, 0);

TEST(BoxFrame, DrawsALightGreyBorderAndLeavesTheInsideClear)
{
    std::unique_ptr<QWidget> host(NewHost(400, 400, Qt::black));
    auto* frame = new FdResultUiItem(host.get());
    EXPECT_EQ(frame->geometry(), QRect(240, 150, 171, 291));
    frame->setGeometry(50, 60, 120, 90);
    frame->show();
    Settle();
    const QImage shot = host->grab().toImage();
    const QColor grey(230, 230, 230);
    EXPECT_TRUE(ColourNear(shot.pixelColor(51, 105), grey));         // left edge
    EXPECT_TRUE(ColourNear(shot.pixelColor(50 + 118, 105), grey));   // right edge
    EXPECT_TRUE(ColourNear(shot.pixelColor(110, 61), grey));         // top edge
    EXPECT_TRUE(ColourNear(shot.pixelColor(110, 60 + 88), grey));    // bottom edge
    EXPECT_TRUE(ColourNear(shot.pixelColor(110, 105), Qt::black));   // inside
    EXPECT_TRUE(ColourNear(shot.pixelColor(50, 60), Qt::black, 40)); // round corner
    EXPECT_TRUE(ColourNear(shot.pixelColor(48, 105), Qt::black));    // outside
}

struct OverlayCase {
    const char* name;
    bool enabled;
    const char* rate;  // JSON text of "transparent_rate", nullptr: no such key
    bool withPicture;
    QColor centre;
    bool visible;
};

const OverlayCase kOverlayCases[] = {
    {"opaque without a rate", true, nullptr, true, kPicture, true},
    {"half opacity", true, "0.5", true, QColor(128, 0, 128), true},
    {"rate zero is invisible", true, "0", true, kBackground, true},
    {"rate above one is opaque", true, "7", true, kPicture, true},
    {"rate of the wrong type is skipped", true, "\"half\"", true, kPicture, true},
    {"disabled stays hidden", false, "0.5", true, kBackground, false},
    {"no picture hides the overlay", true, nullptr, false, kBackground, false},
};

void PrintTo(const OverlayCase& c, std::ostream* os)
{
    *os << c.name;
}

class Overlay : public ::testing::TestWithParam<OverlayCase> {};

TEST_P(Overlay, ShowsThePictureAsAskedOverTheVideo)
{
    const OverlayCase& c = GetParam();
    std::unique_ptr<QWidget> host(NewHost(320, 180, kBackground));
    auto* overlay = new CoveredFrameUiItem(host.get());
    overlay->resize(320, 180);
    overlay->SetEnabledFlag(c.enabled);
    std::string text = "{";
    if (c.withPicture)
        text += "\"image_base64_str\": \"" + PngBase64(160, 90, kPicture) + "\"";
    if (c.rate != nullptr)
        text += std::string(c.withPicture ? ", " : "") + "\"transparent_rate\": " + c.rate;
    text += "}";
    overlay->ShowFrameImage(ParseEntry(text));
    Settle();
    EXPECT_EQ(overlay->isVisible(), c.visible);
    EXPECT_TRUE(ColourNear(GrabPixel(host.get(), 160, 90), c.centre, 3));
    // Fitted to the whole label: the picture reaches its corners.
    if (c.visible && c.centre == kPicture) {
        EXPECT_TRUE(ColourNear(GrabPixel(host.get(), 2, 2), kPicture, 3));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Overlay, ::testing::ValuesIn(kOverlayCases),
                         [](const ::testing::TestParamInfo<OverlayCase>& info) { return CaseName(info.param.name); });

TEST(Overlay, KeepsTheAspectRatioAndCentres)
{
    std::unique_ptr<QWidget> host(NewHost(320, 180, kBackground));
    auto* overlay = new CoveredFrameUiItem(host.get());
    overlay->resize(320, 180);
    overlay->SetEnabledFlag(true);
    overlay->ShowFrameImage(ParseEntry("{\"image_base64_str\": \"" + PngBase64(50, 50, kPicture) + "\"}"));
    Settle();
    ASSERT_FALSE(overlay->pixmap(Qt::ReturnByValue).isNull());
    EXPECT_EQ(overlay->pixmap(Qt::ReturnByValue).size(), QSize(180, 180));
    EXPECT_TRUE(ColourNear(GrabPixel(host.get(), 160, 90), kPicture, 3));
    EXPECT_TRUE(ColourNear(GrabPixel(host.get(), 160 - 95, 90), kBackground, 3));
    EXPECT_TRUE(ColourNear(GrabPixel(host.get(), 160 + 95, 90), kBackground, 3));
}

TEST(Overlay, BrokenPictureAfterAGoodOneHides)
{
    std::unique_ptr<QWidget> host(NewHost(320, 180, kBackground));
    auto* overlay = new CoveredFrameUiItem(host.get());
    overlay->SetEnabledFlag(true);
    overlay->ShowFrameImage(ParseEntry("{\"image_base64_str\": \"" + PngBase64(16, 9, kPicture) + "\"}"));
    EXPECT_TRUE(overlay->isVisible());
    for (const char* broken : {R"({"image_base64_str": "bm90IGEgcG5n"})", R"({"image_base64_str": 12})",
                               R"({"image_base64_str": "%%%"})", R"(["image_base64_str"])"}) {
        overlay->ShowFrameImage(ParseEntry("{\"image_base64_str\": \"" + PngBase64(16, 9, kPicture) + "\"}"));
        overlay->ShowFrameImage(ParseEntry(broken));
        EXPECT_FALSE(overlay->isVisible()) << broken;
    }
}

TEST(Overlay, PictureTooLargeIsRefused)
{
    std::unique_ptr<QWidget> host(NewHost(320, 180, kBackground));
    auto* overlay = new CoveredFrameUiItem(host.get());
    overlay->SetEnabledFlag(true);
    overlay->ShowFrameImage(ParseEntry("{\"image_base64_str\": \"" + PngBase64(4097, 4, kPicture) + "\"}"));
    EXPECT_FALSE(overlay->isVisible());
    overlay->ShowFrameImage(ParseEntry("{\"image_base64_str\": \"" + PngBase64(4096, 4, kPicture) + "\"}"));
    EXPECT_TRUE(overlay->isVisible());
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

TEST(FramePanel, ShowsThePictureBesideTheRows)
{
    std::unique_ptr<QWidget> host(NewHost(800, 600, kBackground));
    auto* panel = new FrameResultUiItem(host.get());
    EXPECT_EQ(panel->geometry(), QRect(0, 0, 500, 240));
    EXPECT_FALSE(panel->GetEnabledFlag());
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
}

TEST(FramePanel, BrokenOrMissingPictureHidesOnlyThePicture)
{
    std::unique_ptr<QWidget> host(NewHost(800, 600, kBackground));
    auto* panel = new FrameResultUiItem(host.get());
    for (const std::string& picture : {std::string("AAAA"), PngBase64(5000, 2, kPicture)}) {
        panel->SetValues(ParseEntry(FrameEntry(PngBase64(40, 40, kPicture))));
        EXPECT_FALSE(PictureLabel(panel)->isHidden());
        panel->SetValues(ParseEntry(FrameEntry(picture)));
        EXPECT_TRUE(PictureLabel(panel)->isHidden());
        EXPECT_GT(panel->width(), 0);
    }
    panel->SetValues(ParseEntry(R"({"ordered_value_dict": {"a": {"order": 0, "value": "v", "show_on_panel": true}}})"));
    EXPECT_TRUE(PictureLabel(panel)->isHidden());
}

}  // namespace
