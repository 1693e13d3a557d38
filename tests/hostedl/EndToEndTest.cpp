// The age/gender model's answer at the edges the program tells apart: a face
// too small to judge, and no face at all. Where the boxes of real faces lie
// is held to the reference boxes (ReferenceBoxesTest).

#include "EdlSession.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

using namespace edltest;

namespace {

std::vector<char> AgeGenderOf(const cv::Mat& picture)
{
    std::vector<char> image = ToBgr565(picture), answer;
    EXPECT_EQ(Configure(0, 3, 1, picture.cols, picture.rows, kFormatAgeGender), 0);
    EXPECT_EQ(Infer(0, image, answer), 0);
    return answer;
}

TEST(AgeGender, ASmallFaceHasNoAgeAndNoFaceAnswersZeros)
{
    ASSERT_EQ(Connect(), 0);
    ASSERT_EQ(UploadBuiltin(0, "age_gender"), 0);
    // A face found below 48 pixels (in this crop, about 46): box and score,
    // but age and gender 0.
    cv::Mat small;
    cv::resize(cv::imread(OpenCvSample("messi5.jpg")), small, cv::Size(), 1.08, 1.08, cv::INTER_LINEAR);
    const std::vector<char> answer = AgeGenderOf(small(cv::Rect(162, 43, 151, 129)).clone());
    ASSERT_EQ(answer.size(), 32u);
    const AgeGenderAnswer s = ParseAgeGender(answer);
    ASSERT_GT(s.x2 - s.x1, 0.0f) << "the small face is still found";
    EXPECT_LT(s.x2 - s.x1, 48.0f);
    EXPECT_EQ(s.age, 0u);
    EXPECT_EQ(s.gender, 0u);

    // No face at all: an all-zero answer, whose score the program rejects.
    EXPECT_EQ(AgeGenderOf(cv::Mat(200, 300, CV_8UC3, cv::Scalar(90, 120, 150))), std::vector<char>(32, 0));
    edl_lib_de_init();
}

}  // namespace
