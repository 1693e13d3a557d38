#include "fifo/ResultDocument.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Ids = std::vector<std::string>;

// The "id" of each entry, or "{}" for an entry without one.
Ids IdsOf(const std::vector<Json::Value>& list)
{
    Ids ids;
    for (const Json::Value& entry : list)
        ids.push_back(entry.isMember("id") ? entry["id"].asString() : "{}");
    return ids;
}

struct Parsed {
    int result;
    Ids boxes;
    Ids frames;
    std::string printed;
};

Parsed Parse(const std::string& text)
{
    testing::internal::CaptureStdout();
    std::vector<Json::Value> boxes{Json::Value("left from the last frame")};
    std::vector<Json::Value> frames{Json::Value("left from the last frame")};
    const int result = ParseResultDocument(ParseAnswerText(text), boxes, frames);
    return {result, IdsOf(boxes), IdsOf(frames), testing::internal::GetCapturedStdout()};
}

}  // namespace

TEST(ResultDocument, GroupsSplitIntoListsInByteOrderOfNames)
{
    struct Case {
        const char* what;
        std::string text;
        int result;
        Ids boxes;
        Ids frames;
        std::string printed;  // a part of what is printed; "": nothing
    };
    const Case cases[] = {
        {"byte order, not document order",
         R"({"bounding_box_info": {"b": {"id": "E1"}, "a": {"id": "E2"}, "A": {"id": "E3"}}})", 0,
         {"E3", "E2", "E1"}, {}, ""},
        {"a prefix before its extensions", R"({"frame_info": {"ab": {"id": "2"}, "a": {"id": "1"}, "b": {"id": "3"}}})",
         0, {}, {"1", "2", "3"}, ""},
        {"bytes above 127 after ASCII", "{\"bounding_box_info\": {\"\xc3\xa9\": {\"id\": \"e\"}, \"z\": {\"id\": \"z\"}}}",
         0, {"z", "e"}, {}, ""},
        {"text is taken as bytes without UTF-8 checks", "{\"frame_info\": {\"f\": {\"id\": \"\xff\xfe bad \xc3\"}}}", 0,
         {}, {"\xff\xfe bad \xc3"}, ""},
        {"empty frame group", R"({"frame_info": {}})", 0, {}, {}, ""},
        {"null or missing groups", R"({"bounding_box_info": null, "other": 1})", 0, {}, {}, ""},
        {"entry without bbox keeps its index",
         R"({"bounding_box_info": {"a": {"ordered_value_dict": {}}, "b": {"id": "b"}}})", 0, {"{}", "b"}, {}, ""},
        {"non-object entries keep their index as empty entries",
         R"({"bounding_box_info": {"a": 5, "b": {"id": "b"}, "c": [1], "d": null, "e": "x"}})", 0,
         {"{}", "b", "{}", "{}", "{}"}, {}, ""},
        {"array group: -1, the other group still read",
         R"({"bounding_box_info": [{"id": "x"}], "frame_info": {"f": {"id": "f"}}})", -1, {}, {"f"},
         "\"bounding_box_info\" is an array, not an object"},
        {"both groups of the wrong type", R"({"bounding_box_info": 1, "frame_info": "x"})", -2, {}, {},
         "\"frame_info\" is a string, not an object"},
        {"document is an array", R"([{"bounding_box_info": {}}])", -2, {}, {},
         "Detector answer is an array, not an object"},
        {"document is null", "null", 0, {}, {}, ""},
        {"empty text", "", 0, {}, {}, ""},
        {"not JSON", "{\"bounding_box_info\": {\"a\": {\"id\": \"a\"}}, \"x\": ", 0, {}, {}, "Json parse error: "},
        {"huge numbers pass", R"({"bounding_box_info": {"a": {"id": "a", "bbox": {"x": 1e308, "y": -1e308}}}})", 0,
         {"a"}, {}, ""},
    };
    for (const Case& c : cases) {
        const Parsed parsed = Parse(c.text);
        EXPECT_EQ(parsed.result, c.result) << c.what;
        EXPECT_EQ(parsed.boxes, c.boxes) << c.what;
        EXPECT_EQ(parsed.frames, c.frames) << c.what;
        if (c.printed.empty())
            EXPECT_EQ(parsed.printed, "") << c.what;
        else
            EXPECT_NE(parsed.printed.find(c.printed), std::string::npos) << c.what << " printed: " << parsed.printed;
    }
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
    const Parsed parsedDeep =
        Parse("{\"frame_info\": {\"f\": " + std::string(100000, '[') + std::string(100000, ']') + "}}");
    EXPECT_EQ(parsedDeep.result, 0);
    EXPECT_TRUE(parsedDeep.frames.empty());
    EXPECT_NE(parsedDeep.printed.find("Json parse error"), std::string::npos);
}
