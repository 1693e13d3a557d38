// Exchanges with real detector processes over real FIFOs.

#include "AdaptorFixture.h"

#include "settings/QtSettingManager.h"

#include <QByteArray>

#include <opencv2/imgcodecs.hpp>

#include <fcntl.h>
#include <unistd.h>

using Exchange = AdaptorFixture;

TEST_F(Exchange, FacesComeBackAsBoxEntriesWithPanelsPointsAndLines)
{
    StartOwl();
    std::vector<Json::Value> boxes;
    std::vector<Json::Value> frames;
    for (int frame = 1; frame <= 3; ++frame) {
        ASSERT_EQ(InferConnected(face), 0);
        adaptor->GetBboxResults(boxes);
        adaptor->GetFrameResults(frames);
        EXPECT_EQ(FrameRow(frames, "Frame"), std::to_string(frame));
    }
    ASSERT_EQ(boxes.size(), 1u);
    const Json::Value& bbox = boxes[0]["bbox"];
    // The photo's face is at about (246, 64), 81 x 81.
    const cv::Rect found(bbox["x"].asInt(), bbox["y"].asInt(), bbox["width"].asInt(), bbox["height"].asInt());
    const cv::Rect known(246, 64, 81, 81);
    EXPECT_GT((found & known).area(), known.area() / 2) << found;
    EXPECT_TRUE(boxes[0]["ordered_value_dict"]["a_face"]["show_on_panel"].asBool());
    EXPECT_TRUE(boxes[0]["draw_dict"]["point"].isObject());
    EXPECT_TRUE(boxes[0]["draw_dict"]["line"].isObject());
    EXPECT_EQ(FrameRow(frames, "Faces"), "1");

    // The lists are handed over once.
    adaptor->GetBboxResults(boxes);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Exchange, FramesGoOutAtTheTargetHeight)
{
    QtSettingManager* settings = QtSettingManager::GetInstance();
    StartOwl();

    struct Case {
        int cameraWidth, cameraHeight;
        cv::Size frame;
        int targetWidth, targetHeight;  // reported to the display, also what the detector got
    };
    const Case cases[] = {
        {1280, 720, {1280, 720}, 853, 480},
        {640, 480, {640, 480}, 640, 480},      // scale exactly 1: unscaled
        {0, 0, {1280, 720}, 1280, 720},        // camera not open yet: unscaled, never 0 x 0
        {1920, 1080, {1920, 1080}, 853, 480},
    };
    for (const Case& c : cases) {
        settings->SetCameraInfo(c.cameraWidth, c.cameraHeight, 30);
        adaptor->SetTargetHeight(480);
        const cv::Mat frame(c.frame, CV_8UC3, cv::Scalar(10, 200, 30));
        ASSERT_EQ(InferConnected(frame), 0);
        std::vector<Json::Value> frames;
        adaptor->GetFrameResults(frames);
        const std::string sent = std::to_string(c.targetWidth) + "x" + std::to_string(c.targetHeight);
        EXPECT_EQ(FrameRow(frames, "Image"), sent) << "camera " << c.cameraWidth << "x" << c.cameraHeight;
        EXPECT_EQ(adaptor->GetTargetWidth(), c.targetWidth);
        EXPECT_EQ(adaptor->GetTargetHeight(), c.targetHeight);
    }
}

