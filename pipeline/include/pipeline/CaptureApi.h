#pragma once
// The platform's side of opening a camera; CaptureApi_posix.cpp and
// CaptureApi_win.cpp give it.

#include <string>

// Which of OpenCV's video back-ends opens a camera (by its index or its
// device path) on this platform: an OpenCV cv::VideoCaptureAPIs value.
// Asking every back-end in turn (the default) costs start-up time and, on
// Linux, probes USB cameras through libgphoto2, which leaks what it is given.
int CameraIndexCaptureApi();

// True when `path` names a character device, following symbolic links (the
// usual way to pin a camera: /dev/v4l/by-id/usb-...-video-index0).
bool IsCharacterDevice(const std::string& path);
