#pragma once
// The detector's answer: a JSON document whose "bounding_box_info" and
// "frame_info" groups become two lists of entries for the window.

#include <json/value.h>

#include <string>
#include <vector>

// Parses an answer's text with comments not collected. A text that does not
// parse prints "Json parse error: " and the reader's message on standard
// output and gives null (never a half-read document). Never throws.
Json::Value ParseAnswerText(const std::string& text);

// Replaces `list` with the members of group `key` of `response`, taken in
// ascending byte-wise order of their names (a prefix before its extensions),
// which gives each entry its index. Returns 0 when the group was read or is
// absent or null (empty list), -1 with a line on standard output when the
// document or the group is not an object (empty list). An entry that is not
// an object keeps its index as an empty entry. Never throws.
int ParseResultGroup(const Json::Value& response, const std::string& key, std::vector<Json::Value>& list);

// Both groups: "bounding_box_info" into `bboxResults`, then "frame_info" into
// `frameResults`; the sum of the two results (0, -1 or -2).
int ParseResultDocument(const Json::Value& response, std::vector<Json::Value>& bboxResults,
                        std::vector<Json::Value>& frameResults);
