// The program's calling order on real pictures, through the C calls only.

#include "EdlSession.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

using namespace edltest;

namespace {

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(edl_init_log(dir.Path().c_str(), "campus_hostlib.log"), 0);
        ASSERT_EQ(Connect(), 0);
        // Shipped firmware: the program's update check passes it.
        uint32_t fw = 0, build = 0;
        ASSERT_EQ(Status(0, &fw, &build), 0);
        EXPECT_GE(build, 88u);
        EXPECT_GE(fw, 0x1030000u);
    }
    void TearDown() override { edl_lib_de_init(); }

    // Configures the loaded model for `picture`'s size and infers it.
    std::vector<char> Run(const cv::Mat& picture, uint32_t modelId, uint32_t outputs, uint32_t format)
    {
        std::vector<char> image = ToBgr565(picture), answer;
        EXPECT_EQ(Configure(0, modelId, outputs, picture.cols, picture.rows, format), 0);
        EXPECT_EQ(Infer(0, image, answer), 0);
        return answer;
    }

    TempDir dir;
    const cv::Mat messi = cv::imread(OpenCvSample("messi5.jpg"));
};

// Where the boxes lie is held to the sample pictures' reference boxes
// (ReferenceBoxesTest); here the calls and the log around them.
TEST_F(EndToEnd, FaceModelAnswersAnUnmaskedFaceAndLogsEveryCall)
{
    ASSERT_EQ(UploadBuiltin(0, "mask"), 0);
    uint32_t modelId = 0;
    ASSERT_EQ(Configure(0, 3, 8, messi.cols, messi.rows, kFormatBoxes, 3, &modelId), 0);
    EXPECT_EQ(modelId, 3u);

    const std::vector<char> answer = Run(messi, 3, 8, kFormatBoxes);
    const auto boxes = ParseBoxes(answer);
    ASSERT_EQ(answer.size(), 8 + 24 * boxes.size());
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.front().classId, 1) << "the best box, a bare face, is 'no mask'";
    EXPECT_GT(boxes.front().score, 0.8f);

    const std::string log = ReadText(dir.File("campus_hostlib.log"));
    for (const char* call : {"edl_lib_init", "edl_add_dev dev=0 result=0", "edl_start_dme dev=0 result=0",
                             "edl_dme_inference dev=0 result=0", "edl_dme_retrieve_res dev=0 result=0"})
        EXPECT_NE(log.find(call), std::string::npos) << call;
}

TEST_F(EndToEnd, AgeGenderGivesTheLargestFaceInThirtyTwoBytes)
{
    ASSERT_EQ(UploadBuiltin(0, "age_gender"), 0);
    std::vector<char> answer = Run(messi, 3, 1, kFormatAgeGender);
    ASSERT_EQ(answer.size(), 32u);
    const AgeGenderAnswer a = ParseAgeGender(answer);
    EXPECT_GE(a.age, 18u);
    EXPECT_LE(a.age, 80u);

    // A face found below 48 pixels (in this crop, about 46): box and score,
    // but age and gender 0.
    cv::Mat small;
    cv::resize(messi, small, cv::Size(), 1.08, 1.08, cv::INTER_LINEAR);
    const AgeGenderAnswer s = ParseAgeGender(Run(small(cv::Rect(162, 43, 151, 129)).clone(), 3, 1, kFormatAgeGender));
    ASSERT_GT(s.x2 - s.x1, 0.0f) << "the small face is still found";
    EXPECT_LT(s.x2 - s.x1, 48.0f);
    EXPECT_EQ(s.age, 0u);
    EXPECT_EQ(s.gender, 0u);

    // No face at all: an all-zero answer, whose score the program rejects.
    const cv::Mat blank(200, 300, CV_8UC3, cv::Scalar(90, 120, 150));
    EXPECT_EQ(Run(blank, 3, 1, kFormatAgeGender), std::vector<char>(32, 0));
}

TEST_F(EndToEnd, UserModelTensorsNameTheRightClass)
{
    const std::string dir = RuntimeDir() + "/samples/user_model/";
    ASSERT_EQ(ReadText(dir + "scenes_labels.txt"), "0 chessboard\n1 fruit\n2 street\n");
    // The single file: a 68-byte setup at 0, the model image from 4096 up to the last 4 bytes.
    const std::vector<char> file = ReadBytes(dir + "scenes.bin");
    ASSERT_GT(file.size(), 4100u);
    uint32_t status = 99;
    ASSERT_EQ(StartDme(0, {file.begin(), file.begin() + 68}, {file.begin() + 4096, file.end() - 4}, &status), 0);
    EXPECT_EQ(status, 0u);
    const struct {
        const char* picture;
        int expected;
    } cases[] = {{"left05.jpg", 0}, {"right07.jpg", 0}, {"apple.jpg", 1}, {"leuvenB.jpg", 2}};
    for (const auto& c : cases) {
        cv::Mat picture = cv::imread(OpenCvSample(c.picture));
        ASSERT_FALSE(picture.empty()) << c.picture;
        cv::resize(picture, picture, cv::Size(640, 480));
        int channels = 0;
        EXPECT_EQ(StrongestClass(Run(picture, 1000, 1, kFormatUser), &channels), c.expected) << c.picture;
        EXPECT_EQ(channels, 3);
    }
}

}  // namespace
