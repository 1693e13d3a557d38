#include "EdlSession.h"

#include <opencv2/imgproc.hpp>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace edltest {

std::vector<char> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string RuntimeDir() { return VIREO_BUILD_DIR; }
std::string OpenCvSample(const std::string& name) { return std::string(VIREO_OPENCV_SAMPLES) + "/" + name; }

std::vector<char> ToBgr565(const cv::Mat& bgr)
{
    cv::Mat packed;
    cv::cvtColor(bgr, packed, cv::COLOR_BGR2BGR565);
    packed = packed.isContinuous() ? packed : packed.clone();
    return std::vector<char>(packed.data, packed.data + packed.total() * packed.elemSize());
}

namespace {
void PutU32(std::vector<char>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}
uint32_t U32(const std::vector<char>& b, size_t at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[at + i]);
    return v;
}
float F32(const std::vector<char>& b, size_t at)
{
    const uint32_t bits = U32(b, at);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}
}  // namespace

std::vector<char> DmeConfig(uint32_t modelId, uint32_t outputs, uint32_t width, uint32_t height, uint32_t format,
                            uint32_t channels)
{
    std::vector<char> c;
    for (uint32_t v : {modelId, outputs, width, height, channels, format}) PutU32(c, v);
    return c;
}

std::vector<BoxAnswer> ParseBoxes(const std::vector<char>& a)
{
    std::vector<BoxAnswer> boxes;
    if (a.size() < 8) return boxes;
    const uint32_t n = U32(a, 4);
    for (uint32_t i = 0; i < n && 8 + 24 * (i + 1) <= a.size(); ++i) {
        const size_t at = 8 + 24 * i;
        boxes.push_back({F32(a, at), F32(a, at + 4), F32(a, at + 8), F32(a, at + 12), F32(a, at + 16),
                         static_cast<int32_t>(U32(a, at + 20))});
    }
    return boxes;
}

AgeGenderAnswer ParseAgeGender(const std::vector<char>& a)
{
    if (a.size() < 32) return {};
    return {F32(a, 0), F32(a, 4), F32(a, 8), F32(a, 12), F32(a, 16), U32(a, 24), U32(a, 28)};
}

int StrongestClass(const std::vector<char>& a, int* channelsOut)
{
    if (a.size() < 24 || static_cast<int8_t>(a[0]) != 1) return -1;
    const uint32_t rows = U32(a, 4), channels = U32(a, 8), width = U32(a, 12);
    const size_t padded = (width + 15) / 16 * 16;
    if (rows != 1 || width != 1 || a.size() != 24 + size_t{channels} * padded) return -1;
    if (channelsOut != nullptr) *channelsOut = static_cast<int>(channels);
    int best = -1;
    int bestValue = -129;
    for (uint32_t c = 0; c < channels; ++c) {
        const int q = static_cast<int8_t>(a[24 + c * padded]);
        if (q > bestValue) {
            bestValue = q;
            best = static_cast<int>(c);
        }
    }
    return best;
}

int Connect()
{
    if (int r = edl_lib_init(); r < 0) return r;
    const int dev = edl_add_dev(1, "");
    if (dev < 0) return dev;
    if (int r = edl_lib_start(); r < 0) return r;
    return dev;
}

int UploadBuiltin(int dev, const std::string& set, uint32_t* status)
{
    const std::string dir = RuntimeDir() + "/HostLibAdapter/models/" + set + "/";
    std::vector<char> setup = ReadBytes(dir + "fw_info.bin");
    std::vector<char> model = ReadBytes(dir + "all_models.bin");
    uint32_t local = 0;
    return edl_start_dme(dev, static_cast<uint32_t>(model.size()), setup.data(), static_cast<int>(setup.size()),
                         status ? status : &local, model.data(), static_cast<int>(model.size()));
}

int UploadUserFile(int dev, const std::string& path, uint32_t* status)
{
    const std::vector<char> file = ReadBytes(path);
    if (file.size() < 4100) return -100;
    std::vector<char> setup(file.begin(), file.begin() + 68);
    std::vector<char> model(file.begin() + 4096, file.end() - 4);
    uint32_t local = 0;
    return edl_start_dme(dev, static_cast<uint32_t>(model.size()), setup.data(), 68, status ? status : &local,
                         model.data(), static_cast<int>(model.size()));
}

int Infer(int dev, std::vector<char>& image, std::vector<char>& answer)
{
    uint32_t size = 0;
    uint8_t flag = 1;
    std::vector<char> unused(16);
    const int r = edl_dme_inference(dev, image.data(), static_cast<int>(image.size()), &size, &flag, unused.data(), 0, 0);
    if (r != 0) return r;
    answer.assign(size, 0);
    return edl_dme_retrieve_res(dev, 0, static_cast<int>(size), answer.data());
}

ScopedEnv::ScopedEnv(const char* n, const char* value) : name(n)
{
    if (const char* v = std::getenv(n)) {
        had = true;
        old = v;
    }
    if (value != nullptr) setenv(n, value, 1);
    else unsetenv(n);
}

ScopedEnv::~ScopedEnv()
{
    if (had) setenv(name.c_str(), old.c_str(), 1);
    else unsetenv(name.c_str());
}

}  // namespace edltest
