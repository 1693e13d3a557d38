#include "RequestPicture.h"

#include "settings/JsonText.h"

#include <cstring>
#include <utility>

namespace {

constexpr std::string_view kKey = "\"image_base64_str\"";

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Where the member's string value lies in `request`, when the key appears
// once (a second time it could sit inside another string) and the value
// holds no escapes; npos otherwise.
std::pair<std::size_t, std::size_t> PlainValue(const std::string& request)
{
    constexpr auto none = std::make_pair(std::string::npos, std::string::npos);
    const std::size_t key = request.find(kKey);
    if (key == std::string::npos || request.find(kKey, key + 1) != std::string::npos)
        return none;
    std::size_t at = key + kKey.size();
    while (at < request.size() && IsSpace(request[at]))
        ++at;
    if (at >= request.size() || request[at] != ':')
        return none;
    for (++at; at < request.size() && IsSpace(request[at]);)
        ++at;
    if (at >= request.size() || request[at] != '"')
        return none;
    const std::size_t begin = at + 1;
    const std::size_t end = request.find('"', begin);
    if (end == std::string::npos || std::memchr(request.data() + begin, '\\', end - begin) != nullptr)
        return none;
    return {begin, end};
}

}  // namespace

bool RequestPicture(const std::string& request, std::string_view& base64, std::string& storage, std::string& errors)
{
    Json::Value document;
    const auto [begin, end] = PlainValue(request);
    if (begin != std::string::npos) {
        // The document with an empty picture: the same document in every other respect.
        std::string rest = request.substr(0, begin);
        rest.append(request, end, std::string::npos);
        if (ParseJsonText(rest.data(), rest.data() + rest.size(), document, errors) && document.isObject() &&
            document["image_base64_str"].isString() && document["image_base64_str"].asString().empty()) {
            base64 = std::string_view(request).substr(begin, end - begin);
            return true;
        }
    }
    document = Json::Value();
    if (!ParseJsonText(request.data(), request.data() + request.size(), document, errors) || !document.isObject() ||
        !document["image_base64_str"].isString())
        return false;
    storage = document["image_base64_str"].asString();
    base64 = storage;
    return true;
}
