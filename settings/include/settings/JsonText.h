#pragma once
// Parsing of JSON texts that come from outside the program (settings files, detector answers).

#include <json/value.h>

#include <string>

// Parses `text` with comments not collected. An empty text gives null without
// parsing; a text that does not parse prints "Json parse error: " and the
// reader's message on standard output and gives what the reader produced
// (null for anything but a partly read document). Never throws.
Json::Value ParseJson(const std::string& text);
