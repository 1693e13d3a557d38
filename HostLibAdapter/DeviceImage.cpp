#include "HostLibAdapter/DeviceImage.h"

#include <opencv2/imgproc.hpp>

int PreprocessImage(const cv::Mat& image, char* dst, const int size[2])
{
    if (dst == nullptr || size[0] <= 0 || size[1] <= 0 || image.empty() || image.depth() != CV_8U)
        return -1;
    int code;
    switch (image.channels()) {
    case 1:
        code = cv::COLOR_GRAY2BGR565;
        break;
    case 3:
        code = cv::COLOR_BGR2BGR565;
        break;
    case 4:
        code = cv::COLOR_BGRA2BGR565;
        break;
    default:
        return -1;
    }
    const cv::Size target(size[0], size[1]);
    // The conversion writes straight into the caller's buffer: no copy.
    cv::Mat out(target, CV_8UC2, dst);
    if (image.size() == target) {
        cv::cvtColor(image, out, code);
    } else {
        cv::Mat resized;
        cv::resize(image, resized, target, 0, 0, cv::INTER_LINEAR);
        cv::cvtColor(resized, out, code);
    }
    return 0;
}
