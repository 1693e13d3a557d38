#pragma once
// Drives the host library through its C calls the way the program does:
// connect, firmware check, model upload, configure, infer and retrieve.

#include "hostedl.h"

#include <opencv2/core.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace edltest {

std::vector<char> ReadBytes(const std::string& path);
std::string RuntimeDir();  // the build tree's run-time root
std::string OpenCvSample(const std::string& name);

// BGR picture -> the bytes the program sends: BGR565, rows back to back.
std::vector<char> ToBgr565(const cv::Mat& bgr);

// The six u32 fields of a DME configuration.
std::vector<char> DmeConfig(uint32_t modelId, uint32_t outputs, uint32_t width, uint32_t height,
                            uint32_t format, uint32_t channels = 3);

struct BoxAnswer {
    float x1, y1, x2, y2, score;
    int32_t classId;
};
std::vector<BoxAnswer> ParseBoxes(const std::vector<char>& answer);

struct AgeGenderAnswer {
    float x1, y1, x2, y2, score;
    uint32_t age, gender;
};
AgeGenderAnswer ParseAgeGender(const std::vector<char>& answer);

// The index of the strongest class in a raw classifier answer, decoded by
// the layout alone (count, descriptors, padded int8 runs); -1 when malformed.
int StrongestClass(const std::vector<char>& answer, int* channels = nullptr);

// Connects one device (init, add, start); returns its index or a negative result.
int Connect();

// Uploads fw_info.bin + all_models.bin of a built-in set ("mask", "yolo", ...).
int UploadBuiltin(int dev, const std::string& set, uint32_t* status = nullptr);
// Splits a user model file as the program does and uploads it.
int UploadUserFile(int dev, const std::string& path, uint32_t* status = nullptr);

// Inference plus retrieval of exactly the reported size; the call's result.
int Infer(int dev, std::vector<char>& image, std::vector<char>& answer);

// Sets (or with a null value, clears) an environment knob for one test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name;
    bool had = false;
    std::string old;
};

}  // namespace edltest
