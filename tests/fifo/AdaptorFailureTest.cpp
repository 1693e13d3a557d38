// Detectors that are missing, misbehave, die, come back or hang.

#include "AdaptorFixture.h"

#include <dirent.h>
#include <sys/stat.h>

#include <chrono>
#include <future>
#include <thread>

using Failures = AdaptorFixture;
using Clock = std::chrono::steady_clock;

namespace {

int OpenDescriptors()
{
    int count = 0;
    if (DIR* fds = opendir("/proc/self/fd")) {
        while (readdir(fds) != nullptr)
            ++count;
        closedir(fds);
    }
    return count;
}

}  // namespace

TEST_F(Failures, WithoutADetectorEveryFrameFailsAtOnceWithMinus2)
{
    struct Case {
        const char* what;
        bool makeFifos;
        std::string line;
    };
    const Case cases[] = {
        {"no pipes", false, "Failed to open req fifo with errno [2]"},
        {"pipes but no detector", true, "Failed to open req fifo with errno [6]"},
    };
    for (const Case& c : cases) {
        EdgeFifoAdaptor::DestroyInstance();
        adaptor = EdgeFifoAdaptor::CreateInstance(request, response);
        if (c.makeFifos) {
            mkfifo(request.c_str(), 0600);
            mkfifo(response.c_str(), 0600);
        }
        testing::internal::CaptureStdout();
        const auto start = Clock::now();
        std::vector<int> results;
        for (int frame = 0; frame < 30; ++frame)
            results.push_back(adaptor->Infer(face));
        [[maybe_unused]] const auto took = Clock::now() - start;
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_EQ(results, std::vector<int>(30, -2)) << c.what;
        EXPECT_EQ(printed, c.line + "\n") << c.what << ": repeats within a second are counted, not printed";
#ifndef VIREO_SANITIZED_BUILD
        EXPECT_LT(took, std::chrono::seconds(1)) << c.what;
#endif
    }
}

TEST_F(Failures, APathThatIsNotAFifoIsNeverWritten)
{
    WriteText(request, "the user's file");
    testing::internal::CaptureStdout();
    EXPECT_EQ(adaptor->Infer(face), -2);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("is a regular file, not a FIFO"), std::string::npos) << printed;
    EXPECT_EQ(ReadText(request), "the user's file");
}

TEST_F(Failures, MisbehavingDetectorsFailCleanly)
{
    struct Case {
        const char* what;
        std::vector<std::string> flags;
        std::vector<int> results;  // of consecutive frames, the first once connected
        std::string line;          // printed along the way
        std::vector<std::string> frameNumbers;  // "Frame" rows of the successful frames
        int exitCode;              // of the detector after the last frame; -1: still serving
    };
    const Case cases[] = {
        {"not JSON", {"--garbage"}, {0, 0}, "Json parse error: ", {"", ""}, -1},
        {"short body", {"--short-body"}, {-3}, "Failed to read cnn result with errno [0]", {}, 0},
        {"huge length", {"--huge-length"}, {-3}, "Refused a detector answer of 4294967280 bytes", {}, 0},
        {"two answers", {"--two-answers"}, {0, 0, 0}, "stale bytes", {"1", "2", "3"}, -1},
        {"crash", {"--crash-after", "2"}, {0, 0, -3}, "Failed to read cnn msg hdr with errno [0]", {"1", "2"}, 70},
        {"late answer", {"--delay-ms", "700"}, {0, 0}, "", {"1", "2"}, -1},
        {"empty answer", {"--echo"}, {0, 0}, "", {"", ""}, -1},
    };
    for (const Case& c : cases) {
        EdgeFifoAdaptor::DestroyInstance();
        detector.Kill();
        adaptor = EdgeFifoAdaptor::CreateInstance(request, response);
        StartOwl(c.flags);
        // Checked after the capture ends: a failure printed inside it would be lost.
        testing::internal::CaptureStdout();
        std::vector<int> results;
        std::vector<std::string> numbers;
        bool failedWithResults = false;
        for (std::size_t i = 0; i < c.results.size(); ++i) {
            const int result = i == 0 ? InferConnected(face) : adaptor->Infer(face);
            results.push_back(result);
            std::vector<Json::Value> boxes;
            std::vector<Json::Value> frames;
            adaptor->GetBboxResults(boxes);
            adaptor->GetFrameResults(frames);
            if (result == 0)
                numbers.push_back(FrameRow(frames, "Frame"));
            else
                failedWithResults = failedWithResults || !boxes.empty() || !frames.empty();
        }
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_EQ(results, c.results) << c.what << " printed: " << printed;
        EXPECT_FALSE(failedWithResults) << c.what;
        EXPECT_NE(printed.find(c.line), std::string::npos) << c.what << " printed: " << printed;
        EXPECT_EQ(numbers, c.frameNumbers) << c.what;
        // A failed exchange closes the pipes at once, so a detector that has
        // not died already sees the end of its request pipe and leaves.
        EXPECT_EQ(detector.WaitExit(std::chrono::milliseconds(c.exitCode == -1 ? 0 : 5000)), c.exitCode) << c.what;
    }
}

TEST_F(Failures, AKilledDetectorIsPickedUpAgainWhenRestarted)
{
    StartOwl({"--echo"});
    ASSERT_EQ(InferConnected(face), 0);
    const int descriptors = OpenDescriptors();
    for (int round = 0; round < 3; ++round) {
        detector.Kill();
        testing::internal::CaptureStdout();
        const int failed = adaptor->Infer(face);
        testing::internal::GetCapturedStdout();
        EXPECT_TRUE(failed == -3 || failed == -2) << failed;
        EXPECT_EQ(adaptor->Infer(face), -2);  // nobody serves the pipes now
        StartOwl({"--echo"});
        EXPECT_EQ(InferConnected(face), 0) << "round " << round;
        EXPECT_EQ(adaptor->Infer(face), 0) << "round " << round;
    }
    EXPECT_EQ(OpenDescriptors(), descriptors) << "reconnects leak descriptors";
}

TEST_F(Failures, CancelEndsAnExchangeWithAHungDetector)
{
    StartOwl({"--echo", "--delay-ms", "60000"});
    auto pending = std::async(std::launch::async, [this] { return InferConnected(face); });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_EQ(pending.wait_for(std::chrono::seconds(0)), std::future_status::timeout) << "did not wait";
    [[maybe_unused]] const auto start = Clock::now();
    adaptor->Cancel();
    EXPECT_EQ(pending.get(), -3);
#ifndef VIREO_SANITIZED_BUILD
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(200));
#endif
    [[maybe_unused]] const auto again = Clock::now();
    EXPECT_EQ(adaptor->Infer(face), -3);
#ifndef VIREO_SANITIZED_BUILD
    EXPECT_LT(Clock::now() - again, std::chrono::milliseconds(100));
#endif
}
