#include "hostedl/DetectionParams.h"
#include "hostedl/Detectors.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace hostedl {

namespace {

// Mean Y, Cr, Cb of a band of the face, given as fractions of its size.
cv::Vec3d MeanYCrCb(const cv::Mat& faceBgr, double top, double bottom, double left, double right)
{
    const cv::Rect band(static_cast<int>(faceBgr.cols * left), static_cast<int>(faceBgr.rows * top),
                        std::max(1, static_cast<int>(faceBgr.cols * (right - left))),
                        std::max(1, static_cast<int>(faceBgr.rows * (bottom - top))));
    cv::Mat ycrcb;
    cv::cvtColor(faceBgr(band & cv::Rect(0, 0, faceBgr.cols, faceBgr.rows)), ycrcb, cv::COLOR_BGR2YCrCb);
    const cv::Scalar m = cv::mean(ycrcb);
    return {m[0], m[1], m[2]};
}

// Nose and cheeks against the forehead: bare skin under the same light
// differs by a few chroma units and little brightness; a blue or coloured
// mask by 15 or more chroma units, a white or black one by half its
// brightness or more. A skin-coloured mask fools the rule, as does light
// from one side.
constexpr double kMaskChromaDistance = 15.0;
constexpr double kMaskDarker = 0.6, kMaskBrighter = 1.6;

}  // namespace

float FaceScore(double levelWeight)
{
    return static_cast<float>(1.0 / (1.0 + std::exp(-(levelWeight - 2.0))));
}

int32_t MaskClass(const Frame565& frame, const cv::Mat& gray, const Detection& face, cv::CascadeClassifier* mouth)
{
    if (FaceScore(face.levelWeight) < 0.5f) return 0;
    // A mouth the mouth cascade can see in the lower half is not covered.
    if (mouth != nullptr && !mouth->empty()) {
        const cv::Rect lower(face.box.x, face.box.y + face.box.height / 2, face.box.width,
                             face.box.height - face.box.height / 2);
        cv::Mat searched = gray(lower);
        if (face.box.width > kMouthSearchFaceWidth) {
            const double shrink = static_cast<double>(kMouthSearchFaceWidth) / face.box.width;
            cv::Mat shrunk;
            cv::resize(searched, shrunk, cv::Size(), shrink, shrink, cv::INTER_AREA);
            searched = shrunk;
        }
        std::vector<cv::Rect> mouths;
        mouth->detectMultiScale(searched, mouths, kMouthParams.scaleFactor, kMouthParams.minNeighbors, 0,
                                kMouthParams.minSize);
        if (!mouths.empty()) return 1;
    }
    // Otherwise compare nose and cheeks with the forehead.
    const cv::Mat faceBgr = frame.Bgr(face.box);
    const cv::Vec3d forehead = MeanYCrCb(faceBgr, 0.10, 0.28, 0.30, 0.70);
    const cv::Vec3d nose = MeanYCrCb(faceBgr, 0.50, 0.68, 0.25, 0.75);
    const double chroma = std::hypot(nose[1] - forehead[1], nose[2] - forehead[2]);
    const double brightness = nose[0] / std::max(forehead[0], 1.0);
    const bool covered = chroma > kMaskChromaDistance || brightness < kMaskDarker || brightness > kMaskBrighter;
    return covered ? 2 : 1;
}

std::vector<Box> FaceBoxes(const Frame565& frame, SearchedCascade& face, cv::CascadeClassifier* mouth)
{
    const cv::Mat gray = frame.DetectionGray();
    std::vector<Detection> faces =
        SearchCascade(face.cascade, &face.quick, gray, kFaceParams, kFaceQuickScan, &face.memory);
    std::stable_sort(faces.begin(), faces.end(),
                     [](const Detection& a, const Detection& b) { return a.levelWeight > b.levelWeight; });
    if (faces.size() > kMaxBoxes) faces.resize(kMaxBoxes);
    std::vector<Box> boxes;
    for (const Detection& f : faces) {
        boxes.push_back({static_cast<float>(f.box.x), static_cast<float>(f.box.y),
                         static_cast<float>(f.box.x + f.box.width), static_cast<float>(f.box.y + f.box.height),
                         FaceScore(f.levelWeight), MaskClass(frame, gray, f, mouth)});
    }
    return boxes;
}

}  // namespace hostedl
