#pragma once
// OpenCV's default HOG people detector over a picture at a fraction of the
// cost of its whole multi-scale scan: a quick people detector (Daimler's,
// with its smaller window, on a copy shrunk to three quarters) proposes where
// people stand, and the default detector then tries its own windows, on its
// own pyramid levels and grid, only around the proposals. See
// hostedl/README.md, "What the models do", for what that costs in accuracy.

#include "hostedl/CascadeSearch.h"

#include <opencv2/core.hpp>

#include <vector>

namespace hostedl {

// A scan as HOGDescriptor::detectMultiScale takes it.
struct HogScan {
    double hitThreshold = 0;
    cv::Size winStride;
    cv::Size padding;
    double scale = 1.05;
    double groupThreshold = 2;
};

// What the default people detector's detectMultiScale(bgr, found, weights,
// scan...) answers, looking only where the quick detector proposes; the whole
// scan itself when `quick` is false. `bgr` is 8-bit, three channels; the
// weight of a detection is its SVM margin. Thread-safe: every call builds
// its own detectors.
std::vector<Detection> SearchPeople(const cv::Mat& bgr, const HogScan& scan, bool quick);

}  // namespace hostedl
