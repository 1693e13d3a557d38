// The result panels and the covered-frame overlay: rows in "order", their
// text, fonts and the panel's size, the frame panel's picture and the overlay
// seen in grabbed pixels, and hostile entries that must neither crash nor
// grow without bound. The box frame is seen over the video in the window's
// tests.
#include "UiTestSupport.h"

#include "ui/CoveredFrameUiItem.h"
#include "ui/FrResultUiItem.h"
#include "ui/FrameResultUiItem.h"

#include <QLabel>

#include <cmath>
#include <limits>
#include <memory>
#include <tuple>

namespace {

// The panel's row labels in creation order (which is their row number); the
// frame panel's picture label is not a row.
std::vector<QLabel*> Rows(QWidget* panel)
{
    std::vector<QLabel*> rows;
    for (QLabel* label : panel->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
        if (label->textFormat() == Qt::PlainText)
            rows.push_back(label);
    return rows;
}

// What a person reads: the shown rows in list order, each marked when it is
// not below the one before on the screen; {"hidden"} for a hidden panel.
std::vector<QString> Seen(QWidget* panel)
{
    if (panel->isHidden())
        return {"hidden"};
    std::vector<QString> texts;
    int lastY = -1;
    for (QLabel* row : Rows(panel)) {
        if (row->isHidden())
            continue;
        texts.push_back(row->y() > lastY ? row->text() : "not below: " + row->text());
        lastY = row->y();
    }
    return texts;
}

struct PanelCase {
    const char* name;
    const char* entry;
    std::vector<QString> boxRows;    // Seen() of the box panel
    std::vector<QString> frameRows;  // the same entry in the frame panel
};

const PanelCase kPanelCases[] = {
    {"order decides the rows",
     R"({"ordered_value_dict": {"a": {"order": 1, "value": "x", "show_on_panel": true},
                                "b": {"order": 0, "value": "y", "show_on_panel": true}}})",
     {"y", "x"}, {": y", ": x"}},
    {"title only when the box item asks; always in the frame panel",
     R"({"ordered_value_dict": {"age": {"order": 0, "title": "Age", "value": "35", "show_on_panel": true,
                                        "show_title": true},
                                "sex": {"order": 1, "title": "Gender", "value": "F", "show_on_panel": true}}})",
     {"Age: 35", "F"}, {"Age: 35", "Gender: F"}},
    {"missing show_on_panel hides the row",
     R"({"ordered_value_dict": {"a": {"order": 0, "value": "seen", "show_on_panel": true},
                                "b": {"order": 1, "value": "hidden"}}})",
     {"seen"}, {": seen"}},
    {"order out of range is ignored",
     R"({"ordered_value_dict": {"a": {"order": 5, "value": "far", "show_on_panel": true},
                                "b": {"order": -1, "value": "neg", "show_on_panel": true},
                                "c": {"order": 1, "value": "ok", "show_on_panel": true}}})",
     {"ok"}, {": ok"}},
    {"duplicate order: the later name wins",
     R"({"ordered_value_dict": {"a": {"order": 0, "value": "first", "show_on_panel": true},
                                "b": {"order": 0, "value": "second", "show_on_panel": true}}})",
     {"second"}, {": second"}},
    {"fields of the wrong type count as missing",
     R"({"ordered_value_dict": {"a": {"order": "1", "value": {"x": 1}, "title": [1], "show_on_panel": true,
                                      "show_title": "yes", "font_size": "big", "alignment": "left"},
                                "b": {"order": 1.9, "value": 42, "show_on_panel": 1},
                                "c": 17}})",
     {"", "42"}, {": ", ": 42"}},
    {"numbers are shown as written",
     R"({"ordered_value_dict": {"a": {"order": 0, "value": 0.99, "show_on_panel": true},
                                "b": {"order": 1, "value": true, "show_on_panel": true}}})",
     {"0.99", "true"}, {": 0.99", ": true"}},
    {"markup is shown as text",
     R"({"ordered_value_dict": {"a": {"order": 0, "value": "<b>bold</b><img src='/etc/passwd'>",
                                      "show_on_panel": true}}})",
     {"<b>bold</b><img src='/etc/passwd'>"}, {": <b>bold</b><img src='/etc/passwd'>"}},
    {"empty ordered_value_dict", R"({"ordered_value_dict": {}})", {"hidden"}, {"hidden"}},
    {"ordered_value_dict that is not an object", R"({"ordered_value_dict": [1, 2, 3]})", {"hidden"}, {"hidden"}},
    {"entry that is not an object", R"([{"ordered_value_dict": {}}])", {"hidden"}, {"hidden"}},
};

