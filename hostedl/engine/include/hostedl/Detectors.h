#pragma once
// The CPU stand-ins for the dongle's networks. Each works on the frame as the
// dongle received it (BGR565) and returns results in that frame's pixels.
// Not thread-safe per cascade: a cascade is used by one thread at a time
// (its device's lock); different cascades may run concurrently.

#include "hostedl/Answers.h"
#include "hostedl/CascadeSearch.h"
#include "hostedl/SearchMemory.h"
#include "hostedl/UserClassifierFormat.h"

#include <opencv2/core.hpp>
#include <opencv2/objdetect.hpp>

#include <vector>

namespace hostedl {

// A BGR565 frame wrapped without copying; conversions make new images.
struct Frame565 {
    cv::Mat pixels;  // CV_8UC2

    cv::Mat Gray() const;
    // Grey for the Haar cascades: BGR565 quantises into bands that cost the
    // cascades real faces (messi5.jpg's, for one); a 3 x 3 Gaussian smooths
    // them away again.
    cv::Mat DetectionGray() const;
    cv::Mat Bgr() const;
    cv::Mat Bgr(const cv::Rect& roi) const;
};

// A thorough cascade of the set and, when the set has one, the quick cascade
// that tells it where to look (an empty one: it scans whole pictures), and
// where it found things in the camera's last frames.
struct SearchedCascade {
    cv::CascadeClassifier cascade;
    cv::CascadeClassifier quick;
    int32_t classId = 0;
    SearchMemory memory;
};

// Face score in 0..1, rising with the level weight: 0.5 at weight 2,
// 0.8 at about 3.4. Clear frontal faces reach weights of 4 to 7.
float FaceScore(double levelWeight);

// Class of one face box: 0 rejected candidate (score below 0.5), 1 no mask,
// 2 mask. `mouth` may be null when the set has no mouth cascade.
int32_t MaskClass(const Frame565& frame, const cv::Mat& gray, const Detection& face, cv::CascadeClassifier* mouth);

// Boxes for the mask/face model, best first.
std::vector<Box> FaceBoxes(const Frame565& frame, SearchedCascade& face, cv::CascadeClassifier* mouth);

// The largest face's box and score with a toy age and gender estimate;
// all zero when there is no face.
AgeGender EstimateAgeGender(const Frame565& frame, SearchedCascade& face);

// HOG people (class 0) when `hog` is set, then every cascade with its class.
// People are searched whole in every frame: around the last ones only, the
// grouping missed the larger detections that hide some of them.
std::vector<Box> DetectObjects(const Frame565& frame, bool hog, std::vector<SearchedCascade>& cascades);

// The classifier's features: the picture shrunk to its grid (area average).
std::vector<uint8_t> ClassifierFeatures(const cv::Mat& bgr, const UserClassifier& classifier);

// One int8 logit per class: 0 for the nearest centroid, negative for the others.
std::vector<int8_t> ClassifyLogits(const std::vector<uint8_t>& features, const UserClassifier& classifier);

}  // namespace hostedl
