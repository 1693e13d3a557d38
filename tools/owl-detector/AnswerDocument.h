#pragma once
// The result document owl-detector answers with: one box entry per face (box,
// value panel, eye points and the line between them) and one frame entry (a
// panel and, when asked, a transparent thumbnail).

#include "FaceFinder.h"

#include <json/value.h>

#include <string>
#include <vector>

struct FrameFacts {
    long long number = 0;     // requests served so far, this one included
    int width = 0;            // of the picture received; 0 when none decoded
    int height = 0;
    double detectMs = 0.0;
    bool overlay = false;
};

Json::Value BuildAnswer(const std::vector<Face>& faces, const cv::Mat& image, const FrameFacts& facts);

// Compact JSON text of `document`.
std::string AnswerText(const Json::Value& document);
