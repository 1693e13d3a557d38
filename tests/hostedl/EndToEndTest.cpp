// The program's calling order on real pictures, through the C calls only.

#include "EdlSession.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>
#include <opencv2/videoio.hpp>

#include <cmath>

using namespace edltest;

namespace {

constexpr uint32_t kFormatBoxes = 0x80000060u;
constexpr uint32_t kFormatAgeGender = 0x81000060u;
constexpr uint32_t kFormatUser = 0x90100060u;

// OpenCV's own answer on the unconverted picture, default parameters.
cv::Rect OpenCvFace(const cv::Mat& bgr)
{
    cv::CascadeClassifier cascade("/usr/share/opencv4/haarcascades/haarcascade_frontalface_default.xml");
    cv::Mat gray;
    cv::cvtColor(bgr, gray, cv::COLOR_BGR2GRAY);
    std::vector<cv::Rect> faces;
    cascade.detectMultiScale(gray, faces);
    cv::Rect largest;
    for (const cv::Rect& f : faces)
        if (f.area() > largest.area()) largest = f;
    return largest;
}

void ExpectNear(const cv::Rect& expected, float x1, float y1, float x2, float y2, float tolerance)
{
    EXPECT_NEAR(x1, expected.x, tolerance);
    EXPECT_NEAR(y1, expected.y, tolerance);
    EXPECT_NEAR(x2, expected.x + expected.width, tolerance);
    EXPECT_NEAR(y2, expected.y + expected.height, tolerance);
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(edl_init_log(dir.Path().c_str(), "campus_hostlib.log"), 0);
        dev = Connect();
        ASSERT_EQ(dev, 0);
        uint32_t fw = 0, build = 0, ncpuFw = 0, ncpuBuild = 0;
        uint16_t s1 = 0, s2 = 0;
        ASSERT_EQ(edl_report_sys_status(dev, &fw, &build, &s1, &s2, &ncpuFw, &ncpuBuild), 0);
        // Shipped firmware: the program's update check passes it.
        EXPECT_GE(build, 88u);
        EXPECT_GE(fw, 0x1030000u);
    }
    void TearDown() override { edl_lib_de_init(); }

    TempDir dir;
    int dev = -1;
};

TEST_F(EndToEnd, FaceBoxOnMessiMatchesOpenCvAndIsUnmasked)
{
    const cv::Mat picture = cv::imread(OpenCvSample("messi5.jpg"));
    ASSERT_FALSE(picture.empty());
    const cv::Rect expected = OpenCvFace(picture);
    ASSERT_GT(expected.area(), 0);

    ASSERT_EQ(UploadBuiltin(dev, "mask"), 0);
    std::vector<char> config = DmeConfig(3, 8, picture.cols, picture.rows, kFormatBoxes);
    uint32_t modelId = 0;
    ASSERT_EQ(edl_dme_configure(dev, config.data(), 24, &modelId), 0);
    EXPECT_EQ(modelId, 3u);

    std::vector<char> image = ToBgr565(picture), answer;
    ASSERT_EQ(Infer(dev, image, answer), 0);
    const auto boxes = ParseBoxes(answer);
    ASSERT_EQ(answer.size(), 8 + 24 * boxes.size());
    const BoxAnswer* best = nullptr;
    for (const auto& b : boxes)
        if (best == nullptr || std::abs(b.x1 - expected.x) + std::abs(b.y1 - expected.y) <
                                   std::abs(best->x1 - expected.x) + std::abs(best->y1 - expected.y))
            best = &b;
    ASSERT_NE(best, nullptr);
    ExpectNear(expected, best->x1, best->y1, best->x2, best->y2, 4.0f);
    EXPECT_EQ(best->classId, 1) << "a bare face is 'no mask'";
    EXPECT_GT(best->score, 0.8f);

    const std::string log = ReadText(dir.File("campus_hostlib.log"));
    for (const char* call : {"edl_lib_init", "edl_add_dev dev=0 result=0", "edl_start_dme dev=0 result=0",
                             "edl_dme_inference dev=0 result=0", "edl_dme_retrieve_res dev=0 result=0"})
        EXPECT_NE(log.find(call), std::string::npos) << call;
}

