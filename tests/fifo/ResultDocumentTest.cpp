#include "fifo/ResultDocument.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The "id" of each entry, or "{}" for an entry without one.
std::vector<std::string> Ids(const std::vector<Json::Value>& list)
{
    std::vector<std::string> ids;
    for (const Json::Value& entry : list)
        ids.push_back(entry.isMember("id") ? entry["id"].asString() : "{}");
    return ids;
}

struct Parsed {
    int result;
    std::vector<std::string> boxes;
    std::vector<std::string> frames;
    std::string printed;
};

Parsed Parse(const std::string& text)
{
    testing::internal::CaptureStdout();
    std::vector<Json::Value> boxes{Json::Value("left from the last frame")};
    std::vector<Json::Value> frames{Json::Value("left from the last frame")};
    const int result = ParseResultDocument(ParseAnswerText(text), boxes, frames);
    return {result, Ids(boxes), Ids(frames), testing::internal::GetCapturedStdout()};
}

using Ids_ = std::vector<std::string>;

}  // namespace

TEST(ResultDocument, GroupsSplitIntoListsInByteOrderOfNames)
{
    struct Case {
        const char* what;
        std::string text;
        int result;
        Ids_ boxes;
        Ids_ frames;
    };
    const Case cases[] = {
        {"byte order, not document order",
         R"({"bounding_box_info": {"b": {"id": "E1"}, "a": {"id": "E2"}, "A": {"id": "E3"}}})", 0,
         {"E3", "E2", "E1"}, {}},
        {"a prefix before its extensions", R"({"frame_info": {"ab": {"id": "2"}, "a": {"id": "1"}, "b": {"id": "3"}}})",
         0, {}, {"1", "2", "3"}},
        {"bytes above 127 after ASCII", "{\"bounding_box_info\": {\"\xc3\xa9\": {\"id\": \"e\"}, \"z\": {\"id\": \"z\"}}}",
         0, {"z", "e"}, {}},
        {"empty frame group", R"({"frame_info": {}})", 0, {}, {}},
        {"both groups missing", R"({"other": 1})", 0, {}, {}},
        {"null groups", R"({"bounding_box_info": null, "frame_info": null})", 0, {}, {}},
        {"entry without bbox keeps its index",
         R"({"bounding_box_info": {"a": {"ordered_value_dict": {}}, "b": {"id": "b"}}})", 0, {"{}", "b"}, {}},
        {"non-object entries keep their index as empty entries",
         R"({"bounding_box_info": {"a": 5, "b": {"id": "b"}, "c": [1], "d": null, "e": "x"}})", 0,
         {"{}", "b", "{}", "{}", "{}"}, {}},
        {"array group: -1, the other group still read",
         R"({"bounding_box_info": [{"id": "x"}], "frame_info": {"f": {"id": "f"}}})", -1, {}, {"f"}},
        {"both groups of the wrong type", R"({"bounding_box_info": 1, "frame_info": "x"})", -2, {}, {}},
        {"document is an array", R"([{"bounding_box_info": {}}])", -2, {}, {}},
        {"document is a number", "42", -2, {}, {}},
        {"document is a string", R"("bounding_box_info")", -2, {}, {}},
        {"document is null", "null", 0, {}, {}},
        {"empty text", "", 0, {}, {}},
        {"not JSON", "{\"bounding_box_info\": {\"a\": {\"id\": \"a\"}}, \"x\": ", 0, {}, {}},
        {"huge numbers pass", R"({"bounding_box_info": {"a": {"id": "a", "bbox": {"x": 1e308, "y": -1e308}}}})", 0,
         {"a"}, {}},
    };
    for (const Case& c : cases) {
        const Parsed parsed = Parse(c.text);
        EXPECT_EQ(parsed.result, c.result) << c.what;
        EXPECT_EQ(parsed.boxes, c.boxes) << c.what;
        EXPECT_EQ(parsed.frames, c.frames) << c.what;
    }
}

TEST(ResultDocument, FailuresAreReportedOnStandardOutput)
{
    struct Case {
        std::string text;
        std::string printed;
    };
    const Case cases[] = {
        {"{\"a\": ", "Json parse error: "},
        {R"({"bounding_box_info": [1]})", "\"bounding_box_info\" is an array, not an object"},
        {"[1]", "Detector answer is an array, not an object"},
        {R"({"frame_info": {}})", ""},
    };
    for (const Case& c : cases) {
        const std::string printed = Parse(c.text).printed;
        if (c.printed.empty())
            EXPECT_EQ(printed, "") << c.text;
        else
            EXPECT_NE(printed.find(c.printed), std::string::npos) << c.text << " printed: " << printed;
    }
}

TEST(ResultDocument, EntriesAreCopiedWhole)
{
    const std::string text = R"({"bounding_box_info": {"face": {
        "bbox": {"x": 10.9, "y": 20, "width": 30, "height": 40},
        "ordered_value_dict": {"age": {"order": 0, "title": "Age", "value": "35", "show_on_panel": true}},
        "qt_panel_style_sheet": "color: red;",
        "draw_dict": {"point": {"p": {"x": 1, "y": 2}}, "line": {}}}}})";
    const Json::Value document = ParseAnswerText(text);
    std::vector<Json::Value> boxes;
    ASSERT_EQ(ParseResultGroup(document, "bounding_box_info", boxes), 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], document["bounding_box_info"]["face"]);
}

TEST(ResultDocument, LargeAndDeepDocumentsNeitherCrashNorHang)
{
    std::string many = R"({"bounding_box_info": {)";
    for (int i = 0; i < 100000; ++i)
        many += (i == 0 ? "" : ",") + std::string("\"b") + std::to_string(i) + R"(": {"bbox": {"x": 1}})";
    many += "}}";
    const Parsed parsedMany = Parse(many);
    EXPECT_EQ(parsedMany.result, 0);
    EXPECT_EQ(parsedMany.boxes.size(), 100000u);

    // Deeper than the reader allows: refused as a parse error, not a stack overflow.
    const std::string deep = "{\"frame_info\": {\"f\": " + std::string(100000, '[') + std::string(100000, ']') + "}}";
    const Parsed parsedDeep = Parse(deep);
    EXPECT_EQ(parsedDeep.result, 0);
    EXPECT_TRUE(parsedDeep.frames.empty());
    EXPECT_NE(parsedDeep.printed.find("Json parse error"), std::string::npos);
}

TEST(ResultDocument, TextIsTakenAsBytesWithoutUtf8Checks)
{
    const Parsed parsed = Parse("{\"frame_info\": {\"f\": {\"id\": \"\xff\xfe bad \xc3\"}}}");
    EXPECT_EQ(parsed.result, 0);
    ASSERT_EQ(parsed.frames.size(), 1u);
    EXPECT_EQ(parsed.frames[0], "\xff\xfe bad \xc3");
}
