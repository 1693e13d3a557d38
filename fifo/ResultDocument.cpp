#include "fifo/ResultDocument.h"

#include "ConsoleLine.h"
#include "settings/JsonText.h"

#include <algorithm>

namespace {

const char* TypeName(const Json::Value& value)
{
    switch (value.type()) {
    case Json::nullValue:
        return "null";
    case Json::intValue:
    case Json::uintValue:
    case Json::realValue:
        return "a number";
    case Json::stringValue:
        return "a string";
    case Json::booleanValue:
        return "a boolean";
    case Json::arrayValue:
        return "an array";
    case Json::objectValue:
        return "an object";
    }
    return "of an unknown type";
}

}  // namespace

Json::Value ParseAnswerText(const std::string& text)
{
    Json::Value value;
    if (text.empty())
        return value;
    std::string errors;
    if (ParseJsonText(text.data(), text.data() + text.size(), value, errors))
        return value;
    PrintLine("Json parse error: " + errors);
    return Json::Value();
}

int ParseResultGroup(const Json::Value& response, const std::string& key, std::vector<Json::Value>& list)
{
    list.clear();
    if (response.isNull())
        return 0;
    if (!response.isObject()) {
        PrintLine(std::string("Detector answer is ") + TypeName(response) + ", not an object; \"" + key +
                  "\" ignored");
        return -1;
    }
    const Json::Value* group = response.find(key.data(), key.data() + key.size());
    if (group == nullptr || group->isNull())
        return 0;
    if (!group->isObject()) {
        PrintLine("Detector answer's \"" + key + "\" is " + TypeName(*group) + ", not an object; ignored");
        return -1;
    }

    // std::string compares as unsigned bytes, whatever the library's own order.
    std::vector<std::string> names = group->getMemberNames();
    std::sort(names.begin(), names.end());
    list.reserve(names.size());
    for (const std::string& name : names) {
        const Json::Value* entry = group->find(name.data(), name.data() + name.size());
        if (entry != nullptr && entry->isObject())
            list.push_back(*entry);
        else
            list.emplace_back(Json::objectValue);  // keeps the index of the entries after it
    }
    return 0;
}

int ParseResultDocument(const Json::Value& response, std::vector<Json::Value>& bboxResults,
                        std::vector<Json::Value>& frameResults)
{
    const int bbox = ParseResultGroup(response, "bounding_box_info", bboxResults);
    const int frame = ParseResultGroup(response, "frame_info", frameResults);
    return bbox + frame;
}
