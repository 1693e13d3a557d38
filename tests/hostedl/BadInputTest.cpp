// Calls the program can make at a wrong moment, or with a device or a
// configuration the dongle does not have: each gets its own negative result
// and a log line, and leaves the device as it was. The library's guards
// against null pointers, bad lengths and a bad reset mode, which the program
// never passes, are not tried here.

#include "CaseName.h"
#include "EdlSession.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <functional>

using namespace edltest;

namespace {

constexpr int kNoDevice = -1, kWrongState = -3, kBadData = -4;

// How far the library is brought before the bad call.
enum class Stage { Nothing, Initialised, Started, Uploaded, Configured };

struct Case {
    const char* name;
    Stage stage;
    const char* call;  // as it appears in the log, after "edl_"
    int expected;
    std::function<int(int dev)> run;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

// The mask set's configuration at 64 x 64.
int Configure64(int dev) { return Configure(dev, 3, 8, 64, 64, kFormatBoxes); }

// An inference of a whole 64 x 64 image.
int Infer64(int dev)
{
    std::vector<char> image(64 * 64 * 2, 0);
    uint32_t size = 0;
    return edl_dme_inference(dev, image.data(), static_cast<int>(image.size()), &size, nullptr, nullptr, 0, 0);
}

int Get(int dev)
{
    char b[8];
    return edl_dme_retrieve_res(dev, 0, sizeof b, b);
}

using S = Stage;
const std::vector<Case> kCases = {
    // Out of order.
    {"add before init", S::Nothing, "add_dev", kNoDevice, [](int) { return edl_add_dev(1, ""); }},
    {"start before init", S::Nothing, "lib_start", kWrongState, [](int) { return edl_lib_start(); }},
    {"status before start", S::Initialised, "report_sys_status", kWrongState, [](int) { return Status(0); }},
    {"configure before DME start", S::Started, "dme_configure", kWrongState, [](int d) { return Configure64(d); }},
    {"inference before configure", S::Uploaded, "dme_inference", kWrongState, [](int d) { return Infer64(d); }},
    {"retrieve before inference", S::Configured, "dme_retrieve_res", kWrongState, [](int d) { return Get(d); }},
    {"inference after reset", S::Configured, "dme_inference", kWrongState,
     [](int d) { edl_reset_sys(d, 255); return Infer64(d); }},
    // Bad device index.
    {"device 1 of one", S::Started, "report_sys_status", kNoDevice, [](int) { return Status(1); }},
    {"device -1", S::Started, "reset_sys", kNoDevice, [](int) { return edl_reset_sys(-1, 255); }},
    {"device type 2", S::Initialised, "add_dev", kNoDevice, [](int) { return edl_add_dev(2, ""); }},
    // Configurations that do not fit the loaded set.
    {"object model on the mask set", S::Uploaded, "dme_configure", kBadData,
     [](int d) { return Configure(d, 19, 2, 64, 64, kFormatBoxes); }},
    {"age/gender format on the mask set", S::Uploaded, "dme_configure", kBadData,
     [](int d) { return Configure(d, 3, 1, 64, 64, kFormatAgeGender); }},
    {"wrong output count", S::Uploaded, "dme_configure", kBadData,
     [](int d) { return Configure(d, 3, 2, 64, 64, kFormatBoxes); }},
    {"width 1281", S::Uploaded, "dme_configure", kBadData,
     [](int d) { return Configure(d, 3, 8, 1281, 720, kFormatBoxes); }},
    {"height 0", S::Uploaded, "dme_configure", kBadData, [](int d) { return Configure(d, 3, 8, 64, 0, kFormatBoxes); }},
    {"one channel", S::Uploaded, "dme_configure", kBadData,
     [](int d) { return Configure(d, 3, 8, 64, 64, kFormatBoxes, 1); }},
};

class BadInput : public ::testing::TestWithParam<Case> {};

TEST_P(BadInput, FailsWithItsCodeAndALogLine)
{
    const Case& c = GetParam();
    TempDir dir;
    ASSERT_EQ(edl_init_log(dir.Path().c_str(), "edl.log"), 0);
    const int dev = 0;
    std::vector<char> image(64 * 64 * 2, 0), answer;
    if (c.stage == Stage::Initialised) { ASSERT_EQ(edl_lib_init(), 0); }
    if (c.stage >= Stage::Started) { ASSERT_EQ(Connect(), dev); }
    if (c.stage >= Stage::Uploaded) { ASSERT_EQ(UploadBuiltin(dev, "mask"), 0); }
    if (c.stage >= Stage::Configured) { ASSERT_EQ(Configure64(dev), 0); }

    EXPECT_EQ(c.run(dev), c.expected);
    std::string log = ReadText(dir.File("edl.log"));
    log.erase(log.find_last_not_of('\n') + 1);
    const std::string line = log.substr(log.rfind('\n') + 1);
    EXPECT_NE(line.find(std::string(" edl_") + c.call + " "), std::string::npos) << line;
    EXPECT_NE(line.find("result=" + std::to_string(c.expected)), std::string::npos) << line;
    // The device still works as far as the stage had brought it.
    if (c.stage >= Stage::Configured && std::string(c.name) != "inference after reset") {
        EXPECT_EQ(Infer(dev, image, answer), 0);
    }
    edl_lib_de_init();
}

INSTANTIATE_TEST_SUITE_P(Calls, BadInput, ::testing::ValuesIn(kCases), CaseName());

// Corrupt or truncated model sets: refused with a status naming the fault,
// and no model stays loaded.
TEST(BadModelSet, RefusedWithItsStatus)
{
    const std::vector<char> setup = SetFile("mask", "fw_info.bin"), model = SetFile("mask", "all_models.bin");
    const auto flip = [](std::vector<char> v, size_t at) { v.at(at) ^= 0x40; return v; };
    const auto resized = [](std::vector<char> v, size_t size) { v.resize(size, 0); return v; };
    std::vector<char> padded = resized(setup, 200);
    padded[150] = 1;
    // The user model's setup: at most 128 bytes, zero padding from the file.
    const std::vector<char> user = ReadBytes(RuntimeDir() + "/samples/user_model/scenes.bin");
    const std::vector<char> userModel(user.begin() + 4096, user.end() - 4);
    const struct {
        const char* name;
        std::vector<char> setup, model;
        uint32_t status;
    } cases[] = {
        {"setup too short", resized(setup, 30), model, 1},
        {"setup of 513 bytes", resized(setup, 513), model, 2},
        {"bad magic", flip(setup, 0), model, 3},
        {"bad version", flip(setup, 4), model, 4},
        {"setup byte flipped", flip(setup, 30), model, 6},
        {"junk after the setup", padded, model, 7},
        {"model truncated", setup, resized(model, model.size() - 1), 9},
        {"model byte flipped", setup, flip(model, model.size() / 2), 10},
        {"user setup of 129 bytes", std::vector<char>(user.begin(), user.begin() + 129), userModel, 2},
    };
    ASSERT_EQ(Connect(), 0);
    for (const auto& c : cases) {
        ASSERT_EQ(UploadBuiltin(0, "mask"), 0);
        uint32_t status = 0;
        EXPECT_EQ(StartDme(0, c.setup, c.model, &status), kBadData) << c.name;
        EXPECT_EQ(status, c.status) << c.name;
        EXPECT_EQ(Configure64(0), kWrongState) << c.name << ": nothing stays loaded";
    }
    EXPECT_EQ(StartDme(0, std::vector<char>(user.begin(), user.begin() + 128), userModel), 0) << "128 bytes fit";
    edl_lib_de_init();
}

TEST(Retrieve, NeverWritesPastItsLength)
{
    ASSERT_EQ(Connect(), 0);
    UploadMask64x48();
    std::vector<char> image(64 * 48 * 2, 0);
    uint32_t size = 0;
    ASSERT_EQ(edl_dme_inference(0, image.data(), image.size(), &size, nullptr, nullptr, 0, 0), 0);
    ASSERT_EQ(size, 8u) << "no face: the head of an empty box list";
    for (int len : {0, 3, 8, 100}) {
        std::vector<char> buffer(128, 'x');
        ASSERT_EQ(edl_dme_retrieve_res(0, 0, len, buffer.data()), 0);
        for (size_t i = std::min<size_t>(len, size); i < buffer.size(); ++i)
            ASSERT_EQ(buffer[i], 'x') << "len " << len << " byte " << i;
    }
    std::vector<char> tail(8, 'x');
    ASSERT_EQ(edl_dme_retrieve_res(0, 4, 8, tail.data()), 0);
    EXPECT_EQ(tail, std::vector<char>({0, 0, 0, 0, 'x', 'x', 'x', 'x'})) << "box count 0, then nothing";
    edl_lib_de_init();
}

}  // namespace
