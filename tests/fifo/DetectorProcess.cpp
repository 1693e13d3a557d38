#include "DetectorProcess.h"

#include <csignal>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

DetectorProcess::~DetectorProcess()
{
    Kill();
}

bool DetectorProcess::Start(const std::vector<std::string>& argv)
{
    Kill();
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    status = -1;
    if (posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) {
        pid = -1;
        return false;
    }
    return true;
}

void DetectorProcess::Kill()
{
    if (pid <= 0)
        return;
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    pid = -1;
}

int DetectorProcess::WaitExit(std::chrono::milliseconds timeout)
{
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (pid > 0) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            pid = -1;
            break;
        }
        if (std::chrono::steady_clock::now() >= until)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

bool DetectorProcess::Running()
{
    return WaitExit(std::chrono::milliseconds(0)) == -1 && pid > 0;
}

std::string OwlDetector()
{
    return VIREO_BUILD_DIR "/bin/owl-detector";
}

std::string ExampleDetector()
{
    return VIREO_SOURCE_DIR "/tools/example_detector.py";
}

std::string SamplePicture()
{
    return "/usr/share/doc/opencv-doc/examples/data/messi5.jpg";
}

bool WaitForPath(const std::string& path)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    struct stat info {};
    while (stat(path.c_str(), &info) != 0) {
        if (std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::vector<std::string> OwlDetectorThreadFlags()
{
#ifdef VIREO_SANITIZED_BUILD
    // OpenCV's thread pool (TBB) synchronises out of ThreadSanitizer's sight,
    // so every result it hands back would be reported as a race: run inline.
    return {"--threads", "0"};
#else
    return {};
#endif
}