TEST(PanelRows, BoxPanelShowsRowsInOrderAndFramePanelWithTitles)
{
    for (const PanelCase& c : kPanelCases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<QWidget> host(NewHost(800, 600, Qt::black));
        auto* panel = new FrResultUiItem(host.get());
        auto* framePanel = new FrameResultUiItem(host.get());
        panel->show();
        framePanel->show();
        panel->SetValues(ParseEntry(c.entry));
        framePanel->SetValues(ParseEntry(c.entry));
        Settle();
        // Without value items either panel hides.
        EXPECT_EQ(Seen(panel), c.boxRows);
        EXPECT_EQ(Seen(framePanel), c.frameRows);
    }
}

TEST(BoxPanel, IsTwentyPixelsLargerThanItsRowsWhichAreReusedAndFontsAreClamped)
{
    std::unique_ptr<QWidget> host(NewHost(800, 600, Qt::black));
    auto* panel = new FrResultUiItem(host.get());
    panel->show();
    const int defaultSize = panel->font().pointSize();
    const auto fontSizes = [panel] {
        std::vector<int> sizes;
        for (QLabel* row : Rows(panel))
            sizes.push_back(row->font().pointSize());
        return sizes;
    };
    panel->SetValues(ParseEntry(R"({"ordered_value_dict": {
        "a": {"order": 1, "value": "a much longer second row", "show_on_panel": true, "font_size": 18},
        "b": {"order": 0, "value": "short", "show_on_panel": true, "font_size": 30},
        "c": {"order": 2, "value": "hidden"}}})"));
    std::vector<QLabel*> rows = Rows(panel);
    ASSERT_EQ(fontSizes(), (std::vector<int>{30, 18, defaultSize}));
    const int maxWidth = std::max(rows[0]->sizeHint().width(), rows[1]->sizeHint().width());
    const int totalHeight = rows[0]->sizeHint().height() + rows[1]->sizeHint().height();
    EXPECT_EQ(panel->geometry(), QRect(0, 0, maxWidth + 20, totalHeight + 20));

    // Fewer rows next time: the same labels, the surplus hidden.
    panel->SetValues(ParseEntry(R"({"ordered_value_dict": {"a": {"order": 0, "value": "only", "show_on_panel": true}}})"));
    EXPECT_EQ(Rows(panel), rows);
    EXPECT_EQ(Seen(panel), std::vector<QString>{"only"});
    // Every row hidden: the margins alone.
    panel->SetValues(ParseEntry(R"({"ordered_value_dict": {"a": {"order": 0, "value": "x"}}})"));
    EXPECT_EQ(panel->geometry(), QRect(0, 0, 20, 20));

    // Font sizes are clamped; a missing one is the panel's own, not the size
    // of the row before.
    Json::Value entry = ParseEntry(R"({"ordered_value_dict": {
        "a": {"order": 1, "value": "huge", "show_on_panel": true, "font_size": 1e12},
        "b": {"order": 2, "value": "tiny", "show_on_panel": true, "font_size": -40},
        "c": {"order": 3, "value": "none", "show_on_panel": true, "font_size": 30},
        "d": {"order": 4, "value": "nan", "show_on_panel": true},
        "e": {"value": "inf", "show_on_panel": true}}})");
    entry["ordered_value_dict"]["c"].removeMember("font_size");
    entry["ordered_value_dict"]["d"]["font_size"] = std::nan("");
    entry["ordered_value_dict"]["e"]["font_size"] = std::numeric_limits<double>::infinity();
    entry["ordered_value_dict"]["e"]["order"] = -std::numeric_limits<double>::infinity();
    panel->SetValues(entry);
    EXPECT_EQ(fontSizes(), (std::vector<int>{defaultSize, 200, 1, defaultSize, defaultSize}));
    // An infinite order counts as missing, which is row 0.
    EXPECT_EQ(Seen(panel), (std::vector<QString>{"inf", "huge", "tiny", "none", "nan"}));
}

