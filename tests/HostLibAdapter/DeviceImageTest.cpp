#include "HostLibAdapter/DeviceImage.h"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <vector>

namespace {

TEST(PreprocessImage, ShrinksAndPacksAsBgr565)
{
    const struct {
        const char* name;
        cv::Mat frame;
        int width, height;
    } cases[] = {
        {"1920 x 1080 to 1280 x 720", cv::Mat(1080, 1920, CV_8UC3, cv::Scalar(255, 0, 0)), 1280, 720},
        {"same size, no resize", cv::Mat(480, 640, CV_8UC3, cv::Scalar(0, 255, 0)), 640, 480},
        {"gray", cv::Mat(480, 640, CV_8UC1, cv::Scalar(255)), 640, 480},
        {"BGRA", cv::Mat(480, 640, CV_8UC4, cv::Scalar(0, 0, 255, 9)), 320, 240},
    };
    for (const auto& c : cases) {
        const cv::Mat before = c.frame.clone();
        std::vector<char> out(DeviceImageBytes(c.width, c.height) + 16, '\x77');
        const int size[2] = {c.width, c.height};
        ASSERT_EQ(PreprocessImage(c.frame, out.data(), size), 0) << c.name;
        // Uniform colour: every pixel is the colour's own BGR565 value.
        cv::Mat pixel;
        const int code = c.frame.channels() == 1 ? cv::COLOR_GRAY2BGR565
                         : c.frame.channels() == 4 ? cv::COLOR_BGRA2BGR565
                                                   : cv::COLOR_BGR2BGR565;
        cv::cvtColor(c.frame(cv::Rect(0, 0, 1, 1)), pixel, code);
        const std::size_t bytes = DeviceImageBytes(c.width, c.height);
        for (std::size_t i = 0; i < bytes; i += 2) {
            ASSERT_EQ(out[i], static_cast<char>(pixel.data[0])) << c.name << " byte " << i;
            ASSERT_EQ(out[i + 1], static_cast<char>(pixel.data[1])) << c.name << " byte " << i + 1;
        }
        for (std::size_t i = bytes; i < out.size(); ++i)
            ASSERT_EQ(out[i], '\x77') << c.name;
        EXPECT_EQ(cv::norm(before, c.frame, cv::NORM_INF), 0) << c.name << ": the frame was written";
    }
}

TEST(PreprocessImage, RefusesWhatItCannotSend)
{
    char out[64];
    const int good[2] = {4, 4};
    const int zero[2] = {0, 4};
    EXPECT_EQ(PreprocessImage(cv::Mat(), out, good), -1);
    EXPECT_EQ(PreprocessImage(cv::Mat(8, 8, CV_16UC3), out, good), -1);
    EXPECT_EQ(PreprocessImage(cv::Mat(8, 8, CV_8UC2), out, good), -1);
    EXPECT_EQ(PreprocessImage(cv::Mat(8, 8, CV_8UC3), out, zero), -1);
    EXPECT_EQ(PreprocessImage(cv::Mat(8, 8, CV_8UC3), nullptr, good), -1);
}

}  // namespace
