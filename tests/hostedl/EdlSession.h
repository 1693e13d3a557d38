#pragma once
// Drives the host library through its C calls the way the program does:
// connect, firmware check, model upload, configure, infer and retrieve.

#include "hostedl.h"

#include <gtest/gtest.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace edltest {

constexpr uint32_t kFormatBoxes = 0x80000060u;
constexpr uint32_t kFormatAgeGender = 0x81000060u;

inline std::vector<char> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The build tree's run-time root, and OpenCV's sample pictures.
inline std::string RuntimeDir() { return VIREO_BUILD_DIR; }
inline std::string OpenCvSample(const std::string& name) { return std::string(VIREO_OPENCV_SAMPLES) + "/" + name; }

// fw_info.bin or all_models.bin of a built-in set ("mask", "yolo", ...).
inline std::vector<char> SetFile(const std::string& set, const std::string& file)
{
    return ReadBytes(RuntimeDir() + "/HostLibAdapter/models/" + set + "/" + file);
}

// BGR picture -> the bytes the program sends: BGR565, rows back to back.
inline std::vector<char> ToBgr565(const cv::Mat& bgr)
{
    cv::Mat packed;
    cv::cvtColor(bgr, packed, cv::COLOR_BGR2BGR565);
    return std::vector<char>(packed.data, packed.data + packed.total() * packed.elemSize());
}

// Sends the six u32 fields of a DME configuration; the call's result.
inline int Configure(int dev, uint32_t modelId, uint32_t outputs, uint32_t width, uint32_t height, uint32_t format,
                     uint32_t channels = 3, uint32_t* modelIdOut = nullptr)
{
    uint32_t fields[6] = {modelId, outputs, width, height, channels, format};
    return edl_dme_configure(dev, reinterpret_cast<char*>(fields), sizeof fields, modelIdOut);
}

// The answers as the device lays them out (the test host is little-endian too).
struct BoxAnswer {
    float x1, y1, x2, y2, score;
    int32_t classId;
};
struct AgeGenderAnswer {
    float x1, y1, x2, y2, score;
    uint32_t reserved, age, gender;
};
static_assert(sizeof(BoxAnswer) == 24 && sizeof(AgeGenderAnswer) == 32, "answer layouts");

inline std::vector<BoxAnswer> ParseBoxes(const std::vector<char>& a)
{
    uint32_t n = 0;
    if (a.size() >= 8) std::memcpy(&n, a.data() + 4, 4);
    std::vector<BoxAnswer> boxes(std::min<size_t>(n, a.size() < 8 ? 0 : (a.size() - 8) / 24));
    if (!boxes.empty()) std::memcpy(boxes.data(), a.data() + 8, boxes.size() * 24);
    return boxes;
}

inline AgeGenderAnswer ParseAgeGender(const std::vector<char>& a)
{
    AgeGenderAnswer r{};
    if (a.size() >= 32) std::memcpy(&r, a.data(), 32);
    return r;
}

// Connects one device (init, add, start); returns its index or a negative result.
inline int Connect()
{
    if (int r = edl_lib_init(); r < 0) return r;
    const int dev = edl_add_dev(1, "");
    if (dev < 0) return dev;
    if (int r = edl_lib_start(); r < 0) return r;
    return dev;
}

// The call's result, and the SCPU firmware and build ids and the NCPU firmware id.
inline int Status(int dev, uint32_t* fw = nullptr, uint32_t* build = nullptr, uint32_t* ncpuFw = nullptr)
{
    uint32_t a = 0, b = 0, c = 0, d = 0;
    uint16_t s1 = 0, s2 = 0;
    const int r = edl_report_sys_status(dev, &a, &b, &s1, &s2, &c, &d);
    if (fw != nullptr) *fw = a;
    if (build != nullptr) *build = b;
    if (ncpuFw != nullptr) *ncpuFw = c;
    return r;
}

// Uploads a setup and a model image; the call's result.
inline int StartDme(int dev, std::vector<char> setup, std::vector<char> model, uint32_t* status = nullptr)
{
    uint32_t local = 0;
    return edl_start_dme(dev, static_cast<uint32_t>(model.size()), setup.data(), static_cast<int>(setup.size()),
                         status ? status : &local, model.data(), static_cast<int>(model.size()));
}

inline int UploadBuiltin(int dev, const std::string& set, uint32_t* status = nullptr)
{
    return StartDme(dev, SetFile(set, "fw_info.bin"), SetFile(set, "all_models.bin"), status);
}

// Inference plus retrieval of exactly the reported size; the call's result.
inline int Infer(int dev, std::vector<char>& image, std::vector<char>& answer)
{
    uint32_t size = 0;
    uint8_t flag = 1;
    std::vector<char> unused(16);
    const int len = static_cast<int>(image.size());
    if (int r = edl_dme_inference(dev, image.data(), len, &size, &flag, unused.data(), 0, 0); r != 0) return r;
    answer.assign(size, 0);
    return edl_dme_retrieve_res(dev, 0, static_cast<int>(size), answer.data());
}

// The mask set at 64 x 48, and an inference of a blank image at that size.
inline void UploadMask64x48(int dev = 0)
{
    ASSERT_EQ(UploadBuiltin(dev, "mask"), 0);
    ASSERT_EQ(Configure(dev, 3, 8, 64, 48, kFormatBoxes), 0);
}

inline int InferBlank(int dev = 0)
{
    std::vector<char> image(64 * 48 * 2, 0), answer;
    return Infer(dev, image, answer);
}

// Sets an emulator knob for one test; it is unset again at the test's end
// (no test runs with one set beforehand).
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name(name) { setenv(name, value, 1); }
    ~ScopedEnv() { unsetenv(name); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name;
};

}  // namespace edltest
