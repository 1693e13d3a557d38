// Bad calls: each gets its own negative result and a log line, never a crash,
// and leaves the device as it was.

#include "EdlSession.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <functional>

using namespace edltest;

namespace {

constexpr int kNoDevice = -1, kBadArgument = -2, kWrongState = -3, kBadData = -4;
constexpr uint32_t kFormatBoxes = 0x80000060u;

// How far the library is brought before the bad call.
enum class Stage { Nothing, Initialised, Started, Uploaded, Configured, Inferred };

struct Case {
    const char* name;
    Stage stage;
    const char* call;  // as it appears in the log
    int expected;
    std::function<int(int dev)> run;
};

std::vector<char> MaskSetup() { return ReadBytes(RuntimeDir() + "/HostLibAdapter/models/mask/fw_info.bin"); }
std::vector<char> MaskModel() { return ReadBytes(RuntimeDir() + "/HostLibAdapter/models/mask/all_models.bin"); }

int Configure(int dev, uint32_t modelId, uint32_t outputs, uint32_t w, uint32_t h, uint32_t format,
              uint32_t channels = 3)
{
    std::vector<char> c = DmeConfig(modelId, outputs, w, h, format, channels);
    return edl_dme_configure(dev, c.data(), 24, nullptr);
}

int InferBytes(int dev, int len)
{
    std::vector<char> image(static_cast<size_t>(std::max(len, 0)) + 1, 0);
    uint32_t size = 0;
    uint8_t flag = 1;
    return edl_dme_inference(dev, image.data(), len, &size, &flag, nullptr, 0, 0);
}

const std::vector<Case>& Cases()
{
    static const std::vector<Case> cases = {
        // Out of order.
        {"add before init", Stage::Nothing, "edl_add_dev", kNoDevice, [](int) { return edl_add_dev(1, ""); }},
        {"start before init", Stage::Nothing, "edl_lib_start", kWrongState, [](int) { return edl_lib_start(); }},
        {"status before start", Stage::Initialised, "edl_report_sys_status", kWrongState,
         [](int) { uint32_t a, b; return edl_report_sys_status(0, &a, &b, nullptr, nullptr, nullptr, nullptr); }},
        {"configure before DME start", Stage::Started, "edl_dme_configure", kWrongState,
         [](int dev) { return Configure(dev, 3, 8, 64, 64, kFormatBoxes); }},
        {"inference before DME start", Stage::Started, "edl_dme_inference", kWrongState,
         [](int dev) { return InferBytes(dev, 64 * 64 * 2); }},
        {"inference before configure", Stage::Uploaded, "edl_dme_inference", kWrongState,
         [](int dev) { return InferBytes(dev, 64 * 64 * 2); }},
        {"retrieve before inference", Stage::Configured, "edl_dme_retrieve_res", kWrongState,
         [](int dev) { char b[8]; return edl_dme_retrieve_res(dev, 0, 8, b); }},
        {"inference after reset", Stage::Configured, "edl_dme_inference", kWrongState,
         [](int dev) { edl_reset_sys(dev, 255); return InferBytes(dev, 64 * 64 * 2); }},
        {"add after start", Stage::Started, "edl_add_dev", kNoDevice, [](int) { return edl_add_dev(1, ""); }},
        // Bad device index.
        {"device 1 of one", Stage::Started, "edl_report_sys_status", kNoDevice,
         [](int) { uint32_t a, b; return edl_report_sys_status(1, &a, &b, nullptr, nullptr, nullptr, nullptr); }},
        {"device -1", Stage::Started, "edl_reset_sys", kNoDevice, [](int) { return edl_reset_sys(-1, 255); }},
        {"device 1000", Stage::Started, "edl_dme_inference", kNoDevice, [](int) { return InferBytes(1000, 8); }},
        {"device type 2", Stage::Initialised, "edl_add_dev", kNoDevice, [](int) { return edl_add_dev(2, ""); }},
        // Null pointers.
        {"null log dir", Stage::Nothing, "", kBadArgument, [](int) { return edl_init_log(nullptr, "x.log"); }},
        {"null SCPU outputs", Stage::Started, "edl_report_sys_status", kBadArgument,
         [](int dev) { return edl_report_sys_status(dev, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr); }},
        {"null module id", Stage::Started, "edl_update_fw", kBadArgument,
         [](int dev) { char b[64] = {}; return edl_update_fw(dev, nullptr, b, 64); }},
        {"null firmware image", Stage::Started, "edl_update_fw", kBadArgument,
         [](int dev) { uint32_t m = 1; return edl_update_fw(dev, &m, nullptr, 64); }},
        {"null setup", Stage::Started, "edl_start_dme", kBadArgument,
         [](int dev) { auto m = MaskModel(); uint32_t s;
                       return edl_start_dme(dev, m.size(), nullptr, 60, &s, m.data(), m.size()); }},
        {"null model", Stage::Started, "edl_start_dme", kBadArgument,
         [](int dev) { auto set = MaskSetup(); uint32_t s;
                       return edl_start_dme(dev, 1000, set.data(), set.size(), &s, nullptr, 1000); }},
        {"null configuration", Stage::Uploaded, "edl_dme_configure", kBadArgument,
         [](int dev) { return edl_dme_configure(dev, nullptr, 24, nullptr); }},
        {"null image", Stage::Configured, "edl_dme_inference", kBadArgument,
         [](int dev) { uint32_t size; return edl_dme_inference(dev, nullptr, 64 * 64 * 2, &size, nullptr, nullptr, 0, 0); }},
        {"null result size", Stage::Configured, "edl_dme_inference", kBadArgument,
         [](int dev) { std::vector<char> img(64 * 64 * 2);
                       return edl_dme_inference(dev, img.data(), img.size(), nullptr, nullptr, nullptr, 0, 0); }},
        {"null result buffer", Stage::Inferred, "edl_dme_retrieve_res", kBadArgument,
         [](int dev) { return edl_dme_retrieve_res(dev, 0, 8, nullptr); }},
        // Negative or oversized lengths.
        {"negative firmware length", Stage::Started, "edl_update_fw", kBadArgument,
         [](int dev) { uint32_t m = 1; char b[64] = {}; return edl_update_fw(dev, &m, b, -1); }},
        {"negative setup length", Stage::Started, "edl_start_dme", kBadArgument,
         [](int dev) { auto set = MaskSetup(); auto m = MaskModel(); uint32_t s;
                       return edl_start_dme(dev, m.size(), set.data(), -5, &s, m.data(), m.size()); }},
        {"model length over its buffer", Stage::Started, "edl_start_dme", kBadArgument,
         [](int dev) { auto set = MaskSetup(); auto m = MaskModel(); uint32_t s;
                       return edl_start_dme(dev, m.size() + 1, set.data(), set.size(), &s, m.data(), m.size()); }},
        {"configuration of 23 bytes", Stage::Uploaded, "edl_dme_configure", kBadArgument,
         [](int dev) { auto c = DmeConfig(3, 8, 64, 64, kFormatBoxes); return edl_dme_configure(dev, c.data(), 23, nullptr); }},
        {"negative image length", Stage::Configured, "edl_dme_inference", kBadArgument,
         [](int dev) { return InferBytes(dev, -2); }},
        {"image one row short", Stage::Configured, "edl_dme_inference", kBadArgument,
         [](int dev) { return InferBytes(dev, 64 * 63 * 2); }},
        {"image one byte long", Stage::Configured, "edl_dme_inference", kBadArgument,
         [](int dev) { return InferBytes(dev, 64 * 64 * 2 + 1); }},
        {"negative retrieve length", Stage::Inferred, "edl_dme_retrieve_res", kBadArgument,
         [](int dev) { char b[8]; return edl_dme_retrieve_res(dev, 0, -1, b); }},
        {"retrieve offset past the answer", Stage::Inferred, "edl_dme_retrieve_res", kBadArgument,
         [](int dev) { char b[8]; return edl_dme_retrieve_res(dev, 100000, 8, b); }},
        {"reset mode 256", Stage::Started, "edl_reset_sys", kBadArgument, [](int dev) { return edl_reset_sys(dev, 256); }},
        // Configurations that do not fit the loaded set.
        {"object model on the mask set", Stage::Uploaded, "edl_dme_configure", kBadData,
         [](int dev) { return Configure(dev, 19, 2, 64, 64, kFormatBoxes); }},
        {"age/gender format on the mask set", Stage::Uploaded, "edl_dme_configure", kBadData,
         [](int dev) { return Configure(dev, 3, 1, 64, 64, 0x81000060u); }},
        {"wrong output count", Stage::Uploaded, "edl_dme_configure", kBadData,
         [](int dev) { return Configure(dev, 3, 2, 64, 64, kFormatBoxes); }},
        {"width 1281", Stage::Uploaded, "edl_dme_configure", kBadData,
         [](int dev) { return Configure(dev, 3, 8, 1281, 720, kFormatBoxes); }},
        {"height 0", Stage::Uploaded, "edl_dme_configure", kBadData,
         [](int dev) { return Configure(dev, 3, 8, 64, 0, kFormatBoxes); }},
        {"one channel", Stage::Uploaded, "edl_dme_configure", kBadData,
         [](int dev) { return Configure(dev, 3, 8, 64, 64, kFormatBoxes, 1); }},
    };
    return cases;
}

std::string LastLine(const std::string& text)
{
    const size_t end = text.find_last_not_of('\n');
    if (end == std::string::npos) return "";
    const size_t begin = text.rfind('\n', end);
    return text.substr(begin == std::string::npos ? 0 : begin + 1, end - (begin == std::string::npos ? 0 : begin + 1) + 1);
}

class BadInput : public ::testing::TestWithParam<size_t> {};

TEST_P(BadInput, FailsWithItsCodeAndALogLine)
{
    const Case& c = Cases()[GetParam()];
    TempDir dir;
    ASSERT_EQ(edl_init_log(dir.Path().c_str(), "edl.log"), 0);
    int dev = 0;
    std::vector<char> image(64 * 64 * 2, 0), answer;
    if (c.stage >= Stage::Initialised) {
        ASSERT_EQ(edl_lib_init(), 0);
    }
    if (c.stage >= Stage::Started) {
        ASSERT_EQ(edl_add_dev(1, ""), 0);
        ASSERT_EQ(edl_lib_start(), 0);
    }
    if (c.stage >= Stage::Uploaded) {
        ASSERT_EQ(UploadBuiltin(dev, "mask"), 0);
    }
    if (c.stage >= Stage::Configured) {
        ASSERT_EQ(Configure(dev, 3, 8, 64, 64, kFormatBoxes), 0);
    }
    if (c.stage >= Stage::Inferred) {
        ASSERT_EQ(Infer(dev, image, answer), 0);
    }

    EXPECT_EQ(c.run(dev), c.expected) << c.name;
    if (*c.call != '\0') {
        const std::string line = LastLine(ReadText(dir.File("edl.log")));
        EXPECT_NE(line.find(c.call), std::string::npos) << c.name << ": " << line;
        EXPECT_NE(line.find("result=" + std::to_string(c.expected)), std::string::npos) << c.name << ": " << line;
    }
    // The device still works as far as the stage had brought it.
    if (c.stage >= Stage::Configured && std::string(c.name) != "inference after reset") {
        EXPECT_EQ(Infer(dev, image, answer), 0) << c.name;
    }
    edl_lib_de_init();
}

INSTANTIATE_TEST_SUITE_P(Calls, BadInput, ::testing::Range<size_t>(0, Cases().size()),
                         [](const ::testing::TestParamInfo<size_t>& info) {
                             std::string name = Cases()[info.param].name;
                             for (char& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

// Corrupt or truncated model sets: refused with a status naming the fault,
// and no model stays loaded.
TEST(BadModelSet, RefusedWithItsStatus)
{
    const std::vector<char> setup = MaskSetup(), model = MaskModel();
    struct Variant {
        const char* name;
        std::vector<char> setup, model;
        uint32_t status;
    };
    auto flip = [](std::vector<char> v, size_t at) { v.at(at) ^= 0x40; return v; };
    std::vector<char> longSetup = setup;
    longSetup.resize(513, 0);
    std::vector<char> padded = setup;
    padded.resize(200, 0);
    padded[150] = 1;
    const std::vector<Variant> variants = {
        {"setup too short", std::vector<char>(setup.begin(), setup.begin() + 30), model, 1},
        {"setup of 513 bytes", longSetup, model, 2},
        {"bad magic", flip(setup, 0), model, 3},
        {"bad version", flip(setup, 4), model, 4},
        {"setup byte flipped", flip(setup, 30), model, 6},
        {"junk after the setup", padded, model, 7},
        {"model truncated", setup, std::vector<char>(model.begin(), model.end() - 1), 9},
        {"model byte flipped", setup, flip(model, model.size() / 2), 10},
    };
    ASSERT_EQ(Connect(), 0);
    for (const Variant& v : variants) {
        ASSERT_EQ(UploadBuiltin(0, "mask"), 0);
        std::vector<char> s = v.setup, m = v.model;
        uint32_t status = 0;
        EXPECT_EQ(edl_start_dme(0, m.size(), s.data(), s.size(), &status, m.data(), m.size()), kBadData) << v.name;
        EXPECT_EQ(status, v.status) << v.name;
        EXPECT_EQ(Configure(0, 3, 8, 64, 64, kFormatBoxes), kWrongState) << v.name << ": nothing stays loaded";
    }
    edl_lib_de_init();
}

TEST(BadModelSet, UserSetupOverOneHundredTwentyEightBytes)
{
    const std::vector<char> file = ReadBytes(RuntimeDir() + "/samples/user_model/scenes.bin");
    std::vector<char> setup(file.begin(), file.begin() + 129);  // zero padding from the file
    std::vector<char> model(file.begin() + 4096, file.end() - 4);
    ASSERT_EQ(Connect(), 0);
    uint32_t status = 0;
    EXPECT_EQ(edl_start_dme(0, model.size(), setup.data(), 129, &status, model.data(), model.size()), kBadData);
    EXPECT_EQ(status, 2u);
    setup.resize(128);
    EXPECT_EQ(edl_start_dme(0, model.size(), setup.data(), 128, &status, model.data(), model.size()), 0);
    edl_lib_de_init();
}

TEST(Retrieve, NeverWritesPastItsLength)
{
    ASSERT_EQ(Connect(), 0);
    ASSERT_EQ(UploadBuiltin(0, "mask"), 0);
    ASSERT_EQ(Configure(0, 3, 8, 64, 64, kFormatBoxes), 0);
    std::vector<char> image(64 * 64 * 2, 0);
    uint32_t size = 0;
    ASSERT_EQ(edl_dme_inference(0, image.data(), image.size(), &size, nullptr, nullptr, 0, 0), 0);
    ASSERT_EQ(size, 8u) << "no face: the head of an empty box list";
    for (int len : {0, 3, 8, 100}) {
        std::vector<char> buffer(128, 'x');
        ASSERT_EQ(edl_dme_retrieve_res(0, 0, len, buffer.data()), 0);
        const size_t written = std::min<size_t>(len, size);
        for (size_t i = written; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 'x') << "len " << len << " byte " << i;
    }
    std::vector<char> tail(8, 'x');
    ASSERT_EQ(edl_dme_retrieve_res(0, 4, 8, tail.data()), 0);
    EXPECT_EQ(std::vector<char>(tail.begin(), tail.begin() + 4), std::vector<char>(4, 0)) << "box count 0";
    EXPECT_EQ(tail[4], 'x');
    edl_lib_de_init();
}

}  // namespace
