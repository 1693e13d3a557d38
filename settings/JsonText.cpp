#include "settings/JsonText.h"

#include <json/reader.h>

#include <iostream>
#include <memory>

Json::Value ParseJson(const std::string& text)
{
    Json::Value value;
    if (text.empty())
        return value;

    Json::CharReaderBuilder builder;
    builder["collectComments"] = false;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    if (!reader->parse(text.data(), text.data() + text.size(), &value, &errors))
        std::cout << "Json parse error: " << errors << std::endl;
    return value;
}
