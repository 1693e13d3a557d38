#include "pipeline/CaptureApi.h"

int CameraIndexCaptureApi()
{
    return 0;  // cv::CAP_ANY: OpenCV picks Media Foundation or DirectShow
}

bool IsCharacterDevice(const std::string&)
{
    return false;  // cameras are named by their index on Windows
}
