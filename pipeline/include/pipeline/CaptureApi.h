#pragma once
// Which of OpenCV's video back-ends opens a camera by its index on this
// platform; CaptureApi_posix.cpp and CaptureApi_win.cpp give it.

// An OpenCV cv::VideoCaptureAPIs value. Asking every back-end in turn (the
// default) costs start-up time and, on Linux, probes USB cameras through
// libgphoto2, which leaks what it is given.
int CameraIndexCaptureApi();
