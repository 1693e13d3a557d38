#pragma once
// Dots and lines that result entries ask to draw into the video picture.

#include <json/value.h>

#include <vector>

class QImage;

// Draws the "draw_dict" of every entry into `picture`: for each entry its
// lines (red, 5 px), then its points (8 px pale green circles), members in
// byte-wise name order. Coordinates are pixels of `picture`; members that
// are not numbers are skipped. At most kMaxMarks marks per call.
void DrawMarks(const std::vector<Json::Value>& entries, QImage& picture);

constexpr int kMaxMarks = 4096;
