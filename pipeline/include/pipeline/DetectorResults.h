#pragma once
// What one finished exchange with the detector brought.

#include <json/value.h>
#include <opencv2/core/types.hpp>

#include <chrono>
#include <vector>

struct DetectorResults {
    std::vector<Json::Value> bboxResultsVec;   // box entries, in pixels of `sent`
    std::vector<Json::Value> frameResultsVec;  // frame entries
    cv::Size sent;                             // the picture the detector saw
    std::chrono::steady_clock::duration took{};  // from the request to the answer (or the failure)
    std::chrono::steady_clock::time_point frameCaptured{};  // the frame the detector saw
};
