#include "SearchRegions.h"

#include <cmath>
#include <cstddef>
#include <utility>

namespace hostedl {

std::vector<cv::Rect> Merged(std::vector<cv::Rect> regions)
{
    // Overlapping regions would try some windows twice and count their hits
    // twice when grouping; their union tries each once.
    for (bool merged = true; merged;) {
        merged = false;
        for (size_t i = 0; i < regions.size() && !merged; ++i) {
            for (size_t j = i + 1; j < regions.size() && !merged; ++j) {
                if ((regions[i] & regions[j]).empty())
                    continue;
                regions[i] |= regions[j];
                regions.erase(regions.begin() + static_cast<std::ptrdiff_t>(j));
                merged = true;
            }
        }
    }
    return regions;
}

std::vector<cv::Rect> LevelRegions(const std::vector<cv::Rect>& proposals, const Reach& reach, double scale,
                                   cv::Size levelSize, cv::Size window, int fullWidth, int align)
{
    std::vector<cv::Rect> regions;
    const cv::Rect level(cv::Point(), levelSize);
    for (const cv::Rect& p : proposals) {
        if (fullWidth < reach.smallest * p.width || fullWidth > reach.largest * p.width)
            continue;
        const double gx = reach.margin * p.width, gy = reach.margin * p.height;
        int x0 = static_cast<int>(std::floor((p.x - gx) / scale));
        int y0 = static_cast<int>(std::floor((p.y - gy) / scale));
        const int x1 = static_cast<int>(std::ceil((p.x + p.width + gx) / scale));
        const int y1 = static_cast<int>(std::ceil((p.y + p.height + gy) / scale));
        // Window origins of a whole scan lie on its step's grid from the
        // level's corner; a region must start on that grid too.
        x0 = std::max(0, x0 - ((x0 % align) + align) % align);
        y0 = std::max(0, y0 - ((y0 % align) + align) % align);
        const cv::Rect region = cv::Rect(cv::Point(x0, y0), cv::Point(x1, y1)) & level;
        if (region.width >= window.width && region.height >= window.height)
            regions.push_back(region);
    }
    return Merged(std::move(regions));
}

}  // namespace hostedl
