#include "DeviceEntries.h"
#include "EntryMapping.h"
#include "LabelTable.h"

#include "settings/JsonText.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

namespace {

QRect BoxOf(const Json::Value& entry)
{
    if (!entry.isMember("bbox"))
        return {};
    const Json::Value& b = entry["bbox"];
    return QRect(b["x"].asInt(), b["y"].asInt(), b["width"].asInt(), b["height"].asInt());
}

// An 853x480 frame sent, its 1280x720 picture shown in a window of `window`.
PictureGeometry Sent853Shown(QSize window)
{
    return FitPicture(QSize(853, 480), QSize(1280, 720).scaled(window, Qt::KeepAspectRatio), window);
}

TEST(DetectorBoxMapping, LandsOnThePicture)
{
    const struct {
        const char* name;
        const char* bbox;
        QSize window;
        QRect expected;  // empty: no box shown
    } cases[] = {
        {"full window", R"({"x": 100, "y": 50, "width": 40, "height": 30})", {1280, 720}, {135, 60, 90, 75}},
        {"fractions truncated", R"({"x": 100.9, "y": 50.2, "width": 40.7, "height": 30.1})", {1280, 720},
         {135, 60, 90, 75}},
        {"letterboxed", R"({"x": 100, "y": 50, "width": 40, "height": 30})", {1280, 1000}, {135, 200, 90, 75}},
        {"clipped at the right", R"({"x": 840, "y": 50, "width": 40, "height": 30})", {1280, 720}, {1245, 60, 35, 75}},
        {"clipped at the top-left", R"({"x": 0, "y": 0, "width": 40, "height": 30})", {1280, 720}, {0, 0, 75, 60}},
        {"outside the picture", R"({"x": 5000, "y": 50, "width": 40, "height": 30})", {1280, 720}, {}},
        {"negative size", R"({"x": 100, "y": 50, "width": -40, "height": 30})", {1280, 720}, {}},
        {"text for a number", R"({"x": "100", "y": 50, "width": 40, "height": 30})", {1280, 720}, {}},
        {"huge number", R"({"x": 1e300, "y": 50, "width": 40, "height": 30})", {1280, 720}, {}},
        {"missing height", R"({"x": 100, "y": 50, "width": 40})", {1280, 720}, {}},
        {"not an object", R"([100, 50, 40, 30])", {1280, 720}, {}},
    };
    for (const auto& c : cases) {
        std::vector<Json::Value> entries{ParseJson(std::string(R"({"bbox": )") + c.bbox + "}")};
        MapEntriesToDisplay(entries, Sent853Shown(c.window));
        EXPECT_EQ(BoxOf(entries[0]), c.expected) << c.name;
    }
}

TEST(DetectorMarks, AreScaledIntoThePictureWithoutMarginOrOffset)
{
    std::vector<Json::Value> entries{ParseJson(R"({"draw_dict": {
        "point": {"p": {"x": 100, "y": 50}, "bad": {"x": "left", "y": 1}},
        "line": {"l": {"point_1_x": 0, "point_1_y": 0, "point_2_x": 426, "point_2_y": 480}}}})")};
    MapEntriesToDisplay(entries, Sent853Shown({1280, 1000}));
    EXPECT_EQ(entries[0]["draw_dict"].toStyledString(), ParseJson(R"({"point": {"p": {"x": 150, "y": 75}},
        "line": {"l": {"point_1_x": 0, "point_1_y": 0, "point_2_x": 639, "point_2_y": 720}}})").toStyledString());

    // Without a frame size nothing is mapped.
    entries = {ParseJson(R"({"bbox": {"x": 1, "y": 1, "width": 4, "height": 4}})"), ParseJson(R"([1, 2])"), ParseJson("null")};
    MapEntriesToDisplay(entries, FitPicture(QSize(0, 0), QSize(1280, 720), QSize(1280, 720)));
    EXPECT_FALSE(entries[0].isMember("bbox"));
}

