#pragma once
// A cascade's search over a picture at a fraction of the cost of scanning it
// whole: a quick cascade (LBP) on a shrunken copy proposes where something
// might be, and the thorough cascade then runs at its own scales and
// positions, on the same pixels as a whole scan, only around the proposals.
// Its answer is the whole scan's answer wherever the quick cascade looked,
// and nothing the whole scan would not give; what the quick cascade misses
// is lost (see hostedl/README.md, "What the models do").

#include "hostedl/SearchMemory.h"

#include <opencv2/core.hpp>
#include <opencv2/objdetect.hpp>

#include <vector>

namespace hostedl {

// A scan as CascadeClassifier::detectMultiScale takes it.
struct CascadeScan {
    double scaleFactor = 1.1;
    int minNeighbors = 3;
    cv::Size minSize;
    cv::Size maxSize;  // empty: as large as the picture
};

// How the quick cascade proposes: it scans a copy shrunk so that the
// thorough scan's smallest window becomes `reachOfSmallest` times its own
// window (never enlarged), in `scaleFactor` steps, keeping hits with at least
// `neighbours` others (0: every hit). Coarse and eager; the thorough scan is
// the judge. Right at its own window LBP misses faces it finds a size larger.
struct QuickScan {
    double reachOfSmallest = 1.0;
    double scaleFactor = 1.3;
    int neighbours = 1;
};

struct Detection {
    cv::Rect box;
    double levelWeight = 0;  // the cascade's sum in its last stage: its confidence
};

// What thorough.detectMultiScale(gray, boxes, levels, weights, scan...,
// outputRejectLevels = true) answers, looking only where `quick` proposes;
// the whole scan itself when `quick` is null or empty. `gray` is 8-bit grey.
// With a `memory` of the camera's last frames, a frame is searched around the
// last finds and, as the memory says, where one part of the quick cascade's
// sizes proposes; it learns this frame's finds.
// Not thread-safe: the cascades keep scratch state, so a pair of cascades
// serves one search at a time.
std::vector<Detection> SearchCascade(cv::CascadeClassifier& thorough, cv::CascadeClassifier* quick,
                                     const cv::Mat& gray, const CascadeScan& scan,
                                     const QuickScan& quickScan = QuickScan(), SearchMemory* memory = nullptr);

}  // namespace hostedl