TEST(PanelLimits, HundredThousandRowsMakeAtMostSixtyFourAndLongTextIsCut)
{
    Json::Value entry;
    Json::Value& items = entry["ordered_value_dict"];
    for (int i = 0; i < 100000; ++i) {
        Json::Value item;
        item["order"] = i;
        item["value"] = i == 63 ? std::string(1 << 20, 'w') : "v" + std::to_string(i);
        item["show_on_panel"] = true;
        items["k" + std::to_string(1000000 + i)] = item;
    }
    std::unique_ptr<QWidget> host(NewHost(800, 600, Qt::black));
    auto* boxPanel = new FrResultUiItem(host.get());
    auto* framePanel = new FrameResultUiItem(host.get());
    boxPanel->SetValues(entry);
    framePanel->SetValues(entry);
    boxPanel->show();
    const std::vector<QString> shown = Seen(boxPanel);
    EXPECT_EQ(std::make_tuple(Rows(boxPanel).size(), Rows(framePanel).size(), shown.size()),
              std::make_tuple(64u, 64u, 64u));
    EXPECT_EQ(shown.front(), QStringLiteral("v0"));
    EXPECT_EQ(shown.back(), QString(4096, QLatin1Char('w')));
}

TEST(PanelStyle, EntryStyleOrTheDefaultPaintsTheBackground)
{
    std::unique_ptr<QWidget> host(NewHost(400, 300, Qt::black));
    auto* panel = new FrResultUiItem(host.get());
    panel->SetValues(ParseEntry(R"({"ordered_value_dict": {"a": {"order": 0, "value": "x", "show_on_panel": true}}})"));
    panel->move(100, 100);
    panel->show();
    const struct {
        const char* style;
        QColor colour;  // over black, inside the right edge
    } cases[] = {
        {R"("background-color: rgb(0, 200, 0); border-radius: 2px;")", QColor(0, 200, 0)},
        {"5", QColor(24, 77, 110)},  // not text: the default, 70 % of (34, 110, 158)
    };
    for (const auto& c : cases) {
        panel->SetPanelStyle(ParseEntry(std::string(R"({"qt_panel_style_sheet": )") + c.style + "}"));
        Settle();
        EXPECT_TRUE(ColourNear(GrabPixel(host.get(), 100 + panel->width() - 4, 100 + panel->height() / 2), c.colour))
            << c.style;
        EXPECT_TRUE(ColourNear(GrabPixel(host.get(), 90, 100 + panel->height() / 2), Qt::black));
    }
}

const QColor kBackground(0, 0, 255);
const QColor kPicture(255, 0, 0);

std::string PictureEntry(int width, int height)
{
    return "{\"image_base64_str\": \"" + PngBase64(width, height, kPicture) + "\"}";
}

TEST(Overlay, ShowsThePictureAsAskedOverTheVideoAndHidesWithoutOne)
{
    std::unique_ptr<QWidget> host(NewHost(320, 180, kBackground));
    auto* overlay = new CoveredFrameUiItem(host.get());
    overlay->resize(320, 180);
    const auto pixel = [&host](int x, int y) {
        Settle();
        return GrabPixel(host.get(), x, y);
    };
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
        EXPECT_TRUE(ColourNear(pixel(160, 90), c.centre, 3));
        EXPECT_TRUE(ColourNear(pixel(2, 2), c.corner, 3));
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
    // Shown (its colour is seen below), fitted into the picture area, aspect kept.
    const QSize area = FrameResultUiItem::PictureArea();
    EXPECT_EQ(picture->pixmap(Qt::ReturnByValue).size(), QSize(area.width(), area.width() / 2));
    EXPECT_TRUE(panel->rect().contains(picture->geometry()));

    const QPoint pictureCentre = picture->geometry().center();
    EXPECT_TRUE(ColourNear(GrabPixel(panel, pictureCentre.x(), pictureCentre.y()), kPicture, 3));
    for (QLabel* row : Rows(panel))
        EXPECT_GT(row->x(), picture->geometry().right()) << row->text().toStdString();

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
