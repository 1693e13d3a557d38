#pragma once
// Faces and their eyes, found with OpenCV's Haar cascades.

#include "hostedl/CascadeSearch.h"
#include "hostedl/SearchMemory.h"

#include <opencv2/core.hpp>
#include <opencv2/objdetect.hpp>

#include <string>
#include <vector>

struct Face {
    cv::Rect box;                // in pixels of the image searched
    std::vector<cv::Rect> eyes;  // at most two, left to right
};

// Thread-safety: one thread uses an instance (cascades keep scratch state).
class FaceFinder {
public:
    // False, with `error`, when a cascade file is missing or unreadable.
    bool Load(const std::string& cascadeDir, std::string& error);
    // Faces in `image` (8-bit BGR), largest first. Successive images are
    // taken as one camera's frames: searched around the last faces, swept
    // for newcomers in parts, and whole when the scene changes (SearchMemory.h).
    std::vector<Face> Find(const cv::Mat& image);

private:
    cv::CascadeClassifier faces;
    cv::CascadeClassifier quickFaces;  // where `faces` looks; empty: everywhere
    cv::CascadeClassifier eyes;
    hostedl::SearchMemory memory;  // the program's frames come from one camera
    cv::Mat gray;
    cv::Mat small;
    cv::Mat eyeRegion;
};
