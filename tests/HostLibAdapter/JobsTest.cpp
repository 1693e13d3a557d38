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

TEST(Jobs, FacesComeBackWhereTheFaceIs)
{
    const cv::Mat messi = ReadPicture(OpenCvSample("messi5.jpg"));
    // The face job serves both face models, the loaded model names the
    // result; age/gender gives the one face with its age and gender.
    for (const int mode : {3, 0, 1}) {
        SCOPED_TRACE(mode);
        DeviceRig rig(messi.cols, messi.rows);
        ASSERT_TRUE(rig.Connect(mode));
        DeviceResult result;
        ASSERT_TRUE(rig.Infer(messi, result));
        EXPECT_EQ(result.DevId, 0);
        EXPECT_EQ(result.Mode, mode);
        EXPECT_TRUE(std::any_of(result.list.begin(), result.list.end(), NearMessisFace)) << result.list.size();
        for (const auto& r : result.list) {
            if (mode == 1) {
                EXPECT_EQ(result.list.size(), 1u);
                EXPECT_EQ(r.Male + r.Female, 1);
                EXPECT_GT(r.Age, 0);
            } else {
                EXPECT_TRUE(r.ClassId == 1 || r.ClassId == -1) << r.ClassId;
            }
        }
    }
}

TEST(Jobs, PeopleInObjectMode)
{
    cv::Mat frame;
    cv::VideoCapture(OpenCvSample("vtest.avi")).read(frame);
    ASSERT_FALSE(frame.empty());
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
        const cv::Rect box(r.X, r.Y, r.Width, r.Height);
        EXPECT_EQ(box & cv::Rect(0, 0, frame.cols, frame.rows), box);
        for (const cv::Rect& e : expected)
            matched += r.ClassId == 0 && (box & e).area() > 0.5 * std::min(box.area(), e.area());
    }
    EXPECT_GE(matched, 1) << result.list.size() << " boxes, OpenCV found " << expected.size();
}

TEST(Jobs, TheSampleUserModelNamesItsClass)
{
    DeviceRig rig(640, 480);
    ASSERT_TRUE(rig.Connect(3));
    rig.Adapter().SlotChangeModel(4, BuildFile("samples/user_model/scenes.bin"));
    ASSERT_EQ(rig.changeModelDone, 1) << rig.Messages();
    // Pictures kept out of the model's examples, of class 0 in label file order.
    for (const char* name : {"left05.jpg", "left12.jpg"}) {
        cv::Mat picture = ReadPicture(OpenCvSample(name));
        cv::resize(picture, picture, cv::Size(640, 480));
        DeviceResult result;
        ASSERT_TRUE(rig.Infer(picture, result)) << name;
        EXPECT_EQ(result.Mode, 4);
        ASSERT_EQ(result.list.size(), 1u) << name;
        EXPECT_EQ(result.list[0].ClassId, 0) << name;
        EXPECT_EQ(result.list[0].Width, 0);
    }
}

TEST(Jobs, FramesOfferedWhileTheDeviceWorksAreDropped)
{
    // A slow dongle: the offers below all come while the first job runs,
    // with room to spare on a loaded machine.
    DeviceRig rig;
    ASSERT_TRUE(rig.ConnectBusy(1500));
    for (int i = 0; i < 4; ++i)
        rig.Adapter().Dispatch(PlainFrame(), 0);
    EXPECT_FALSE(rig.Adapter().IsReady(0));
    ASSERT_TRUE(DeviceRig::WaitFor([&] { return rig.results.size() == 1; }, 5000));
    DeviceRig::WaitFor([] { return false; }, 400);
    EXPECT_EQ(rig.results.size(), 1u);
    EXPECT_EQ(rig.CountCalls("edl_dme_inference"), 1);
    EXPECT_TRUE(rig.Adapter().IsReady(0));
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
