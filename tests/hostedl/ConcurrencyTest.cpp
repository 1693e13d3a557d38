// A de-init that races a running inference.

#include "EdlSession.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace edltest;

namespace {

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
