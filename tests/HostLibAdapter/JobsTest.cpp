// Frames through the controller and the job worker to the emulated dongle
// and back as result records.
#include "DeviceRig.h"

#include <gtest/gtest.h>

#include <opencv2/videoio.hpp>

#include <algorithm>
#include <cstdlib>

namespace {

// OpenCV's own cascade finds messi5.jpg's face at about (246, 64, 81, 81).
bool NearMessisFace(const FdFrResult& r)
{
    return std::abs(r.X - 246) <= 10 && std::abs(r.Y - 64) <= 10 && std::abs(r.Width - 81) <= 12 &&
           std::abs(r.Height - 81) <= 12;
}

// The face job serves both face models, the loaded model names the result;
// age/gender gives the one face with its age and gender; object detection
// finds people, boxed inside the frame. An unusable frame then gives an
// empty list and frees the device.
TEST(Jobs, ResultsComeBackWhereTheThingsAre)
{
    cv::Mat street;
    cv::VideoCapture(OpenCvSample("vtest.avi")).read(street);
    const cv::Mat messi = ReadPicture(OpenCvSample("messi5.jpg"));
    for (const int mode : {3, 0, 1, 2}) {
        SCOPED_TRACE(mode);
        const cv::Mat& frame = mode == 2 ? street : messi;
        DeviceRig rig(frame.cols, frame.rows);
        ASSERT_TRUE(rig.Connect(mode));
        DeviceResult result;
        ASSERT_TRUE(rig.Infer(frame, result));
        EXPECT_EQ(std::make_pair(result.DevId, result.Mode), std::make_pair(0, mode));
        EXPECT_TRUE(mode == 2 || std::any_of(result.list.begin(), result.list.end(), NearMessisFace));
        EXPECT_TRUE(mode != 1 || result.list.size() == 1u);
        int people = 0;
        for (const auto& r : result.list) {
            const cv::Rect box(r.X, r.Y, r.Width, r.Height);
            EXPECT_EQ(box & cv::Rect(0, 0, frame.cols, frame.rows), box);
            if (mode == 1)
                EXPECT_TRUE(r.Male + r.Female == 1 && r.Age > 0);
            else if (mode == 2)
                people += r.ClassId == 0;
            else
                EXPECT_TRUE(r.ClassId == 1 || r.ClassId == -1) << r.ClassId;
        }
        EXPECT_TRUE(mode != 2 || people >= 1) << result.list.size() << " boxes";
        if (mode != 2)
            continue;
        const int inferences = rig.CountCalls("edl_dme_inference");
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(rig.Infer(cv::Mat(), result)) << "an unusable frame frees the device";
            EXPECT_TRUE(result.list.empty());
        }
        EXPECT_EQ(rig.messages.filter("[Host Lib] Frame skipped").size(), 1) << "reported once, not per frame";
        EXPECT_EQ(rig.CountCalls("edl_dme_inference"), inferences);
    }
}

}  // namespace
