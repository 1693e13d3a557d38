// Two dongles used from two threads at once, a GUI-like thread polling one of
// them meanwhile, and a de-init that races a running inference.

#include "EdlSession.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <atomic>
#include <thread>

using namespace edltest;

namespace {

TEST(Concurrency, TwoDevicesFromTwoThreads)
{
    ScopedEnv devices("EDL_EMU_DEVICES", "2");
    cv::Mat picture = cv::imread(OpenCvSample("messi5.jpg"));
    ASSERT_FALSE(picture.empty());
    cv::resize(picture, picture, cv::Size(), 0.5, 0.5, cv::INTER_AREA);  // keeps sanitizer runs short
    ASSERT_EQ(edl_lib_init(), 0);
    ASSERT_EQ(edl_add_dev(1, ""), 0);
    ASSERT_EQ(edl_add_dev(1, ""), 1);
    ASSERT_EQ(edl_lib_start(), 0);
    for (int dev : {0, 1}) {
        ASSERT_EQ(UploadBuiltin(dev, "mask"), 0);
        ASSERT_EQ(Configure(dev, 3, 8, picture.cols, picture.rows, kFormatBoxes), 0);
    }
    std::vector<char> image = ToBgr565(picture), reference;
    ASSERT_EQ(Infer(0, image, reference), 0);

    std::atomic<int> failures{0};
    std::atomic<bool> running{true};
    auto job = [&](int dev) {
        std::vector<char> own = image, answer;
        for (int i = 0; i < 4; ++i)
            if (Infer(dev, own, answer) != 0 || answer != reference) ++failures;
    };
    // What the GUI thread does to a device while its job thread works.
    std::thread gui([&] {
        while (running)
            if (Status(0) != 0) ++failures;
    });
    std::thread a(job, 0), b(job, 1);
    a.join();
    b.join();
    running = false;
    gui.join();
    EXPECT_EQ(failures, 0);
    edl_lib_de_init();
}

TEST(Concurrency, DeInitWhileAnInferenceRuns)
{
    ScopedEnv latency("EDL_EMU_INFER_MS", "200");
    ASSERT_EQ(Connect(), 0);
    UploadMask64x48();
    std::atomic<int> result{1};
    std::thread job([&] { result = InferBlank(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(edl_lib_de_init(), 0) << "does not wait for the job";
    ASSERT_EQ(Connect(), 0) << "a new session waits for the old call, then starts clean";
    job.join();
    EXPECT_LT(result, 0) << "an answer of the ended session was handed out";
    EXPECT_EQ(InferBlank(), -3) << "the new session has no model loaded";
    edl_lib_de_init();
}

}  // namespace