TEST_F(EndToEnd, AgeGenderGivesTheLargestFaceInThirtyTwoBytes)
{
    const cv::Mat picture = cv::imread(OpenCvSample("messi5.jpg"));
    const cv::Rect expected = OpenCvFace(picture);
    ASSERT_EQ(UploadBuiltin(dev, "age_gender"), 0);
    std::vector<char> config = DmeConfig(3, 1, picture.cols, picture.rows, kFormatAgeGender);
    ASSERT_EQ(edl_dme_configure(dev, config.data(), 24, nullptr), 0);
    std::vector<char> image = ToBgr565(picture), answer;
    ASSERT_EQ(Infer(dev, image, answer), 0);
    ASSERT_EQ(answer.size(), 32u);
    const AgeGenderAnswer a = ParseAgeGender(answer);
    ExpectNear(expected, a.x1, a.y1, a.x2, a.y2, 4.0f);
    EXPECT_GT(a.score, 0.8f) << "a clear frontal face";
    EXPECT_GE(a.age, 18u);
    EXPECT_LE(a.age, 80u);

    // A face found below 48 pixels (in this crop, about 46): box and score,
    // but age and gender 0.
    cv::Mat small;
    cv::resize(picture, small, cv::Size(), 1.08, 1.08, cv::INTER_LINEAR);
    small = small(cv::Rect(162, 43, 151, 129)).clone();
    config = DmeConfig(3, 1, small.cols, small.rows, kFormatAgeGender);
    ASSERT_EQ(edl_dme_configure(dev, config.data(), 24, nullptr), 0);
    image = ToBgr565(small);
    ASSERT_EQ(Infer(dev, image, answer), 0);
    const AgeGenderAnswer s = ParseAgeGender(answer);
    ASSERT_GT(s.x2 - s.x1, 0.0f) << "the small face is still found";
    EXPECT_LT(s.x2 - s.x1, 48.0f);
    EXPECT_EQ(s.age, 0u);
    EXPECT_EQ(s.gender, 0u);

    // No face at all: an all-zero answer, whose score the program rejects.
    cv::Mat blank(200, 300, CV_8UC3, cv::Scalar(90, 120, 150));
    config = DmeConfig(3, 1, blank.cols, blank.rows, kFormatAgeGender);
    ASSERT_EQ(edl_dme_configure(dev, config.data(), 24, nullptr), 0);
    image = ToBgr565(blank);
    ASSERT_EQ(Infer(dev, image, answer), 0);
    EXPECT_EQ(answer, std::vector<char>(32, 0));
}

TEST_F(EndToEnd, PeopleOnAVtestFrame)
{
    cv::VideoCapture video(OpenCvSample("vtest.avi"));
    cv::Mat frame;
    for (int i = 0; i < 30; ++i) video.read(frame);
    ASSERT_FALSE(frame.empty());
    ASSERT_EQ(UploadBuiltin(dev, "yolo"), 0);
    std::vector<char> config = DmeConfig(19, 2, frame.cols, frame.rows, kFormatBoxes);
    ASSERT_EQ(edl_dme_configure(dev, config.data(), 24, nullptr), 0);
    std::vector<char> image = ToBgr565(frame), answer;
    ASSERT_EQ(Infer(dev, image, answer), 0);
    const auto boxes = ParseBoxes(answer);
    int people = 0;
    for (const auto& b : boxes) {
        people += b.classId == 0;
        EXPECT_GE(b.x2, b.x1);
        EXPECT_GE(b.y2, b.y1);
        EXPECT_LE(b.x1, frame.cols);
        EXPECT_LE(b.y1, frame.rows);
    }
    EXPECT_GE(people, 2) << "vtest.avi shows several pedestrians";
}

TEST_F(EndToEnd, UserModelTensorsNameTheRightClass)
{
    const std::string file = RuntimeDir() + "/samples/user_model/scenes.bin";
    ASSERT_EQ(ReadText(RuntimeDir() + "/samples/user_model/scenes_labels.txt"), "0 chessboard\n1 fruit\n2 street\n");
    uint32_t status = 99;
    ASSERT_EQ(UploadUserFile(dev, file, &status), 0);
    EXPECT_EQ(status, 0u);
    struct Case {
        const char* picture;
        int expected;
    } cases[] = {{"left05.jpg", 0}, {"right07.jpg", 0}, {"apple.jpg", 1}, {"leuvenB.jpg", 2}};
    for (const Case& c : cases) {
        cv::Mat picture = cv::imread(OpenCvSample(c.picture));
        ASSERT_FALSE(picture.empty()) << c.picture;
        cv::resize(picture, picture, cv::Size(640, 480));
        std::vector<char> config = DmeConfig(1000, 1, 640, 480, kFormatUser);
        ASSERT_EQ(edl_dme_configure(dev, config.data(), 24, nullptr), 0);
        std::vector<char> image = ToBgr565(picture), answer;
        ASSERT_EQ(Infer(dev, image, answer), 0);
        int channels = 0;
        EXPECT_EQ(StrongestClass(answer, &channels), c.expected) << c.picture;
        EXPECT_EQ(channels, 3);
    }
}

}  // namespace
