#include "RequestPicture.h"

#include "settings/JsonText.h"

#include <utility>

namespace {

constexpr std::string_view kKey = "\"image_base64_str\"";

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Where the member's string value lies in `request`, when the key appears
// once (a second time it could sit inside another string) and the value
// holds no escapes but the \r and \n of its line breaks; npos otherwise.
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
    if (end == std::string::npos)
        return none;
    for (std::size_t slash = request.find('\\', begin); slash < end; slash = request.find('\\', slash + 2)) {
        if (request[slash + 1] != 'r' && request[slash + 1] != 'n')
            return none;
    }
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
            if (base64.find('\\') == std::string_view::npos)
                return true;
            // Line breaks are written as \r\n: the text without them.
            storage.clear();
            storage.reserve(base64.size());
            for (std::size_t at = 0; at < base64.size(); ++at) {
                if (base64[at] == '\\')
                    ++at;
                else
                    storage += base64[at];
            }
            base64 = storage;
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
