// The value panels: rows in "order", their text, fonts and the panel's size,
// and hostile entries that must neither crash nor grow without bound.
#include "UiTestSupport.h"

#include "ui/FrResultUiItem.h"
#include "ui/FrameResultUiItem.h"

#include <QLabel>

#include <cmath>
#include <limits>
#include <memory>

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

std::vector<QString> ShownTexts(QWidget* panel)
{
    std::vector<QString> texts;
    for (QLabel* row : Rows(panel))
        if (!row->isHidden())
            texts.push_back(row->text());
    return texts;
}

struct PanelCase {
    const char* name;
    const char* entry;
    std::vector<QString> boxRows;    // shown rows of the box panel, top to bottom
    std::vector<QString> frameRows;  // the same entry in the frame panel
};

const PanelCase kPanelCases[] = {
    {"order decides the rows",
     R"({"ordered_value_dict": {"a": {"order": 1, "value": "x", "show_on_panel": true},
                                "b": {"order": 0, "value": "y", "show_on_panel": true}}})",
     {"y", "x"},
     {": y", ": x"}},
    {"title only when the box item asks; always in the frame panel",
     R"({"ordered_value_dict": {"age": {"order": 0, "title": "Age", "value": "35", "show_on_panel": true,
                                        "show_title": true},
                                "sex": {"order": 1, "title": "Gender", "value": "F", "show_on_panel": true}}})",
     {"Age: 35", "F"},
     {"Age: 35", "Gender: F"}},
    {"missing show_on_panel hides the row",
     R"({"ordered_value_dict": {"a": {"order": 0, "value": "seen", "show_on_panel": true},
                                "b": {"order": 1, "value": "hidden"}}})",
     {"seen"},
     {": seen"}},
    {"order out of range is ignored",
     R"({"ordered_value_dict": {"a": {"order": 5, "value": "far", "show_on_panel": true},
                                "b": {"order": -1, "value": "neg", "show_on_panel": true},
                                "c": {"order": 1, "value": "ok", "show_on_panel": true}}})",
     {"ok"},
     {": ok"}},
    {"duplicate order: the later name wins",
     R"({"ordered_value_dict": {"a": {"order": 0, "value": "first", "show_on_panel": true},
                                "b": {"order": 0, "value": "second", "show_on_panel": true}}})",
     {"second"},
     {": second"}},
    {"fields of the wrong type count as missing",
     R"({"ordered_value_dict": {"a": {"order": "1", "value": {"x": 1}, "title": [1], "show_on_panel": true,
                                      "show_title": "yes", "font_size": "big", "alignment": "left"},
                                "b": {"order": 1.9, "value": 42, "show_on_panel": 1},
                                "c": 17}})",
     {"", "42"},
     {": ", ": 42"}},
    {"numbers are shown as written",
     R"({"ordered_value_dict": {"a": {"order": 0, "value": 0.99, "show_on_panel": true},
                                "b": {"order": 1, "value": true, "show_on_panel": true}}})",
     {"0.99", "true"},
     {": 0.99", ": true"}},
    {"markup is shown as text",
     R"({"ordered_value_dict": {"a": {"order": 0, "value": "<b>bold</b><img src='/etc/passwd'>",
                                      "show_on_panel": true}}})",
     {"<b>bold</b><img src='/etc/passwd'>"},
     {": <b>bold</b><img src='/etc/passwd'>"}},
    {"empty ordered_value_dict", R"({"ordered_value_dict": {}})", {}, {}},
    {"ordered_value_dict that is not an object", R"({"ordered_value_dict": [1, 2, 3]})", {}, {}},
    {"entry that is not an object", R"([{"ordered_value_dict": {}}])", {}, {}},
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
        EXPECT_EQ(ShownTexts(panel), c.boxRows);
        EXPECT_EQ(ShownTexts(framePanel), c.frameRows);
        // Without value items either panel hides.
        EXPECT_EQ(panel->isHidden(), c.boxRows.empty());
        EXPECT_EQ(framePanel->isHidden(), c.frameRows.empty());

        // Top to bottom on the screen as in the list.
        int lastY = -1;
        for (QLabel* row : Rows(panel)) {
            if (row->isHidden())
                continue;
            EXPECT_GT(row->y(), lastY) << row->text().toStdString();
            lastY = row->y();
        }
    }
}

TEST(BoxPanel, IsTwentyPixelsLargerThanItsRowsWhichAreReusedAndFontsAreClamped)
{
    std::unique_ptr<QWidget> host(NewHost(800, 600, Qt::black));
    auto* panel = new FrResultUiItem(host.get());
    panel->SetValues(ParseEntry(R"({"ordered_value_dict": {
        "a": {"order": 1, "value": "a much longer second row", "show_on_panel": true, "font_size": 18},
        "b": {"order": 0, "value": "short", "show_on_panel": true, "font_size": 30},
        "c": {"order": 2, "value": "hidden"}}})"));
    std::vector<QLabel*> rows = Rows(panel);
    ASSERT_EQ(rows.size(), 3u);
    const int maxWidth = std::max(rows[0]->sizeHint().width(), rows[1]->sizeHint().width());
    const int totalHeight = rows[0]->sizeHint().height() + rows[1]->sizeHint().height();
    EXPECT_EQ(panel->geometry(), QRect(0, 0, maxWidth + 20, totalHeight + 20));
    EXPECT_EQ(rows[0]->font().pointSize(), 30);
    EXPECT_EQ(rows[1]->font().pointSize(), 18);

    // Fewer rows next time: the same labels, the surplus hidden.
    panel->SetValues(ParseEntry(R"({"ordered_value_dict": {"a": {"order": 0, "value": "only", "show_on_panel": true}}})"));
    EXPECT_EQ(Rows(panel), rows);
    EXPECT_EQ(ShownTexts(panel), std::vector<QString>{"only"});
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
    rows = Rows(panel);
    ASSERT_EQ(rows.size(), 5u);
    const int defaultSize = panel->font().pointSize();
    EXPECT_EQ(rows[1]->font().pointSize(), 200);
    EXPECT_EQ(rows[2]->font().pointSize(), 1);
    EXPECT_EQ(rows[3]->font().pointSize(), defaultSize);
    EXPECT_EQ(rows[4]->font().pointSize(), defaultSize);
    // An infinite order counts as missing, which is row 0.
    EXPECT_EQ(rows[0]->text(), QStringLiteral("inf"));
    EXPECT_EQ(rows[0]->font().pointSize(), defaultSize);
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
    EXPECT_EQ(Rows(boxPanel).size(), 64u);
    EXPECT_EQ(Rows(framePanel).size(), 64u);
    const std::vector<QString> shown = ShownTexts(boxPanel);
    ASSERT_EQ(shown.size(), 64u);
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

}  // namespace
