#include "hostedl/DetectionParams.h"
#include "hostedl/Detectors.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace hostedl {

namespace {

double BandMean(const cv::Mat& face, double top, double bottom)
{
    const int y0 = static_cast<int>(face.rows * top);
    const int y1 = std::max(y0 + 1, static_cast<int>(face.rows * bottom));
    return cv::mean(face(cv::Range(y0, std::min(y1, face.rows)), cv::Range(face.cols / 4, face.cols * 3 / 4)))[0];
}

}  // namespace

// A toy, not a measurement: age grows with the fine texture of the face
// (wrinkles, but equally stubble, noise and compression artefacts), from 18
// to 80 years; "male" when the chin band is clearly darker than the cheeks
// (a beard's shadow, or just a shadow). It is deterministic, so the display
// is stable, and nothing else.
AgeGender EstimateAgeGender(const Frame565& frame, SearchedCascade& face)
{
    AgeGender answer;
    const cv::Mat gray = frame.DetectionGray();
    const std::vector<Detection> faces =
        SearchCascade(face.cascade, &face.quick, gray, kFaceParams, kFaceQuickScan, &face.memory);
    if (faces.empty()) return answer;
    const Detection& largest = *std::max_element(
        faces.begin(), faces.end(), [](const Detection& a, const Detection& b) { return a.box.area() < b.box.area(); });
    const cv::Rect& r = largest.box;
    answer.x1 = static_cast<float>(r.x);
    answer.y1 = static_cast<float>(r.y);
    answer.x2 = static_cast<float>(r.x + r.width);
    answer.y2 = static_cast<float>(r.y + r.height);
    answer.score = FaceScore(largest.levelWeight);
    if (r.width < kAgeGenderMinFace) return answer;  // too small to say: age 0, gender 0

    cv::Mat shrunk;
    cv::resize(gray(r), shrunk, cv::Size(64, 64), 0, 0, cv::INTER_AREA);
    cv::Mat lap;
    cv::Laplacian(shrunk, lap, CV_16S);
    const double texture = cv::mean(cv::abs(lap))[0];
    answer.age = static_cast<uint32_t>(std::clamp(18.0 + 2.5 * texture, 18.0, 80.0));
    const double cheeks = BandMean(shrunk, 0.50, 0.65);
    const double chin = BandMean(shrunk, 0.78, 0.95);
    answer.gender = chin < 0.85 * cheeks ? 1u : 0u;
    return answer;
}

}  // namespace hostedl
