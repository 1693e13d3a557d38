#pragma once
// Where a thorough detector looks on one level of its picture pyramid: around
// the proposals whose size fits the level's window.

#include <opencv2/core.hpp>

#include <vector>

namespace hostedl {

// Pictures up to this many pixels are scanned whole: the scan costs little
// there, and a quick detector misses things right at its own window size,
// which is where a small picture's faces and people tend to be.
constexpr std::size_t kWholeScanPixels = 320 * 240;

// How far around a proposal the thorough detector looks, as fractions of
// the proposal's size: the box grown by `margin` on every side, with
// windows from `smallest` to `largest` times its width. The quick and the
// thorough detectors disagree on a face's size by up to about 15 % and on
// its place by a tenth of it; a detection is the mean of the windows that
// hit around it, which spread a little further, so the reach holds them all.
struct Reach {
    double margin;
    double smallest;
    double largest;
};

// The level's regions in its own pixels (the level is the picture shrunk by
// `scale` into `levelSize`) where windows of `window` level pixels (`fullWidth`
// picture pixels wide) are tried: around each fitting proposal, origins on the
// `align` grid, clipped, merged where they touch, each at least one window.
std::vector<cv::Rect> LevelRegions(const std::vector<cv::Rect>& proposals, const Reach& reach, double scale,
                                   cv::Size levelSize, cv::Size window, int fullWidth, int align);

// Regions that overlap joined into the rectangle around them, until none do.
std::vector<cv::Rect> Merged(std::vector<cv::Rect> regions);

}  // namespace hostedl