TEST(DeviceBoxMapping, KeepsTheMarginInsideTheDongleImage)
{
    const PictureGeometry shown = FitPicture(QSize(1280, 720), QSize(640, 360), QSize(640, 480));
    const struct {
        FdFrResult r;
        QRect expected;
    } cases[] = {
        {{100, 100, 50, 40}, {45, 105, 35, 30}},
        {{0, 0, 50, 40}, {0, 60, 35, 30}},
        {{1270, 700, 50, 40}, {630, 405, 10, 15}},
        {{100, 100, 0, 40}, {}},
        {{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {0, 60, 640, 360}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MapDeviceBox(c.r, shown), c.expected) << c.r.X << "," << c.r.Y;
}

FdFrResult Result(int classId, int age = 0, int male = 0)
{
    return FdFrResult{100, 100, 80, 80, classId, age, male, !male};
}

std::string Row(const Json::Value& entry, const char* key)
{
    return entry["ordered_value_dict"][key]["value"].asString();
}

TEST(DeviceEntries, EachModelShowsItsOwnPanel)
{
    const PictureGeometry shown = FitPicture(QSize(1280, 720), QSize(1280, 720), QSize(1280, 720));
    const ClassTable names{{2, "apple"}};

    EXPECT_FALSE(BuildDeviceEntries(0, {Result(1)}, shown, names).boxes[0].isMember("ordered_value_dict"));

    const Json::Value woman = BuildDeviceEntries(1, {Result(-1, 30, 0)}, shown, names).boxes[0];
    EXPECT_EQ(Row(woman, "gender"), "   Female   ");
    EXPECT_EQ(Row(woman, "age"), "30");
    EXPECT_EQ(woman["ordered_value_dict"]["age"]["order"].asInt(), 1);
    EXPECT_NE(woman["qt_panel_style_sheet"].asString().find("180,79,82"), std::string::npos);

    EXPECT_EQ(Row(BuildDeviceEntries(2, {Result(15)}, shown, names).boxes[0], "object_name"), "    Cat    ");

    const DeviceEntries masks = BuildDeviceEntries(3, {Result(1), Result(-1)}, shown, names);
    EXPECT_EQ(Row(masks.boxes[0], "is_mask"), "    Mask    ");
    EXPECT_EQ(Row(masks.boxes[1], "is_mask"), "   No Mask   ");

    const DeviceEntries classes = BuildDeviceEntries(4, {Result(2), Result(7), Result(-1)}, shown, names);
    ASSERT_EQ(classes.frames.size(), 3u);
    EXPECT_TRUE(classes.boxes.empty());
    EXPECT_EQ(Row(classes.frames[0], "class"), "  apple");
    EXPECT_EQ(Row(classes.frames[1], "class"), "  7");
    EXPECT_EQ(Row(classes.frames[2], "class"), "  -1");
    EXPECT_EQ(classes.frames[0]["ordered_value_dict"]["class"]["font_size"].asInt(), 50);

    FdFrResult empty = Result(1);
    empty.Width = 0;
    EXPECT_TRUE(BuildDeviceEntries(3, {empty}, shown, names).boxes.empty());
}

TEST(LabelFile, GivesTheClassTableOrARefusalWithAReason)
{
    const struct {
        const char* name;
        std::string text;
        ClassTable expected;
    } cases[] = {
        {"plain", "0 person\n1 traffic light\n", {{0, "person"}, {1, "traffic light"}}},
        {"inner blanks kept, trailing dropped", "12  big   dog  ", {{12, " big   dog"}}},
        {"empty first part is id 0", " 5 cat", {{0, "5 cat"}}},
        {"comments and single parts skipped", "# classes\n7\n3 ok", {{3, "ok"}}},
        {"later line wins", "1 a\n1 b", {{1, "b"}}},
        {"windows line ends and BOM", "\xEF\xBB\xBF" "0 person\r\n1 car\r\n", {{0, "person"}, {1, "car"}}},
        {"utf-8 names", "0 \xE8\xBB\x8A", {{0, "\xE8\xBB\x8A"}}},
        {"empty file", "", {}},
    };
    TempDir dir;
    for (const auto& c : cases) {
        WriteText(dir.File("labels.txt"), c.text);
        QString error;
        const std::optional<ClassTable> table = LoadLabelTable(dir.File("labels.txt"), error);
        ASSERT_TRUE(table.has_value()) << c.name << ": " << error.toStdString();
        EXPECT_EQ(*table, c.expected) << c.name;
    }

    // Unusable files are refused with a reason.
    std::filesystem::create_directory(dir.File("adir"));
    WriteText(dir.File("latin1.txt"), "0 caf\xE9\n");
    WriteText(dir.File("huge.txt"), "0 " + std::string(10 << 20, 'x'));
    WriteText(dir.File("range.txt"), "0 a\n99999999999 b\n");
    WriteText(dir.File("names.txt"), "person\ncar\n");
    for (const char* name : {"missing.txt", "adir", "latin1.txt", "huge.txt", "range.txt", "names.txt"}) {
        QString error;
        EXPECT_TRUE(!LoadLabelTable(dir.File(name), error).has_value() && !error.isEmpty()) << name;
    }
}

}  // namespace
