#include "FaceFinder.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstdio>

namespace {

// Faces are searched at this width at most (half of an 853 x 480 frame) and
// from this size up (in pixels of the picture received), with the "alt2"
// cascade: measured here at about 45 ms of one core per frame against 115 ms
// for the default cascade at 640 pixels, and faces at webcam distance are all
// larger. A finer search mostly adds false faces in clothing.
constexpr int kSearchWidth = 427;
constexpr int kMinFace = 64;
constexpr double kScaleStep = 1.1;
constexpr int kMinNeighbours = 4;

// The alt2 cascade looks only where the LBP face cascade points. On this
// equalised, shrunk picture LBP needs every raw hit, 10 % steps and no
// shrinking of its own: coarser, it lost faces the whole scan finds (messi5
// at 548 or 769 pixels wide). So it saves only about a quarter of the time.
constexpr hostedl::QuickScan kQuickScan{2.0, 1.1, 0};

}  // namespace

bool FaceFinder::Load(const std::string& cascadeDir, std::string& error)
{
    const std::string facePath = cascadeDir + "/haarcascade_frontalface_alt2.xml";
    const std::string eyePath = cascadeDir + "/haarcascade_eye.xml";
    // Where Debian's opencv-data puts the LBP cascades beside the Haar ones.
    // Without it every picture is scanned whole: slower, the same faces.
    const std::string quickPath = cascadeDir + "/../lbpcascades/lbpcascade_frontalface.xml";
    if (!quickFaces.load(quickPath))
        std::fprintf(stderr, "owl-detector: no %s; every picture is scanned whole\n", quickPath.c_str());
    if (!faces.load(facePath)) {
        error = "cannot load " + facePath + " (Debian package opencv-data)";
        return false;
    }
    if (!eyes.load(eyePath)) {
        error = "cannot load " + eyePath + " (Debian package opencv-data)";
        return false;
    }
    return true;
}

std::vector<Face> FaceFinder::Find(const cv::Mat& image)
{
    std::vector<Face> found;
    if (image.empty())
        return found;
    cv::cvtColor(image, gray, image.channels() == 4 ? cv::COLOR_BGRA2GRAY : cv::COLOR_BGR2GRAY);
    const double shrink = std::min(1.0, static_cast<double>(kSearchWidth) / gray.cols);
    if (shrink < 1.0)
        cv::resize(gray, small, cv::Size(), shrink, shrink, cv::INTER_AREA);
    else
        small = gray;
    cv::equalizeHist(small, small);

    const int minFace = std::max(20, cvRound(kMinFace * shrink));
    const hostedl::CascadeScan scan{kScaleStep, kMinNeighbours, cv::Size(minFace, minFace), cv::Size()};
    const cv::Rect bounds(0, 0, image.cols, image.rows);
    const std::vector<hostedl::Detection> detections =
        hostedl::SearchCascade(faces, &quickFaces, small, scan, kQuickScan, &memory);
    for (const hostedl::Detection& detection : detections) {
        const cv::Rect& box = detection.box;
        Face face;
        face.box = cv::Rect(cvRound(box.x / shrink), cvRound(box.y / shrink), cvRound(box.width / shrink),
                            cvRound(box.height / shrink)) &
                   bounds;
        if (face.box.empty())
            continue;
        // Eyes sit in the upper part of the face.
        const cv::Rect upper(face.box.x, face.box.y, face.box.width, face.box.height * 3 / 5);
        std::vector<cv::Rect> candidates;
        const int minEye = std::max(8, face.box.width / 8);
        const int maxEye = std::max(minEye + 1, face.box.width / 3);
        // A near face is shrunk until its smallest wanted eye fills the
        // cascade's own window: the same search at a fraction of the pixels.
        const double eyeShrink = std::min(1.0, static_cast<double>(eyes.getOriginalWindowSize().width) / minEye);
        if (eyeShrink < 1.0) {
            cv::resize(gray(upper), eyeRegion, cv::Size(), eyeShrink, eyeShrink, cv::INTER_AREA);
            const int largest = cvRound(maxEye * eyeShrink);
            eyes.detectMultiScale(eyeRegion, candidates, 1.1, 5, 0, cv::Size(), cv::Size(largest, largest));
            for (cv::Rect& eye : candidates)
                eye = cv::Rect(cvRound(eye.x / eyeShrink), cvRound(eye.y / eyeShrink), cvRound(eye.width / eyeShrink),
                               cvRound(eye.height / eyeShrink));
        } else {
            eyes.detectMultiScale(gray(upper), candidates, 1.1, 5, 0, cv::Size(minEye, minEye),
                                  cv::Size(maxEye, maxEye));
        }
        std::sort(candidates.begin(), candidates.end(),
                  [](const cv::Rect& a, const cv::Rect& b) { return a.area() > b.area(); });
        candidates.resize(std::min<std::size_t>(candidates.size(), 2));
        for (cv::Rect& eye : candidates)
            eye += upper.tl();
        std::sort(candidates.begin(), candidates.end(), [](const cv::Rect& a, const cv::Rect& b) { return a.x < b.x; });
        face.eyes = candidates;
        found.push_back(face);
    }
    std::sort(found.begin(), found.end(), [](const Face& a, const Face& b) { return a.box.area() > b.box.area(); });
    return found;
}
