#include "fifo/PipeIo.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pipeio {

namespace {

constexpr char kPipePrefix[] = "\\\\.\\pipe\\";
constexpr std::size_t kPipePrefixLength = sizeof kPipePrefix - 1;
// One request (an 853 x 480 PNG in Base64) fits in one write.
constexpr int kWantedPipeSize = 1 << 20;
constexpr auto kPeerGoneGrace = std::chrono::seconds(1);

bool HasPipePrefix(const std::string& name)
{
    if (name.size() < kPipePrefixLength)
        return false;
    for (std::size_t i = 0; i < kPipePrefixLength; ++i) {
        const char want = kPipePrefix[i];
        char have = name[i];
        if (have >= 'A' && have <= 'Z')
            have = static_cast<char>(have - 'A' + 'a');
        if (have != want)
            return false;
    }
    return true;
}

const char* KindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return "a regular file";
    if (S_ISDIR(mode))
        return "a directory";
    if (S_ISLNK(mode))
        return "a symbolic link";
    if (S_ISSOCK(mode))
        return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    return "not a FIFO";
}

std::string Refusal(const std::string& path, mode_t mode)
{
    return "\"" + path + "\" is " + KindOf(mode) + ", not a FIFO; it is left alone";
}

// Keeps SIGPIPE from the calling thread while it writes, and swallows the one
// a write to a vanished reader raises (it stays pending while blocked).
class SigpipeBlock {
public:
    SigpipeBlock()
    {
        sigemptyset(&pipeSet);
        sigaddset(&pipeSet, SIGPIPE);
        sigset_t pending;
        sigemptyset(&pending);
        wasPending = sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
        blocked = pthread_sigmask(SIG_BLOCK, &pipeSet, &previous) == 0;
    }
    ~SigpipeBlock()
    {
        if (blocked)
            pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    }
    SigpipeBlock(const SigpipeBlock&) = delete;
    SigpipeBlock& operator=(const SigpipeBlock&) = delete;

    void SwallowRaised()
    {
        if (!blocked || wasPending)
            return;
        const timespec zero{0, 0};
        while (sigtimedwait(&pipeSet, nullptr, &zero) < 0 && errno == EINTR) {
        }
    }

private:
    sigset_t pipeSet;
    sigset_t previous;
    bool wasPending = false;
    bool blocked = false;
};

int Fd(PipeHandle pipe)
{
    return static_cast<int>(pipe);
}

using Clock = std::chrono::steady_clock;

// The time the other side has left to move the next byte.
class ProgressDeadline {
public:
    explicit ProgressDeadline(WaitLimits limits) : limits(limits), due(Clock::now() + limits.firstByte) {}

    void Moved() { due = Clock::now() + limits.stall; }
    bool Passed() const { return Clock::now() >= due; }
    // A poll timeout that wakes for the cancel flag and for the deadline.
    int SliceMs() const
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now()).count();
        return static_cast<int>(std::clamp<long long>(left + 1, 0, kCancelSliceMs));
    }

private:
    WaitLimits limits;
    Clock::time_point due;
};

}  // namespace

std::string PipePath(const std::string& name)
{
    if (!HasPipePrefix(name))
        return name;
    const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
    const std::string dir = (runtimeDir != nullptr && *runtimeDir != '\0') ? runtimeDir : "/tmp";
    return dir + "/" + name.substr(kPipePrefixLength);
}

OpenResult OpenPipe(const std::string& name, PipeAccess access)
{
    OpenResult result;
    const std::string path = PipePath(name);
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
        result.error = errno;
        return result;
    }
    if (!S_ISFIFO(info.st_mode)) {
        result.error = EINVAL;
        result.refusal = Refusal(path, info.st_mode);
        return result;
    }
    // Non-blocking: a FIFO without a reader fails at once (ENXIO) instead of
    // waiting for one; the descriptor stays non-blocking and waits use poll.
    const int flags = (access == PipeAccess::Write ? O_WRONLY : O_RDONLY) | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW |
                      O_NOCTTY;
    const int fd = open(path.c_str(), flags);
    if (fd < 0) {
        result.error = errno;
        return result;
    }
    // The path may have been swapped between lstat and open.
    if (fstat(fd, &info) != 0 || !S_ISFIFO(info.st_mode)) {
        result.error = EINVAL;
        result.refusal = Refusal(path, info.st_mode);
        close(fd);
        return result;
    }
    if (access == PipeAccess::Write)
        fcntl(fd, F_SETPIPE_SZ, kWantedPipeSize);  // best effort: a smaller pipe only costs more waits
    result.handle = fd;
    return result;
}

