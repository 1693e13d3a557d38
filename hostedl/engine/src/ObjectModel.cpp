#include "hostedl/DetectionParams.h"
#include "hostedl/Detectors.h"

#include <cmath>

namespace hostedl {

namespace {

Box ToBox(const cv::Rect& r, float score, int32_t classId)
{
    return {static_cast<float>(r.x), static_cast<float>(r.y), static_cast<float>(r.x + r.width),
            static_cast<float>(r.y + r.height), score, classId};
}

float Logistic(double x) { return static_cast<float>(1.0 / (1.0 + std::exp(-x))); }

}  // namespace

std::vector<Box> DetectObjects(const Frame565& frame, bool hog, std::vector<SearchedCascade>& cascades)
{
    std::vector<Box> boxes;
    if (hog) {
        for (const Detection& person : SearchPeople(frame.Bgr(), kHogParams, true)) {
            if (boxes.size() == kMaxBoxes) break;
            boxes.push_back(ToBox(person.box, Logistic(person.levelWeight), 0));
        }
    }
    if (!cascades.empty() && boxes.size() < kMaxBoxes) {
        const cv::Mat gray = frame.DetectionGray();
        for (SearchedCascade& c : cascades) {
            const std::vector<Detection> found =
                SearchCascade(c.cascade, &c.quick, gray, kCatFaceParams, QuickScan(), &c.memory);
            for (const Detection& cat : found) {
                if (boxes.size() == kMaxBoxes) break;
                boxes.push_back(ToBox(cat.box, FaceScore(cat.levelWeight), c.classId));
            }
        }
    }
    return boxes;
}

}  // namespace hostedl
