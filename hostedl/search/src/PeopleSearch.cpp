#include "hostedl/PeopleSearch.h"

#include "SearchRegions.h"

#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>


namespace hostedl {

namespace {

// Daimler's detector has a 48 x 96 window: on a copy shrunk to 0.85 it sees
// people a little smaller than the default detector's 64 x 128 (at exactly
// that size it misses many). Its boxes sit up to a third of a person's width
// away from the default detector's, hence the wide reach. Measured on ten
// frames of vtest.avi at two sizes: 57 of the whole scan's 59 people kept,
// none added, at about 40 % of its cost; shrinking to 0.75 in 30 % steps
// cost half as much and lost 7.
constexpr double kQuickShrink = 0.85;
constexpr double kQuickScale = 1.2;
constexpr int kQuickGroup = 1;
constexpr Reach kPeopleReach{0.4, 0.7, 1.45};
constexpr int kMaxLevels = 64;  // HOGDescriptor's own limit

std::vector<cv::Rect> Proposals(const cv::Mat& bgr)
{
    cv::HOGDescriptor quick(cv::Size(48, 96), cv::Size(16, 16), cv::Size(8, 8), cv::Size(8, 8), 9);
    quick.setSVMDetector(cv::HOGDescriptor::getDaimlerPeopleDetector());
    cv::Mat small;
    cv::resize(bgr, small, cv::Size(), kQuickShrink, kQuickShrink, cv::INTER_AREA);
    std::vector<cv::Rect> found;
    std::vector<double> weights;
    quick.detectMultiScale(small, found, weights, 0, cv::Size(8, 8), cv::Size(), kQuickScale, kQuickGroup);
    const double grow = static_cast<double>(bgr.cols) / small.cols;
    for (cv::Rect& r : found)
        r = cv::Rect(cvRound(r.x * grow), cvRound(r.y * grow), cvRound(r.width * grow), cvRound(r.height * grow));
    return found;
}

// The part `area` of the level that shrinks `bgr` by `scale` into
// `levelSize`, sampled where a bilinear resize of the whole picture samples
// it (its rounding may differ by a grey level).
cv::Mat LevelPart(const cv::Mat& bgr, cv::Size levelSize, const cv::Rect& area)
{
    if (levelSize == bgr.size())
        return bgr(area);
    const double kx = static_cast<double>(bgr.cols) / levelSize.width;
    const double ky = static_cast<double>(bgr.rows) / levelSize.height;
    const cv::Matx23d toPicture(kx, 0, (area.x + 0.5) * kx - 0.5, 0, ky, (area.y + 0.5) * ky - 0.5);
    cv::Mat part;
    cv::warpAffine(bgr, part, toPicture, area.size(), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP, cv::BORDER_REPLICATE);
    return part;
}

// The default detector's hits on one level, around the proposals that fit
// it, as picture boxes with their SVM margins.
std::vector<Detection> ScanLevel(const cv::HOGDescriptor& people, const cv::Mat& bgr,
                                 const std::vector<cv::Rect>& proposals, const HogScan& scan, double s)
{
    const cv::Size levelSize(cvRound(bgr.cols / s), cvRound(bgr.rows / s));
    const cv::Size full(cvRound(people.winSize.width * s), cvRound(people.winSize.height * s));
    const cv::Rect level(cv::Point(), levelSize);
    std::vector<Detection> hits;
    for (const cv::Rect& region :
         LevelRegions(proposals, kPeopleReach, s, levelSize, people.winSize, full.width, scan.winStride.width)) {
        // Gradients reach a pixel past a window, so the part sampled reaches
        // a stride further (keeping the grid); windows that touch its edge
        // inside the level would see other gradients than the whole scan's.
        const cv::Size margin = scan.winStride;
        const cv::Rect area = cv::Rect(region.tl() - cv::Point(margin), region.size() + margin * 2) & level;
        std::vector<cv::Point> found;
        std::vector<double> weights;
        people.detect(LevelPart(bgr, levelSize, area), found, weights, scan.hitThreshold, scan.winStride,
                      scan.padding);
        for (size_t j = 0; j < found.size(); ++j) {
            const cv::Point at = found[j] + area.tl();
            const cv::Point end = at + cv::Point(people.winSize.width, people.winSize.height);
            const bool clear = (at.x > area.x || area.x == 0) && (at.y > area.y || area.y == 0) &&
                               (end.x < area.br().x || area.br().x == levelSize.width) &&
                               (end.y < area.br().y || area.br().y == levelSize.height);
            if (clear && region.contains(at))
                hits.push_back({cv::Rect(cvRound(at.x * s), cvRound(at.y * s), full.width, full.height),
                                j < weights.size() ? weights[j] : 0.0});
        }
    }
    return hits;
}

}  // namespace

std::vector<Detection> SearchPeople(const cv::Mat& bgr, const HogScan& scan, bool quick)
{
    cv::HOGDescriptor people;
    people.setSVMDetector(cv::HOGDescriptor::getDefaultPeopleDetector());
    std::vector<cv::Rect> boxes;
    std::vector<double> weights;
    if (!quick || bgr.total() <= kWholeScanPixels) {
        people.detectMultiScale(bgr, boxes, weights, scan.hitThreshold, scan.winStride, scan.padding, scan.scale,
                                scan.groupThreshold);
    } else {
        const std::vector<cv::Rect> proposals = Proposals(bgr);
        // The whole scan's levels: each shrinks the picture by the next power of the step.
        std::vector<double> scales;
        for (double s = 1; static_cast<int>(scales.size()) < kMaxLevels; s *= scan.scale) {
            scales.push_back(s);
            if (cvRound(bgr.cols / s) < people.winSize.width || cvRound(bgr.rows / s) < people.winSize.height ||
                scan.scale <= 1)
                break;
        }
        // Levels run in parallel, as in the whole scan; their hits are joined
        // in level order so that the answer does not depend on the timing.
        std::vector<std::vector<Detection>> hits(scales.size());
        cv::parallel_for_(cv::Range(0, static_cast<int>(scales.size())), [&](const cv::Range& range) {
            for (int i = range.start; i < range.end; ++i)
                hits[static_cast<size_t>(i)] = ScanLevel(people, bgr, proposals, scan, scales[static_cast<size_t>(i)]);
        });
        for (const std::vector<Detection>& level : hits) {
            for (const Detection& d : level) {
                boxes.push_back(d.box);
                weights.push_back(d.levelWeight);
            }
        }
        people.groupRectangles(boxes, weights, static_cast<int>(scan.groupThreshold), 0.2);
    }
    std::vector<Detection> found;
    const cv::Rect picture(cv::Point(), bgr.size());
    for (size_t i = 0; i < boxes.size(); ++i) {
        const cv::Rect box = boxes[i] & picture;
        if (!box.empty())
            found.push_back({box, i < weights.size() ? weights[i] : 0.0});
    }
    return found;
}

}  // namespace hostedl
