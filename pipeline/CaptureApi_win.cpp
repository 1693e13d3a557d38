#include "pipeline/CaptureApi.h"

int CameraIndexCaptureApi()
{
    return 0;  // cv::CAP_ANY: OpenCV picks Media Foundation or DirectShow
}
