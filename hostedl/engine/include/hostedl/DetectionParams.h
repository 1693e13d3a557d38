#pragma once
// Detector parameters of the emulated dongle, shared with the benchmark so it
// measures bare OpenCV with exactly the same settings.
//
// Faces: every 10 % scale step, 3 neighbours, nothing below 40 x 40 pixels.
// A 40-pixel face is someone about three metres from a 720p webcam; going
// lower roughly doubles the time per 1280 x 720 frame for faces the demo
// cannot label anyway (age and gender need 48 pixels).

#include <opencv2/core.hpp>

namespace hostedl {

struct CascadeParams {
    double scaleFactor;
    int minNeighbors;
    cv::Size minSize;
};

inline const CascadeParams kFaceParams{1.1, 3, {40, 40}};
inline const CascadeParams kCatFaceParams{1.1, 3, {40, 40}};
// Mouths are searched in the lower half of a face only.
inline const CascadeParams kMouthParams{1.1, 8, {16, 10}};

struct HogParams {
    double hitThreshold;
    cv::Size winStride;
    cv::Size padding;
    double scale;
    double groupThreshold;
};

// People: an 8-pixel stride and 5 % steps, two overlapping windows per
// person; about 0.3 s for a 1280 x 720 frame on one desktop core pair.
inline const HogParams kHogParams{0.0, {8, 8}, {0, 0}, 1.05, 2.0};

// Below this face width the age/gender model answers age 0, gender 0.
constexpr int kAgeGenderMinFace = 48;

}  // namespace hostedl
