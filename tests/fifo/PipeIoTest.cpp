#include "fifo/PipeIo.h"

#include "SanitizedBuild.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace pipeio;

namespace {

using namespace std::chrono_literals;

// Far longer than any test waits: the limits play no part.
const WaitLimits kPatient{60s, 60s};

// A FIFO in a scratch directory, its read end open (which needs no writer).
class PipeIoTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        reader = OpenPipe(path, PipeAccess::Read).handle;
        ASSERT_NE(reader, kInvalidPipe);
    }
    void TearDown() override
    {
        ClosePipe(writer);
        ClosePipe(reader);
    }
    void OpenWriter()
    {
        writer = OpenPipe(path, PipeAccess::Write).handle;
        ASSERT_NE(writer, kInvalidPipe);
    }

    TempDir dir;
    const std::string path = dir.File("fifo");
    PipeHandle reader = kInvalidPipe;
    PipeHandle writer = kInvalidPipe;
    std::atomic<bool> cancel{false};
};

}  // namespace

TEST(PipeIo, WindowsPipeNamesMapToTheRuntimeDirectory)
{
    struct Case {
        const char* runtimeDir;  // nullptr: unset
        std::string name;
        std::string path;
    };
    const Case cases[] = {
        {"/run/user/1000", "\\\\.\\pipe\\req_pipe", "/run/user/1000/req_pipe"},
        {nullptr, "\\\\.\\pipe\\resp_pipe", "/tmp/resp_pipe"},
        {"", "\\\\.\\pipe\\resp_pipe", "/tmp/resp_pipe"},
        {"/run/user/7", "\\\\.\\PIPE\\Mixed", "/run/user/7/Mixed"},
        {"/run/user/7", "/var/tmp/my_fifo", "/var/tmp/my_fifo"},
        {"/run/user/7", "\\\\.\\pip\\short", "\\\\.\\pip\\short"},
    };
    for (const Case& c : cases) {
        if (c.runtimeDir != nullptr)
            setenv("XDG_RUNTIME_DIR", c.runtimeDir, 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
        EXPECT_EQ(PipePath(c.name), c.path) << c.name;
    }
}

TEST_F(PipeIoTest, ReadWaitsForALateWriterAndMovesLargeBodiesInPieces)
{
    const std::string payload(4u << 20, 'z');  // several times the pipe's capacity
    auto written = std::async(std::launch::async, [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the reader saw no writer yet
        OpenWriter();
        const IoResult result = WriteAll(writer, payload.data(), payload.size(), cancel, kPatient);
        ClosePipe(writer);
        return result;
    });
    std::string got(payload.size(), '\0');
    const IoResult read = ReadAll(reader, &got[0], got.size(), cancel, kPatient);
    EXPECT_EQ(written.get().end, IoEnd::Complete);
    EXPECT_EQ(read.end, IoEnd::Complete);
    EXPECT_EQ(read.bytes, payload.size());
    EXPECT_TRUE(got == payload);

    // The writer has gone: a further read ends instead of waiting.
    char more = 0;
    EXPECT_EQ(ReadAll(reader, &more, 1, cancel, kPatient).end, IoEnd::Closed);
}

TEST_F(PipeIoTest, CancelEndsAWaitingWrite)
{
    OpenWriter();
    const std::string big(8u << 20, 'w');  // more than the pipe holds: the write waits
    auto pending = std::async(std::launch::async, [&] { return WriteAll(writer, big.data(), big.size(), cancel, kPatient); });
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    const auto start = std::chrono::steady_clock::now();
    cancel = true;
    EXPECT_EQ(pending.get().end, IoEnd::Cancelled);
    // Without the cancel the write waits its minute-long limit.
    EXPECT_LT(std::chrono::steady_clock::now() - start, WallLimit(std::chrono::seconds(1)));
}

// A peer restarted at once keeps its pipe open, so no end of file ever shows:
// only the limits end such a transfer.
TEST_F(PipeIoTest, TransfersEndWhenTheOtherSideStopsMovingBytes)
{
    OpenWriter();
    const WaitLimits quick{300ms, 100ms};
    char header[4];
    IoResult result = ReadAll(reader, header, sizeof header, cancel, quick);
    EXPECT_EQ(result.end, IoEnd::TimedOut) << "an answer that never starts";
    EXPECT_EQ(result.bytes, 0u);

    ASSERT_EQ(WriteAll(writer, "ab", 2, cancel, quick).end, IoEnd::Complete);
    result = ReadAll(reader, header, sizeof header, cancel, quick);
    EXPECT_EQ(result.end, IoEnd::TimedOut) << "an answer that stops half way";
    EXPECT_EQ(result.bytes, 2u);

    const std::string big(8u << 20, 'w');  // more than the pipe holds, and nobody reads
    result = WriteAll(writer, big.data(), big.size(), cancel, quick);
    EXPECT_EQ(result.end, IoEnd::TimedOut) << "a request the reader stopped taking";
    EXPECT_GT(result.bytes, 0u);
    EXPECT_LT(result.bytes, big.size());
}

TEST_F(PipeIoTest, ReadEndsWhenThePeerDiesBeforeItEverWrites)
{
    // The detector opened the request pipe, then died before it opened this
    // response pipe: nothing would ever wake the read.
    const std::string request = dir.File("req");
    ASSERT_EQ(mkfifo(request.c_str(), 0600), 0);
    const int detectorEnd = open(request.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(detectorEnd, 0);
    PipeHandle requestPipe = OpenPipe(request, PipeAccess::Write).handle;
    ASSERT_NE(requestPipe, kInvalidPipe);
    close(detectorEnd);

    char header[4];
    EXPECT_EQ(ReadAll(reader, header, sizeof header, cancel, kPatient, requestPipe).end, IoEnd::Closed);
    ClosePipe(requestPipe);
}

TEST_F(PipeIoTest, WritingToAVanishedReaderIsAnErrorNotADeath)
{
    std::signal(SIGPIPE, SIG_DFL);  // as in a program that never touched it
    OpenWriter();
    ClosePipe(reader);
    const char bytes[] = "frame";
    const IoResult result = WriteAll(writer, bytes, sizeof bytes, cancel, kPatient);
    EXPECT_EQ(result.end, IoEnd::Closed);
    EXPECT_EQ(result.error, EPIPE);

    sigset_t signals;
    sigpending(&signals);
    EXPECT_EQ(sigismember(&signals, SIGPIPE), 0) << "the SIGPIPE of the failed write was left pending";
    pthread_sigmask(SIG_BLOCK, nullptr, &signals);
    EXPECT_EQ(sigismember(&signals, SIGPIPE), 0) << "SIGPIPE stayed blocked";
}
