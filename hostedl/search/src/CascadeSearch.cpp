#include "hostedl/CascadeSearch.h"

#include "SearchRegions.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <utility>

namespace hostedl {

namespace {

constexpr Reach kCascadeReach{0.25, 0.7, 1.45};
// Around the last frame's finds: the same sizes, and room for a face that
// crosses half its width between two frames.
constexpr Reach kFollowReach{0.35, 0.8, 1.25};

// The window sizes of one part of the quick cascade's pyramid over `picture`
// (empty when the picture has none): parts of about equal work, a level's
// being the windows it tries (its area, four times over from a scale of 2,
// where the cascade steps by one pixel instead of two). A part looks at
// exactly the levels the whole pyramid has there.
std::pair<cv::Size, cv::Size> PartSizes(cv::Size window, cv::Size picture, double scaleFactor, int part)
{
    std::vector<std::pair<cv::Size, double>> levels;  // window size, work
    double total = 0;
    for (double factor = 1;; factor *= scaleFactor) {  // detectMultiScale's own steps
        const cv::Size size(cvRound(window.width * factor), cvRound(window.height * factor));
        if (size.width > picture.width || size.height > picture.height)
            break;
        levels.emplace_back(size, picture.area() / (factor * factor) * (factor >= 2 ? 4 : 1));
        total += levels.back().second;
    }
    std::pair<cv::Size, cv::Size> sizes;
    double before = 0;
    for (const auto& [size, work] : levels) {
        if (static_cast<int>(kSweepParts * (before + work / 2) / total) == part) {
            if (sizes.first.empty())
                sizes.first = size;
            sizes.second = size;
        }
        before += work;
    }
    return sizes;
}

// Where the quick cascade proposes to look: all of its sizes, or one part of
// them (0 to kSweepParts - 1).
std::vector<cv::Rect> Proposals(cv::CascadeClassifier& quick, const QuickScan& scan, const cv::Mat& gray,
                                cv::Size smallest, int part = -1)
{
    const cv::Size window = quick.getOriginalWindowSize();
    const double shrink = std::min(1.0, scan.reachOfSmallest * window.width / std::max(1, smallest.width));
    cv::Mat small = gray;
    if (shrink < 1.0)
        cv::resize(gray, small, cv::Size(), shrink, shrink, cv::INTER_AREA);
    std::pair<cv::Size, cv::Size> sizes(window, cv::Size());
    if (part >= 0) {
        sizes = PartSizes(window, small.size(), scan.scaleFactor, part);
        if (sizes.first.empty())
            return {};
    }
    std::vector<cv::Rect> found;
    quick.detectMultiScale(small, found, scan.scaleFactor, scan.neighbours, 0, sizes.first, sizes.second);
    const double grow = static_cast<double>(gray.cols) / small.cols;
    for (cv::Rect& r : found)
        r = cv::Rect(cvRound(r.x * grow), cvRound(r.y * grow), cvRound(r.width * grow), cvRound(r.height * grow));
    return found;
}

// One region of one level, as the whole scan tries it: origins on the
// level's step grid, one window size. The cascade steps by two pixels below
// a scale of 2 and by one from there; a call of its own only ever uses the
// first, so for the second the region goes in at twice its size (pixel
// copies, which its own halving turns back into exactly these pixels).
void ScanRegion(cv::CascadeClassifier& cascade, const cv::Mat& region, cv::Size window, bool stepOne,
                std::vector<cv::Point>& hits, std::vector<int>& levels, std::vector<double>& weights)
{
    std::vector<cv::Rect> found;
    if (stepOne) {
        cv::Mat twice;
        cv::resize(region, twice, cv::Size(), 2, 2, cv::INTER_NEAREST);
        cascade.detectMultiScale(twice, found, levels, weights, 2.0, 0, 0, window * 2, window * 2, true);
        for (const cv::Rect& r : found)
            hits.emplace_back(r.x / 2, r.y / 2);
    } else {
        cascade.detectMultiScale(region, found, levels, weights, 1.1, 0, 0, window, window, true);
        for (const cv::Rect& r : found)
            hits.emplace_back(r.x, r.y);
    }
}

}  // namespace

std::vector<Detection> SearchCascade(cv::CascadeClassifier& thorough, cv::CascadeClassifier* quick,
                                     const cv::Mat& gray, const CascadeScan& scan, const QuickScan& quickScan,
                                     SearchMemory* memory)
{
    std::vector<cv::Rect> boxes;
    std::vector<int> levels;
    std::vector<double> weights;
    if (quick == nullptr || quick->empty() || gray.total() <= kWholeScanPixels) {
        thorough.detectMultiScale(gray, boxes, levels, weights, scan.scaleFactor, scan.minNeighbors, 0, scan.minSize,
                                  scan.maxSize, true);
    } else {
        if (memory != nullptr)
            memory->See(gray);
        const Coverage cover = memory == nullptr ? Coverage() : memory->Due();
        const std::vector<cv::Rect> proposals =
            cover.whole || cover.part >= 0 ? Proposals(*quick, quickScan, gray, scan.minSize, cover.part)
                                           : std::vector<cv::Rect>();
        // The memory's own list, not a copy: it changes only in Remember() below.
        static const std::vector<cv::Rect> kNothing;
        const std::vector<cv::Rect>& followed = cover.whole ? kNothing : memory->Last();
        const cv::Size window = thorough.getOriginalWindowSize();
        const cv::Size largest = scan.maxSize.empty() ? gray.size() : scan.maxSize;
        // The whole scan's pyramid: its factors, its rounding, its resampling.
        for (double factor = 1; !proposals.empty() || !followed.empty(); factor *= scan.scaleFactor) {
            const float scale = static_cast<float>(factor);
            const cv::Size scaled(cvRound(window.width * scale), cvRound(window.height * scale));
            if (scaled.width > largest.width || scaled.height > largest.height)
                break;
            if (scaled.width < scan.minSize.width || scaled.height < scan.minSize.height)
                continue;
            const cv::Size levelSize(cvRound(gray.cols / scale), cvRound(gray.rows / scale));
            const bool stepOne = scale >= 2;
            const int align = stepOne ? 1 : 2;
            std::vector<cv::Rect> regions =
                LevelRegions(proposals, kCascadeReach, scale, levelSize, window, scaled.width, align);
            if (!followed.empty()) {
                const std::vector<cv::Rect> around =
                    LevelRegions(followed, kFollowReach, scale, levelSize, window, scaled.width, align);
                regions.insert(regions.end(), around.begin(), around.end());
                regions = Merged(std::move(regions));
            }
            if (regions.empty())
                continue;
            cv::Mat level;
            cv::resize(gray, level, levelSize, 0, 0, cv::INTER_LINEAR_EXACT);
            for (const cv::Rect& region : regions) {
                std::vector<cv::Point> hits;
                std::vector<int> hitLevels;
                std::vector<double> hitWeights;
                ScanRegion(thorough, level(region), window, stepOne, hits, hitLevels, hitWeights);
                for (size_t i = 0; i < hits.size(); ++i) {
                    const cv::Point at = hits[i] + region.tl();
                    boxes.emplace_back(cvRound(at.x * scale), cvRound(at.y * scale), scaled.width, scaled.height);
                    levels.push_back(hitLevels[i]);
                    weights.push_back(hitWeights[i]);
                }
            }
        }
        cv::groupRectangles(boxes, levels, weights, scan.minNeighbors, 0.2);
        if (memory != nullptr)
            memory->Remember(boxes);
    }
    std::vector<Detection> found;
    for (size_t i = 0; i < boxes.size(); ++i)
        found.push_back({boxes[i], i < weights.size() ? weights[i] : 0.0});
    return found;
}

}  // namespace hostedl
