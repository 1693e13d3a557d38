#include "hostedl/SearchMemory.h"

#include <opencv2/imgproc.hpp>

#include <utility>

namespace hostedl {

namespace {

// Frames are compared as 16 x 9 averages, by the mean difference of a cell
// in grey levels. On the sample video's slow pan that is under 1 from one
// frame to the next and 3.5 over ten frames, 7 to 9 over thirty and 50 at a
// cut. Whatever moves more than that is searched whole: it costs time only.
const cv::Size kThumbnail(16, 9);
constexpr double kSceneChange = 5.0;

}  // namespace

void SearchMemory::See(const cv::Mat& picture)
{
    cv::Mat thumbnail;
    cv::resize(picture, thumbnail, kThumbnail, 0, 0, cv::INTER_AREA);
    const bool comparable = lastThumbnail.size() == thumbnail.size() && lastThumbnail.type() == thumbnail.type();
    const double cells = static_cast<double>(thumbnail.total()) * thumbnail.channels();
    if (!comparable || cv::norm(thumbnail, lastThumbnail, cv::NORM_L1) / cells > kSceneChange)
        Forget();
    lastThumbnail = thumbnail;
}

void SearchMemory::Remember(std::vector<cv::Rect> found)
{
    last = std::move(found);
    position = ((position < 0 ? kSweepParts - 1 : position) + 1) % kSweepEvery;
}

void SearchMemory::Forget()
{
    position = -1;
    last.clear();
    lastThumbnail.release();
}

}  // namespace hostedl
