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

std::vector<Box> DetectObjects(const Frame565& frame, bool hog, std::vector<ObjectCascade>& cascades)
{
    std::vector<Box> boxes;
    if (hog) {
        // The default people detector is a static table; building the
        // descriptor per frame costs microseconds against the scan.
        cv::HOGDescriptor people;
        people.setSVMDetector(cv::HOGDescriptor::getDefaultPeopleDetector());
        std::vector<cv::Rect> found;
        std::vector<double> weights;
        people.detectMultiScale(frame.Bgr(), found, weights, kHogParams.hitThreshold, kHogParams.winStride,
                                kHogParams.padding, kHogParams.scale, kHogParams.groupThreshold);
        for (size_t i = 0; i < found.size() && boxes.size() < kMaxBoxes; ++i)
            boxes.push_back(ToBox(found[i], Logistic(i < weights.size() ? weights[i] : 0.0), 0));
    }
    if (!cascades.empty() && boxes.size() < kMaxBoxes) {
        const cv::Mat gray = frame.DetectionGray();
        for (ObjectCascade& c : cascades) {
            std::vector<cv::Rect> found;
            std::vector<int> levels;
            std::vector<double> weights;
            c.cascade.detectMultiScale(gray, found, levels, weights, kCatFaceParams.scaleFactor,
                                       kCatFaceParams.minNeighbors, 0, kCatFaceParams.minSize, cv::Size(), true);
            for (size_t i = 0; i < found.size() && boxes.size() < kMaxBoxes; ++i)
                boxes.push_back(ToBox(found[i], FaceScore(i < weights.size() ? weights[i] : 0.0), c.classId));
        }
    }
    return boxes;
}

}  // namespace hostedl
