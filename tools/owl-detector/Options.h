#pragma once
// owl-detector's command line.

#include <string>

struct Options {
    std::string requestName = "\\\\.\\pipe\\req_pipe";   // the program's defaults
    std::string responseName = "\\\\.\\pipe\\resp_pipe";
    std::string cascadeDir = "/usr/share/opencv4/haarcascades";
    bool once = false;
    bool overlay = false;
    int delayMs = 0;
    int threads = -1;     // OpenCV worker threads; -1: OpenCV's choice
    int crashAfter = -1;  // answers before dying mid-exchange; -1: never
    bool garbage = false;
    bool shortBody = false;
    bool hugeLength = false;
    bool twoAnswers = false;
    bool echo = false;
    bool help = false;
    bool log = false;  // one line per answer on standard output
};

extern const char* const kUsage;

// False with `error` set for an unknown flag or a missing or bad number.
bool ParseOptions(int argc, char** argv, Options& options, std::string& error);
