#pragma once
// The image the dongle takes: the frame shrunk to the configured size and
// packed as 16-bit BGR565, rows back to back.

#include <opencv2/core/mat.hpp>

#include <cstddef>

// Bytes of one device image of `width` x `height`.
inline std::size_t DeviceImageBytes(int width, int height)
{
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 2;
}

// Writes `image` (8-bit BGR; gray and BGRA are converted too) resized to
// size[0] x size[1] with bilinear interpolation, as BGR565, into `dst`
// (DeviceImageBytes(size[0], size[1]) bytes). The frame itself is not
// written. 0 on success; -1, with `dst` untouched, for an empty image, an
// unsupported pixel type or a size that is not positive.
int PreprocessImage(const cv::Mat& image, char* dst, const int size[2]);
