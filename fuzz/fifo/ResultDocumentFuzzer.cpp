// Any bytes as a detector's answer text: parsed, then split into the two
// result lists. Must never crash, hang or lose an entry's index.

#include "FuzzCheck.h"
#include "fifo/ResultDocument.h"

#include <cstdio>
#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Parse errors are reported on standard output; at fuzzing speed that is noise.
    if (std::freopen("/dev/null", "w", stdout) == nullptr)
        return 0;
    return 0;
}

namespace {

void CheckGroup(const Json::Value& document, const char* key, int result, const std::vector<Json::Value>& list)
{
    const bool readable =
        document.isNull() || (document.isObject() && (document[key].isNull() || document[key].isObject()));
    Check(readable == (result == 0));
    const std::size_t expected = (document.isObject() && document[key].isObject()) ? document[key].size() : 0;
    Check(list.size() == expected);
    for (const Json::Value& entry : list)
        Check(entry.isObject());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const Json::Value document = ParseAnswerText(text);
    std::vector<Json::Value> boxes;
    std::vector<Json::Value> frames;
    const int bbox = ParseResultGroup(document, "bounding_box_info", boxes);
    const int frame = ParseResultGroup(document, "frame_info", frames);
    CheckGroup(document, "bounding_box_info", bbox, boxes);
    CheckGroup(document, "frame_info", frame, frames);
    Check(ParseResultDocument(document, boxes, frames) == bbox + frame);
    return 0;
}
