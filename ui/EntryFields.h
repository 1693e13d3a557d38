#pragma once
// Type-checked reads of result-entry fields. A detector may send any JSON, so
// every read checks the type before jsoncpp's as*() (which throws on a
// mismatch); a field of the wrong type counts as missing and is reported
// with one debug line.

#include <json/value.h>

#include <QString>

#include <optional>

namespace vireo_ui {

// The member `key` of `object` when `object` is a JSON object holding a
// non-null member of that name; nullptr otherwise (no message: missing is
// allowed everywhere).
const Json::Value* Member(const Json::Value& object, const char* key);

// Like Member, but the member must itself be an object; one that is not is
// reported and treated as missing.
const Json::Value* ObjectMember(const Json::Value& object, const char* key);

// A finite number. Strings, objects, NaN and infinities are reported and
// give nothing.
std::optional<double> NumberField(const Json::Value& object, const char* key);

// A number, truncated towards zero and clamped to [lo, hi] before it becomes
// an int, so no value from outside can overflow the conversion.
std::optional<int> IntField(const Json::Value& object, const char* key, int lo, int hi);

// A boolean (true/false, or an integer: non-zero is true).
std::optional<bool> BoolField(const Json::Value& object, const char* key);

// Text: a string as UTF-8, or a number or boolean in jsoncpp's spelling.
// Objects and arrays are reported and give nothing. Longer strings are cut to
// `maxBytes`, so one hostile row cannot stall the text layout.
std::optional<QString> TextField(const Json::Value& object, const char* key, int maxBytes = 4096);

}  // namespace vireo_ui
