#include "settings/JsonText.h"

#include <json/reader.h>

#include <exception>
#include <iostream>
#include <memory>

bool ParseJsonText(const char* begin, const char* end, Json::Value& value, std::string& errors, bool keepComments)
{
    Json::CharReaderBuilder builder;
    builder["collectComments"] = keepComments;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    try {
        return reader->parse(begin, end, &value, &errors);
    } catch (const std::exception& error) {
        errors = error.what();
        return false;
    }
}

Json::Value ParseJson(const std::string& text)
{
    Json::Value value;
    if (text.empty())
        return value;
    std::string errors;
    if (!ParseJsonText(text.data(), text.data() + text.size(), value, errors))
        std::cout << "Json parse error: " << errors << std::endl;
    return value;
}
