#include "pipeline/CaptureApi.h"

#include <opencv2/videoio.hpp>

int CameraIndexCaptureApi()
{
    return cv::CAP_V4L2;
}
