#include "PipeServer.h"

#include "fifo/MessageFraming.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kWantedPipeSize = 1 << 20;
// Requests are pictures of a few hundred kilobytes; anything near this is not one.
constexpr std::uint32_t kMaxRequestBytes = 64u << 20;

bool EnsureFifo(const std::string& path, std::string& error)
{
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0) {
        if (S_ISFIFO(info.st_mode))
            return true;
        error = path + " exists and is not a FIFO; remove it or pick another name";
        return false;
    }
    if (mkfifo(path.c_str(), 0600) == 0 || errno == EEXIST)
        return true;
    error = "cannot create FIFO " + path + ": " + std::strerror(errno);
    return false;
}

std::size_t ReadFully(int fd, void* buffer, std::size_t size)
{
    auto* bytes = static_cast<char*>(buffer);
    std::size_t have = 0;
    while (have < size) {
        const ssize_t got = read(fd, bytes + have, size - have);
        if (got > 0)
            have += static_cast<std::size_t>(got);
        else if (got < 0 && errno == EINTR)
            continue;
        else
            break;
    }
    return have;
}

}  // namespace

PipeServer::PipeServer(std::string requestPath, std::string responsePath)
    : requestPath(std::move(requestPath)), responsePath(std::move(responsePath))
{
}

PipeServer::~PipeServer()
{
    if (requestFd >= 0)
        close(requestFd);
    if (responseFd >= 0)
        close(responseFd);
}

bool PipeServer::Prepare(std::string& error)
{
    return EnsureFifo(requestPath, error) && EnsureFifo(responsePath, error);
}

bool PipeServer::Open(std::string& error)
{
    requestFd = open(requestPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (requestFd < 0) {
        error = "cannot open " + requestPath + ": " + std::strerror(errno);
        return false;
    }
    responseFd = open(responsePath.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (responseFd < 0) {
        error = "cannot open " + responsePath + ": " + std::strerror(errno);
        return false;
    }
    fcntl(responseFd, F_SETPIPE_SZ, kWantedPipeSize);  // best effort
    return true;
}

PipeServer::ReadStatus PipeServer::ReadRequest(std::string& body, std::string& error)
{
    bool anyByte = false;
    const ReadExactly read = [this, &anyByte](void* buffer, std::size_t size) {
        const std::size_t got = ReadFully(requestFd, buffer, size);
        anyByte = anyByte || got > 0;
        return got;
    };
    const FrameRead frame = ReadFrame(read, body, kMaxRequestBytes);
    switch (frame.status) {
    case FrameStatus::Ok:
        return ReadStatus::Ok;
    case FrameStatus::ShortHeader:
        if (!anyByte)
            return ReadStatus::Ended;
        error = "the request pipe ended inside a header";
        return ReadStatus::Failed;
    case FrameStatus::TooLarge:
        error = "a request announced " + std::to_string(frame.announced) + " bytes";
        return ReadStatus::Failed;
    case FrameStatus::ShortBody:
        error = "the request pipe ended inside a body";
        return ReadStatus::Failed;
    }
    return ReadStatus::Failed;
}

bool PipeServer::Write(const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = write(responseFd, bytes.data() + done, bytes.size() - done);
        if (written > 0)
            done += static_cast<std::size_t>(written);
        else if (written < 0 && errno == EINTR)
            continue;
        else
            return false;  // EPIPE: the program closed its end (SIGPIPE is ignored)
    }
    return true;
}
