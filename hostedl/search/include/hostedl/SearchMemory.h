#pragma once
// What a search found in the last frames of a camera, so that most frames are
// searched only around it: things move little from one frame to the next.
// Every kWholeSearchEvery-th frame is searched as before, so something new
// in the picture is found within that many frames, and so is a frame of
// another scene (a cut, another camera, a still picture after another):
// see hostedl/README.md.

#include <opencv2/core.hpp>

#include <vector>

namespace hostedl {

// A frame searched only around the last finds takes a few milliseconds
// against the tens a whole search takes; five frames keep a newcomer's delay
// to a sixth of a second at 30 frames a second.
constexpr int kWholeSearchEvery = 5;

// Not thread-safe: it belongs to one search at a time (its device's lock).
class SearchMemory {
public:
    // True when this frame is to be searched whole: the first frame, and
    // every kWholeSearchEvery-th after the last whole search.
    bool WholeDue() const { return sinceWhole <= 0 || sinceWhole >= kWholeSearchEvery; }
    // Where to look when the search is not whole: the last frame's finds.
    const std::vector<cv::Rect>& Last() const { return last; }
    // Called with each frame before its search: a frame of another scene
    // than the last one's is searched whole.
    void See(const cv::Mat& picture);
    // What this frame's search found, whole or not.
    void Remember(std::vector<cv::Rect> found, bool whole);
    // A new scene (a new configuration): the next frame is searched whole.
    void Forget();

private:
    int sinceWhole = 0;  // frames since the last whole search; 0: none yet
    std::vector<cv::Rect> last;
    cv::Mat lastThumbnail;  // the last frame seen, shrunk to a few pixels
};

}  // namespace hostedl
