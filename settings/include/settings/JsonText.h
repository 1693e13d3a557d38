#pragma once
// Parsing of JSON texts that come from outside the program (settings files, detector answers).

#include <json/value.h>

#include <string>

// Parses [begin, end) into `value`, comments allowed. On failure returns
// false with the reader's message in `errors`; a document nested deeper
// than the reader's limit is such a failure too (jsoncpp throws for it).
// `keepComments` keeps the comments with the values they belong to.
bool ParseJsonText(const char* begin, const char* end, Json::Value& value, std::string& errors,
                   bool keepComments = false);

// Parses `text`. An empty text gives null without parsing; a text that does
// not parse prints "Json parse error: " and the reader's message on standard
// output and gives what the reader produced (null for anything but a partly
// read document). Never throws.
Json::Value ParseJson(const std::string& text);
