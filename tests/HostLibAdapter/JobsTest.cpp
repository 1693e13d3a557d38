// Frames through the controller and the job worker to the emulated dongle
// and back as result records.
#include "DeviceRig.h"
#include "HostLibAdapter/HostLibWorker.h"
#include "HostLibAdapter/ReadyFlags.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>
#include <opencv2/videoio.hpp>

#include <cstdlib>

namespace {

// OpenCV's own cascade finds messi5.jpg's face at about (246, 64, 81, 81).
bool NearMessisFace(const FdFrResult& r)
{
    return std::abs(r.X - 246) <= 10 && std::abs(r.Y - 64) <= 10 && std::abs(r.Width - 81) <= 12 &&
           std::abs(r.Height - 81) <= 12;
}

cv::Mat FirstVideoFrame(const std::string& path)
{
    cv::VideoCapture video(path);
    cv::Mat frame;
    video.read(frame);
    EXPECT_FALSE(frame.empty()) << path;
    return frame;
}

TEST(Jobs, FacesComeBackWhereTheFaceIs)
{
    const cv::Mat messi = ReadPicture(OpenCvSample("messi5.jpg"));
    // The face job serves both face models; the loaded model names the result.
    for (const int mode : {3, 0}) {
        SCOPED_TRACE(mode);
        DeviceRig rig(messi.cols, messi.rows);
        ASSERT_TRUE(rig.Connect(mode));
        DeviceResult result;
        ASSERT_TRUE(rig.Infer(messi, result));
        EXPECT_EQ(result.DevId, 0);
        EXPECT_EQ(result.Mode, mode);
        bool found = false;
        for (const auto& r : result.list) {
            found = found || NearMessisFace(r);
            EXPECT_TRUE(r.ClassId == 1 || r.ClassId == -1) << r.ClassId;
        }
        EXPECT_TRUE(found) << result.list.size() << " records";
    }
}

TEST(Jobs, AgeAndGenderOfTheFace)
{
    const cv::Mat messi = ReadPicture(OpenCvSample("messi5.jpg"));
    DeviceRig rig(messi.cols, messi.rows);
    ASSERT_TRUE(rig.Connect(1));
    DeviceResult result;
    ASSERT_TRUE(rig.Infer(messi, result));
    EXPECT_EQ(result.Mode, 1);
    ASSERT_EQ(result.list.size(), 1u);
    const FdFrResult& face = result.list[0];
    EXPECT_TRUE(NearMessisFace(face)) << face.X << "," << face.Y << " " << face.Width << "x" << face.Height;
    EXPECT_EQ(face.Male + face.Female, 1);
    EXPECT_GT(face.Age, 0);

    EXPECT_TRUE(rig.Adapter().IsConnected());
}

TEST(Jobs, PeopleInObjectMode)
{
    const cv::Mat frame = FirstVideoFrame(OpenCvSample("vtest.avi"));
    DeviceRig rig(frame.cols, frame.rows);
    ASSERT_TRUE(rig.Connect(2));
    DeviceResult result;
    ASSERT_TRUE(rig.Infer(frame, result));
    EXPECT_EQ(result.Mode, 2);
    // OpenCV's own people detector on the same frame: the boxes agree.
    cv::HOGDescriptor hog;
    hog.setSVMDetector(cv::HOGDescriptor::getDefaultPeopleDetector());
    std::vector<cv::Rect> expected;
    hog.detectMultiScale(frame, expected, 0, cv::Size(8, 8), cv::Size(), 1.05, 2.0);
    ASSERT_FALSE(expected.empty());
    int matched = 0;
    for (const auto& r : result.list) {
        EXPECT_GE(r.X, 0);
        EXPECT_LE(r.X + r.Width, frame.cols);
        EXPECT_LE(r.Y + r.Height, frame.rows);
        const cv::Rect box(r.X, r.Y, r.Width, r.Height);
        for (const cv::Rect& e : expected)
            if (r.ClassId == 0 && (box & e).area() > 0.5 * std::min(box.area(), e.area()))
                ++matched;
    }
    EXPECT_GE(matched, 1) << result.list.size() << " boxes, OpenCV found " << expected.size();
}

TEST(Jobs, TheSampleUserModelNamesItsClass)
{
    const std::string model = BuildFile("samples/user_model/scenes.bin");
    // Pictures kept out of the model's examples; classes in label file order.
    const struct {
        const char* picture;
        int classId;
    } cases[] = {{"left05.jpg", 0}, {"left12.jpg", 0}};
    DeviceRig rig(640, 480);
    ASSERT_TRUE(rig.Connect(3));
    rig.Adapter().SlotChangeModel(4, model);
    ASSERT_EQ(rig.changeModelDone, 1) << rig.messages.join(" | ").toStdString();
    for (const auto& c : cases) {
        cv::Mat picture = ReadPicture(OpenCvSample(c.picture));
        cv::resize(picture, picture, cv::Size(640, 480));
        DeviceResult result;
        ASSERT_TRUE(rig.Infer(picture, result)) << c.picture;
        EXPECT_EQ(result.Mode, 4);
        ASSERT_EQ(result.list.size(), 1u) << c.picture;
        EXPECT_EQ(result.list[0].ClassId, c.classId) << c.picture;
        EXPECT_EQ(result.list[0].Width, 0);
    }
}

TEST(Jobs, AFullHdCameraSendsImagesOf1280By720)
{
    DeviceRig rig(1920, 1080);
    ASSERT_TRUE(rig.Connect(2));
    DeviceResult result;
    ASSERT_TRUE(rig.Infer(cv::Mat(1080, 1920, CV_8UC3, cv::Scalar(30, 60, 90)), result));
    EXPECT_TRUE(rig.Adapter().IsConnected());
    const auto calls = rig.LogCalls();
    bool configured = false;
    for (const auto& line : calls)
        configured = configured || (line.rfind("edl_dme_configure ", 0) == 0 && line.find("1280") != std::string::npos &&
                                    line.find("720") != std::string::npos);
    EXPECT_TRUE(configured);
}

TEST(Jobs, FramesOfferedWhileTheDeviceWorksAreDropped)
{
    // A slow dongle: the offers below all come while the first job runs,
    // with room to spare on a loaded machine.
    DeviceRig::SetKnob("EDL_EMU_INFER_MS", "1500");
    DeviceRig rig;
    ASSERT_TRUE(rig.Connect(3));
    const cv::Mat frame(480, 640, CV_8UC3, cv::Scalar::all(90));
    for (int i = 0; i < 5; ++i)
        rig.Adapter().Dispatch(frame.clone(), 0);
    EXPECT_FALSE(rig.Adapter().IsReady(0));
    ASSERT_TRUE(DeviceRig::WaitFor([&] { return rig.results.size() == 1; }, 5000));
    DeviceRig::WaitFor([] { return false; }, 400);
    EXPECT_EQ(rig.results.size(), 1u);
    EXPECT_EQ(rig.CountCalls("edl_dme_inference"), 1);
    EXPECT_TRUE(rig.Adapter().IsReady(0));
    qunsetenv("EDL_EMU_INFER_MS");
}

TEST(Jobs, NothingReachesTheDeviceUnlessConnected)
{
    DeviceRig rig;
    rig.Adapter().Dispatch(cv::Mat(480, 640, CV_8UC3), 0);
    DeviceRig::WaitFor([] { return false; }, 100);
    EXPECT_TRUE(rig.results.empty());
    EXPECT_TRUE(rig.LogCalls().empty());
}

TEST(Worker, AJobForAnotherDeviceLeavesNoTrace)
{
    RegisterFrameMetaType();
    HostLibWorker worker(0);
    worker.SetImageSize(64, 48);
    QSignalSpy done(&worker, &HostLibWorker::SigInferenceDone);
    QSignalSpy failed(&worker, &HostLibWorker::SigInferenceFailed);
    QSignalSpy shown(&worker, &HostLibWorker::SigShowMsg);
    ReadyFlags::Set(1, false);
    cv::Mat frame(48, 64, CV_8UC3, cv::Scalar::all(1));
    worker.SlotRunMask(1, frame);
    EXPECT_EQ(done.count() + failed.count() + shown.count(), 0);
    EXPECT_FALSE(ReadyFlags::IsReady(1));
    EXPECT_EQ(frame.u->refcount, 1) << "the job kept a reference to the frame";
}

TEST(Worker, AnUnusableFrameGivesAnEmptyListAndFreesTheDevice)
{
    HostLibWorker worker(0);
    worker.SetImageSize(64, 48);
    QSignalSpy done(&worker, &HostLibWorker::SigInferenceDone);
    QSignalSpy shown(&worker, &HostLibWorker::SigShowMsg);
    for (int i = 0; i < 3; ++i) {
        ReadyFlags::Set(0, false);
        worker.SlotRunYolo(0, cv::Mat());
        EXPECT_TRUE(ReadyFlags::IsReady(0));
    }
    ASSERT_EQ(done.count(), 3);
    EXPECT_TRUE(done.at(0).at(2).value<std::vector<FdFrResult>>().empty());
    EXPECT_EQ(shown.count(), 1) << "reported once, not per frame";
}

}  // namespace