IoResult WriteAll(PipeHandle pipe, const void* data, std::size_t size, const std::atomic<bool>& cancel,
                  WaitLimits limits)
{
    IoResult result;
    SigpipeBlock sigpipe;
    ProgressDeadline deadline(limits);
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (result.bytes < size) {
        if (cancel.load()) {
            result.end = IoEnd::Cancelled;
            return result;
        }
        const ssize_t written = write(Fd(pipe), bytes + result.bytes, size - result.bytes);
        if (written > 0) {
            result.bytes += static_cast<std::size_t>(written);
            deadline.Moved();
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno == EAGAIN) {
            if (deadline.Passed()) {
                result.end = IoEnd::TimedOut;
                return result;
            }
            pollfd waitFor{Fd(pipe), POLLOUT, 0};
            if (poll(&waitFor, 1, deadline.SliceMs()) < 0 && errno != EINTR) {
                result.end = IoEnd::Failed;
                result.error = errno;
                return result;
            }
            continue;  // POLLERR (reader gone) shows as EPIPE from the next write
        }
        if (written < 0 && errno == EPIPE) {
            sigpipe.SwallowRaised();
            result.end = IoEnd::Closed;
            result.error = EPIPE;
            return result;
        }
        result.end = IoEnd::Failed;
        result.error = written < 0 ? errno : EIO;
        return result;
    }
    return result;
}

IoResult ReadAll(PipeHandle pipe, void* data, std::size_t size, const std::atomic<bool>& cancel, WaitLimits limits,
                 PipeHandle peer)
{
    IoResult result;
    ProgressDeadline deadline(limits);
    auto* bytes = static_cast<unsigned char*>(data);
    bool watchPeer = peer != kInvalidPipe;
    Clock::time_point peerGoneAt{};
    bool peerGone = false;
    while (result.bytes < size) {
        if (cancel.load()) {
            result.end = IoEnd::Cancelled;
            return result;
        }
        // The write end of `peer` reports POLLERR once its reader is gone.
        pollfd fds[2] = {{Fd(pipe), POLLIN, 0}, {watchPeer ? Fd(peer) : -1, 0, 0}};
        const int ready = poll(fds, watchPeer ? 2 : 1, deadline.SliceMs());
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            result.end = IoEnd::Failed;
            result.error = errno;
            return result;
        }
        if (fds[0].revents != 0) {
            const ssize_t got = read(Fd(pipe), bytes + result.bytes, size - result.bytes);
            if (got > 0) {
                result.bytes += static_cast<std::size_t>(got);
                deadline.Moved();
                peerGone = false;
                continue;
            }
            if (got == 0) {  // poll said ready, so a writer was there and has gone
                result.end = IoEnd::Closed;
                return result;
            }
            if (errno == EAGAIN || errno == EINTR)
                continue;
            result.end = IoEnd::Failed;
            result.error = errno;
            return result;
        }
        if (watchPeer && (fds[1].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            watchPeer = false;  // level-triggered: stop asking, count the grace instead
            peerGone = true;
            peerGoneAt = Clock::now();
        }
        if (peerGone && Clock::now() - peerGoneAt >= kPeerGoneGrace) {
            result.end = IoEnd::Closed;
            result.error = EPIPE;
            return result;
        }
        if (deadline.Passed()) {
            result.end = IoEnd::TimedOut;
            return result;
        }
    }
    return result;
}

std::size_t DiscardPending(PipeHandle pipe)
{
    if (pipe == kInvalidPipe)
        return 0;
    std::size_t dropped = 0;
    char scratch[65536];
    for (;;) {
        const ssize_t got = read(Fd(pipe), scratch, sizeof scratch);
        if (got > 0) {
            dropped += static_cast<std::size_t>(got);
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        return dropped;  // empty (EAGAIN), no writer (0) or an error the exchange will meet
    }
}

void ClosePipe(PipeHandle& pipe)
{
    if (pipe == kInvalidPipe)
        return;
    close(Fd(pipe));
    pipe = kInvalidPipe;
}

}  // namespace pipeio
