#include "pipeline/CaptureApi.h"

#include <opencv2/videoio.hpp>

#include <sys/stat.h>

int CameraIndexCaptureApi()
{
    return cv::CAP_V4L2;
}

bool IsCharacterDevice(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode);
}
