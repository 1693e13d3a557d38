#include "settings/CameraResolution.h"
#include "settings/QtSettingManager.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// An unusable text gives 1280 x 720.
TEST(ResolutionParse, GivesTheSizeOrTheDefault)
{
    const struct {
        const char* text;
        int width, height;
    } cases[] = {
        {"640x480", 640, 480},
        {"640xx480", 640, 480},        // a run of separators is one
        {"x640x480x", 640, 480},       // separators at the ends make no token
        {"1280 x 720", 1280, 720},     // blanks before a number, text after it
        {"+800x600", 800, 600},
        {"640x0", 1280, 720},
        {"640x480x2", 1280, 720},
        {"640X480", 1280, 720},        // capital X is no separator
        {"", 1280, 720},
        {"x", 1280, 720},
        {"abcx480", 1280, 720},
        {"99999999999x5", 1280, 720},  // beyond 32 bits
        {"-640x480", 1280, 720},
    };
    for (const auto& c : cases) {
        const CameraResolution r = ParseCameraResolution(c.text).value_or(CameraResolution{});
        EXPECT_EQ(std::make_pair(r.width, r.height), std::make_pair(c.width, c.height)) << '"' << c.text << '"';
    }
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

}  // namespace
