#pragma once
// A camera-like 1280 x 720 frame with faces in it: OpenCV's sample photo
// scaled up, with a little sensor noise when asked (noise makes PNG work as
// hard as on a real camera's picture). Random pixels when the photo is missing.

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <string>

inline cv::Mat CameraFrame(bool withNoise)
{
    cv::Mat photo = cv::imread(std::string(VIREO_OPENCV_SAMPLES) + "/messi5.jpg", cv::IMREAD_COLOR);
    if (photo.empty()) {
        photo = cv::Mat(342, 548, CV_8UC3);
        cv::randu(photo, cv::Scalar::all(0), cv::Scalar::all(255));
    }
    cv::Mat frame;
    cv::resize(photo, frame, cv::Size(1280, 720), 0, 0, cv::INTER_LINEAR);
    if (withNoise) {
        cv::Mat noise(frame.size(), frame.type());
        cv::randn(noise, cv::Scalar::all(0), cv::Scalar::all(3));
        frame += noise;
    }
    return frame;
}
