#include "hostedl/Detectors.h"

#include <opencv2/imgproc.hpp>

namespace hostedl {

cv::Mat Frame565::Gray() const
{
    cv::Mat gray;
    cv::cvtColor(pixels, gray, cv::COLOR_BGR5652GRAY);
    return gray;
}

cv::Mat Frame565::DetectionGray() const
{
    cv::Mat gray = Gray();
    cv::GaussianBlur(gray, gray, cv::Size(3, 3), 0);
    return gray;
}

cv::Mat Frame565::Bgr() const
{
    cv::Mat bgr;
    cv::cvtColor(pixels, bgr, cv::COLOR_BGR5652BGR);
    return bgr;
}

cv::Mat Frame565::Bgr(const cv::Rect& roi) const
{
    cv::Mat bgr;
    cv::cvtColor(pixels(roi & cv::Rect(0, 0, pixels.cols, pixels.rows)), bgr, cv::COLOR_BGR5652BGR);
    return bgr;
}

}  // namespace hostedl
