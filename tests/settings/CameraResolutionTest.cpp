#include "settings/CameraResolution.h"
#include "settings/JsonText.h"
#include "settings/QtSettingManager.h"

#include "CaseName.h"

#include <gtest/gtest.h>

#include <ostream>

#include <atomic>
#include <thread>

namespace {

struct ResolutionCase {
    const char* text;
    int width;
    int height;
};

// Test listings name the case, not its bytes.
void PrintTo(const ResolutionCase& c, std::ostream* os)
{
    *os << c.text;
}

class ResolutionParse : public ::testing::TestWithParam<ResolutionCase> {};

TEST_P(ResolutionParse, GivesTheExpectedSize)
{
    const ResolutionCase c = GetParam();
    const CameraResolution r = ParseCameraResolution(c.text).value_or(CameraResolution{});
    EXPECT_EQ(r.width, c.width) << '"' << c.text << '"';
    EXPECT_EQ(r.height, c.height) << '"' << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(Texts, ResolutionParse, ::testing::Values(
    ResolutionCase{"640x480", 640, 480},
    ResolutionCase{"640xx480", 640, 480},        // a run of separators is one
    ResolutionCase{"x640x480x", 640, 480},       // separators at the ends make no token
    ResolutionCase{"1280 x 720", 1280, 720},     // blanks before a number, text after it
    ResolutionCase{"+800x600", 800, 600},
    ResolutionCase{"640x0", 1280, 720},
    ResolutionCase{"0x480", 1280, 720},
    ResolutionCase{"640x480x2", 1280, 720},
    ResolutionCase{"640X480", 1280, 720},        // capital X is no separator
    ResolutionCase{"", 1280, 720},
    ResolutionCase{"x", 1280, 720},
    ResolutionCase{"abcx480", 1280, 720},
    ResolutionCase{"99999999999x5", 1280, 720},  // beyond 32 bits
    ResolutionCase{"-640x480", 1280, 720},
    ResolutionCase{"640x-480", 1280, 720}), [](const auto& info) { return "text" + std::to_string(info.index); });

TEST(CameraInfo, NegativeValuesAreStoredAsZero)
{
    QtSettingManager store;
    store.SetCameraInfo(-1, 480, 30);
    EXPECT_EQ(store.GetCameraWidth(), 0);
    EXPECT_EQ(store.GetCameraHeight(), 480);
    EXPECT_EQ(store.GetCameraInfoFps(), 30);
    EXPECT_FALSE(store.GetCameraSize().IsKnown());
}

TEST(CameraInfo, WidthAndHeightAreAlwaysReadAsOnePair)
{
    QtSettingManager store;
    store.SetCameraInfo(640, 480, 30);
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; !stop; ++i)
            i % 2 ? store.SetCameraInfo(640, 480, 30) : store.SetCameraInfo(1920, 1080, 30);
    });
    int torn = 0;
    for (int i = 0; i < 200000; ++i) {
        const CameraSize s = store.GetCameraSize();
        torn += !((s.width == 640 && s.height == 480) || (s.width == 1920 && s.height == 1080));
    }
    stop = true;
    writer.join();
    EXPECT_EQ(torn, 0);
}

TEST(ParseJson, EmptyTextIsNullAndSilent)
{
    ::testing::internal::CaptureStdout();
    EXPECT_TRUE(ParseJson("").isNull());
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

TEST(ParseJson, BrokenTextReportsTheReadersMessage)
{
    ::testing::internal::CaptureStdout();
    ParseJson("{\"a\": ");
    EXPECT_EQ(::testing::internal::GetCapturedStdout().rfind("Json parse error: ", 0), 0u);
}

}  // namespace
