#include "fifo/PipeIo.h"

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
using Clock = std::chrono::steady_clock;

namespace {

std::string MakeFifo(const TempDir& dir, const std::string& name)
{
    const std::string path = dir.File(name);
    EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
    return path;
}

[[maybe_unused]] long long MsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

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
        {"/run/user/7", "relative/fifo", "relative/fifo"},
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

TEST(PipeIo, OpeningFailsAtOnceAndRefusesWhatIsNotAFifo)
{
    TempDir dir;
    const std::string fifo = MakeFifo(dir, "fifo");
    const std::string file = dir.File("file");
    WriteText(file, "precious");
    mkdir(dir.File("dir").c_str(), 0700);
    ASSERT_EQ(symlink(fifo.c_str(), dir.File("link").c_str()), 0);

    struct Case {
        std::string path;
        PipeAccess access;
        int error;
        bool refused;
    };
    const Case cases[] = {
        {dir.File("missing"), PipeAccess::Write, ENOENT, false},
        {fifo, PipeAccess::Write, ENXIO, false},  // nobody reads it
        {file, PipeAccess::Write, EINVAL, true},
        {dir.File("dir"), PipeAccess::Read, EINVAL, true},
        {dir.File("link"), PipeAccess::Write, EINVAL, true},
        {dir.File("link"), PipeAccess::Read, EINVAL, true},
    };
    for (const Case& c : cases) {
        [[maybe_unused]] const auto start = Clock::now();
        const OpenResult result = OpenPipe(c.path, c.access);
        EXPECT_FALSE(result.Ok()) << c.path;
        EXPECT_EQ(result.error, c.error) << c.path;
        EXPECT_EQ(!result.refusal.empty(), c.refused) << c.path;
#ifndef VIREO_SANITIZED_BUILD
        EXPECT_LT(MsSince(start), 100) << c.path;
#endif
    }
    EXPECT_EQ(ReadText(file), "precious");

    // A reader may open before any writer exists.
    OpenResult reader = OpenPipe(fifo, PipeAccess::Read);
    ASSERT_TRUE(reader.Ok());
    OpenResult writer = OpenPipe(fifo, PipeAccess::Write);
    EXPECT_TRUE(writer.Ok());
    ClosePipe(writer.handle);
    ClosePipe(reader.handle);
    EXPECT_EQ(reader.handle, kInvalidPipe);
}

TEST(PipeIo, ReadWaitsForALateWriterAndMovesLargeBodiesInPieces)
{
    TempDir dir;
    const std::string path = MakeFifo(dir, "fifo");
    OpenResult reader = OpenPipe(path, PipeAccess::Read);
    ASSERT_TRUE(reader.Ok());

    const std::string payload(4u << 20, 'z');  // several times the pipe's capacity
    std::atomic<bool> cancel{false};
    auto writer = std::async(std::launch::async, [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the reader saw no writer yet
        OpenResult w = OpenPipe(path, PipeAccess::Write);
        IoResult r = WriteAll(w.handle, payload.data(), payload.size(), cancel);
        ClosePipe(w.handle);
        return r;
    });
    std::string got(payload.size(), '\0');
    const IoResult read = ReadAll(reader.handle, &got[0], got.size(), cancel);
    const IoResult written = writer.get();
    EXPECT_EQ(written.end, IoEnd::Complete);
    EXPECT_EQ(read.end, IoEnd::Complete);
    EXPECT_EQ(read.bytes, payload.size());
    EXPECT_TRUE(got == payload);

    // The writer has gone: a further read ends instead of waiting.
    char more = 0;
    EXPECT_EQ(ReadAll(reader.handle, &more, 1, cancel).end, IoEnd::Closed);
    ClosePipe(reader.handle);
}

TEST(PipeIo, CancelEndsAWaitingReadOrWrite)
{
    TempDir dir;
    const std::string path = MakeFifo(dir, "fifo");
    OpenResult reader = OpenPipe(path, PipeAccess::Read);
    OpenResult writer = OpenPipe(path, PipeAccess::Write);
    ASSERT_TRUE(reader.Ok() && writer.Ok());

    for (const bool reading : {true, false}) {
        std::atomic<bool> cancel{false};
        const std::string big(8u << 20, 'w');  // more than the pipe holds: the write waits
        std::string into(16, '\0');
        auto pending = std::async(std::launch::async, [&] {
            return reading ? ReadAll(reader.handle, &into[0], into.size(), cancel)
                           : WriteAll(writer.handle, big.data(), big.size(), cancel);
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        [[maybe_unused]] const auto start = Clock::now();
        cancel = true;
        const IoResult result = pending.get();
        EXPECT_EQ(result.end, IoEnd::Cancelled) << (reading ? "read" : "write");
#ifndef VIREO_SANITIZED_BUILD
        EXPECT_LT(MsSince(start), 200) << (reading ? "read" : "write");
#endif
        DiscardPending(reader.handle);
    }
    ClosePipe(writer.handle);
    ClosePipe(reader.handle);
}

TEST(PipeIo, ReadEndsWhenThePeerDiesBeforeItEverWrites)
{
    // The detector opened the request pipe, then died before it opened the
    // response pipe: nothing would ever wake the response read.
    TempDir dir;
    const std::string request = MakeFifo(dir, "req");
    const std::string response = MakeFifo(dir, "resp");
    const int detectorEnd = open(request.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(detectorEnd, 0);
    OpenResult requestPipe = OpenPipe(request, PipeAccess::Write);
    OpenResult responsePipe = OpenPipe(response, PipeAccess::Read);
    ASSERT_TRUE(requestPipe.Ok() && responsePipe.Ok());
    close(detectorEnd);

    std::atomic<bool> cancel{false};
    char header[4];
    const IoResult result = ReadAll(responsePipe.handle, header, sizeof header, cancel, requestPipe.handle);
    EXPECT_EQ(result.end, IoEnd::Closed);
    ClosePipe(requestPipe.handle);
    ClosePipe(responsePipe.handle);
}

TEST(PipeIo, WritingToAVanishedReaderIsAnErrorNotADeath)
{
    std::signal(SIGPIPE, SIG_DFL);  // as in a program that never touched it
    TempDir dir;
    const std::string path = MakeFifo(dir, "fifo");
    const int readerFd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
    OpenResult writer = OpenPipe(path, PipeAccess::Write);
    ASSERT_TRUE(writer.Ok());
    close(readerFd);

    std::atomic<bool> cancel{false};
    const char bytes[] = "frame";
    const IoResult result = WriteAll(writer.handle, bytes, sizeof bytes, cancel);
    EXPECT_EQ(result.end, IoEnd::Closed);
    EXPECT_EQ(result.error, EPIPE);

    sigset_t pending;
    sigpending(&pending);
    EXPECT_EQ(sigismember(&pending, SIGPIPE), 0) << "the SIGPIPE of the failed write was left pending";
    sigset_t mask;
    pthread_sigmask(SIG_BLOCK, nullptr, &mask);
    EXPECT_EQ(sigismember(&mask, SIGPIPE), 0) << "SIGPIPE stayed blocked";
    ClosePipe(writer.handle);
}

TEST(PipeIo, DiscardPendingDropsWhatIsWaiting)
{
    TempDir dir;
    const std::string path = MakeFifo(dir, "fifo");
    OpenResult reader = OpenPipe(path, PipeAccess::Read);
    OpenResult writer = OpenPipe(path, PipeAccess::Write);
    ASSERT_TRUE(reader.Ok() && writer.Ok());
    EXPECT_EQ(DiscardPending(reader.handle), 0u);
    std::atomic<bool> cancel{false};
    const std::string stale(100000, 's');
    WriteAll(writer.handle, stale.data(), stale.size(), cancel);
    EXPECT_EQ(DiscardPending(reader.handle), stale.size());
    EXPECT_EQ(DiscardPending(kInvalidPipe), 0u);
    ClosePipe(writer.handle);
    ClosePipe(reader.handle);
}
