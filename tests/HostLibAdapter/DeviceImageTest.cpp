#include "HostLibAdapter/DeviceImage.h"

#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include <array>
#include <cstdint>
#include <vector>

namespace {

// A frame whose quarters differ: top left, top right, bottom left, bottom right.
cv::Mat Quarters(int width, int height, int type, const std::array<cv::Scalar, 4>& colours)
{
    cv::Mat frame(height, width, type);
    for (int q = 0; q < 4; ++q)
        frame(cv::Rect(q % 2 * width / 2, q / 2 * height / 2, width / 2, height / 2)).setTo(colours[q]);
    return frame;
}

// BGR565 as the dongle reads it, little-endian: blue in the low five bits, red in the high five.
constexpr std::uint16_t kBlue = 0x001F, kGreen = 0x07E0, kRed = 0xF800, kWhite = 0xFFFF, kBlack = 0x0000;

// A flipped, mirrored, resized-wrong or channel-swapped image puts another
// value at the middle of some quarter.
TEST(PreprocessImage, ShrinksAndPacksAsBgr565)
{
    const cv::Scalar blue(255, 0, 0, 9), green(0, 255, 0, 9), red(0, 0, 255, 9), white(255, 255, 255, 9);
    const struct {
        const char* name;
        cv::Mat frame;
        int width, height;
        std::array<std::uint16_t, 4> packed;
    } cases[] = {
        {"1920 x 1080 to 1280 x 720", Quarters(1920, 1080, CV_8UC3, {blue, red, green, white}), 1280, 720,
         {kBlue, kRed, kGreen, kWhite}},
        {"same size, no resize", Quarters(640, 480, CV_8UC3, {red, green, white, blue}), 640, 480,
         {kRed, kGreen, kWhite, kBlue}},
        {"gray", Quarters(640, 480, CV_8UC1, {white, cv::Scalar(0), cv::Scalar(0), white}), 640, 480,
         {kWhite, kBlack, kBlack, kWhite}},
        {"BGRA", Quarters(640, 480, CV_8UC4, {green, blue, red, white}), 320, 240, {kGreen, kBlue, kRed, kWhite}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const cv::Mat before = c.frame.clone();
        const std::size_t bytes = DeviceImageBytes(c.width, c.height);
        std::vector<char> out(bytes + 16, '\x77');
        const int size[2] = {c.width, c.height};
        ASSERT_EQ(PreprocessImage(c.frame, out.data(), size), 0);
        for (int q = 0; q < 4; ++q) {
            const int x = c.width / 4 + q % 2 * c.width / 2, y = c.height / 4 + q / 2 * c.height / 2;
            const std::size_t at = (static_cast<std::size_t>(y) * c.width + x) * 2;
            const auto value = static_cast<std::uint16_t>(static_cast<unsigned char>(out[at]) |
                                                          static_cast<unsigned char>(out[at + 1]) << 8);
            EXPECT_EQ(value, c.packed[q]) << "quarter " << q;
        }
        for (std::size_t i = bytes; i < out.size(); ++i)
            ASSERT_EQ(out[i], '\x77') << "written past the image";
        EXPECT_EQ(cv::norm(before, c.frame, cv::NORM_INF), 0) << "the frame was written";
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
