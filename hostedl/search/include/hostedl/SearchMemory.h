#pragma once
// What a search found in the last frames of a camera, so that most frames are
// searched only around it: things move little from one frame to the next.
// The picture is still swept for newcomers every kSweepEvery frames, spread
// over kSweepParts frames running so that no frame costs a whole search and
// makes a camera's next frame wait; the first frame, and a frame of another
// scene (a cut, another camera, a still picture after another), are searched
// whole at once: see hostedl/README.md.

#include <opencv2/core.hpp>

#include <vector>

namespace hostedl {

// A frame searched only around the last finds takes a few milliseconds
// against the tens a whole search takes; sweeping every fifth frame keeps a
// newcomer's delay to a sixth of a second at 30 frames a second.
constexpr int kSweepEvery = 5;
// A sweep's frames each look for one part of the sizes (a third of the
// whole search's work), besides the last finds.
constexpr int kSweepParts = 3;

// What one frame's search covers.
struct Coverage {
    bool whole = true;  // the whole picture at once: nothing to follow
    int part = -1;      // else, besides the last finds, this part of the sweep's sizes (-1: none)
};

// Not thread-safe: it belongs to one search at a time (its device's lock).
class SearchMemory {
public:
    Coverage Due() const { return position < 0 ? Coverage{} : Coverage{false, position < kSweepParts ? position : -1}; }
    // Where else to look when the search is not whole: the last frame's finds.
    const std::vector<cv::Rect>& Last() const { return last; }
    // Called with each frame before its search: a frame of another scene
    // than the last one's is searched whole.
    void See(const cv::Mat& picture);
    // What this frame's search, as Due() said it, found.
    void Remember(std::vector<cv::Rect> found);
    // A new scene (a new configuration): the next frame is searched whole.
    void Forget();

private:
    // Where the frame is in the sweep's cycle; -1: nothing known yet. A
    // whole search counts as a sweep just finished.
    int position = -1;
    std::vector<cv::Rect> last;
    cv::Mat lastThumbnail;  // the last frame seen, shrunk to a few pixels
};

}  // namespace hostedl
