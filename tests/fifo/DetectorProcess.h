#pragma once
// A detector process for a test: started with its arguments, killed and
// reaped when the test ends.

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

class DetectorProcess {
public:
    DetectorProcess() = default;
    ~DetectorProcess();
    DetectorProcess(const DetectorProcess&) = delete;
    DetectorProcess& operator=(const DetectorProcess&) = delete;

    // Starts `argv[0]` with the rest as arguments; false when it cannot run.
    bool Start(const std::vector<std::string>& argv);
    // SIGKILL, then reaps it.
    void Kill();
    // Its exit status (or 128 + signal) once it ends within `timeout`; -1 while it still runs.
    int WaitExit(std::chrono::milliseconds timeout);
    bool Running();

private:
    pid_t pid = -1;
    int status = -1;
};

std::string OwlDetector();       // the built owl-detector
std::string ExampleDetector();   // tools/example_detector.py
std::string SamplePicture();     // a photo with one frontal face

// owl-detector flags that sanitized builds need (none elsewhere).
std::vector<std::string> OwlDetectorThreadFlags();

// Blocks until `path` exists (up to five seconds); true when it does.
bool WaitForPath(const std::string& path);
