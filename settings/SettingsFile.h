#pragma once
// Reading and writing the settings file without ever losing the user's copy.

#include <json/value.h>

#include <string>

struct SettingsRead {
    Json::Value document;   // an object, or null when there was nothing usable
    bool mayWriteBack = true;  // false when writing would destroy the only copy
};

// A file that is not a JSON object is renamed to "<path>.bad" (or ".bad.N")
// before the defaults replace it; one that cannot be read or kept is left
// untouched and `mayWriteBack` is false. Every outcome but "found and
// parsed" is logged once.
SettingsRead ReadSettingsFile(const std::string& path);

// Writes to a temporary file beside `path` and renames it over `path`, so a
// crash or a full disk never leaves a truncated file; creates the folder
// when it is missing. Logs a failure.
bool WriteSettingsFile(const std::string& path, const Json::Value& document);