TEST_F(Exchange, OddFramesGoOutAsWellAsTheyCanWithoutHarm)
{
    QtSettingManager::GetInstance()->SetCameraInfo(1280, 720, 30);
    adaptor->SetTargetHeight(480);
    StartOwl();
    struct Case {
        const char* what;
        cv::Mat frame;
        std::string sent;  // the size the detector decoded; "0x0" for no picture
    };
    const Case cases[] = {
        {"empty", cv::Mat(), "0x0"},
        {"one pixel", cv::Mat(1, 1, CV_8UC3, cv::Scalar::all(9)), "853x480"},
        {"grey", cv::Mat(720, 1280, CV_8UC1, cv::Scalar::all(9)), "853x480"},
        {"with alpha", cv::Mat(720, 1280, CV_8UC4, cv::Scalar::all(9)), "853x480"},
        {"floating point", cv::Mat(720, 1280, CV_32FC3, cv::Scalar::all(0.5)), "853x480"},  // the encoder converts it
        {"two channels", cv::Mat(720, 1280, CV_8UC2, cv::Scalar::all(9)), "0x0"},
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStdout();
        const int result = InferConnected(c.frame);
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_EQ(result, 0) << c.what << " printed: " << printed;
        std::vector<Json::Value> frames;
        adaptor->GetFrameResults(frames);
        EXPECT_EQ(FrameRow(frames, "Image"), c.sent) << c.what << " printed: " << printed;
    }
}

TEST_F(Exchange, OverlayIsATransparentPngInTheFrameEntry)
{
    StartOwl({"--overlay"});
    ASSERT_EQ(InferConnected(face), 0);
    std::vector<Json::Value> frames;
    adaptor->GetFrameResults(frames);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_DOUBLE_EQ(frames[0]["transparent_rate"].asDouble(), 0.6);
    const QByteArray png = QByteArray::fromBase64(QByteArray::fromStdString(frames[0]["image_base64_str"].asString()));
    const cv::Mat picture = cv::imdecode(std::vector<unsigned char>(png.begin(), png.end()), cv::IMREAD_UNCHANGED);
    ASSERT_FALSE(picture.empty());
    EXPECT_EQ(picture.channels(), 4);
}

TEST_F(Exchange, PythonExampleAnswersItsDocumentedDocument)
{
    StartPythonExample();
    for (int frame = 1; frame <= 2; ++frame) {
        ASSERT_EQ(InferConnected(face), 0);
        std::vector<Json::Value> boxes;
        std::vector<Json::Value> frames;
        adaptor->GetBboxResults(boxes);
        adaptor->GetFrameResults(frames);
        ASSERT_EQ(boxes.size(), 1u);
        // A box in the middle of the picture, half its size.
        EXPECT_EQ(boxes[0]["bbox"]["x"].asInt(), face.cols / 4);
        EXPECT_EQ(boxes[0]["bbox"]["width"].asInt(), face.cols / 2);
        EXPECT_TRUE(boxes[0]["draw_dict"]["point"]["centre"].isObject());
        EXPECT_TRUE(boxes[0]["draw_dict"]["line"]["diagonal"].isObject());
        EXPECT_EQ(FrameRow(frames, "Frame"), std::to_string(frame));
        EXPECT_EQ(FrameRow(frames, "Size"), std::to_string(face.cols) + "x" + std::to_string(face.rows));
    }
}

TEST_F(Exchange, DetectorExitsWhenTheProgramClosesThePipes)
{
    StartOwl({"--echo"});
    ASSERT_EQ(InferConnected(face), 0);
    EdgeFifoAdaptor::DestroyInstance();
    EXPECT_EQ(detector.WaitExit(std::chrono::seconds(5)), 0);
}

TEST_F(Exchange, InstanceIsOneAndMissingOneThrows)
{
    EXPECT_EQ(EdgeFifoAdaptor::CreateInstance("other", "names"), adaptor);
    EXPECT_EQ(EdgeFifoAdaptor::GetInstance(), adaptor);
    EdgeFifoAdaptor::DestroyInstance();
    try {
        EdgeFifoAdaptor::GetInstance();
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Error: Not initialize the request/response FIFO.");
    }
    EdgeFifoAdaptor::DestroyInstance();  // twice is harmless
}

TEST_F(Exchange, AnUnusedInstanceClosesNoOneElsesDescriptor)
{
    // As in device mode: created, never connected, destroyed.
    const int camera = open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(camera, 0);
    EdgeFifoAdaptor::DestroyInstance();
    EXPECT_NE(fcntl(camera, F_GETFD), -1) << "the camera's descriptor was closed";
    close(camera);
}
