// Started without a display, the program says what to do instead of letting
// Qt abort; wherever a screen may be there, it leaves the judgement to Qt.

#include "DisplayCheck.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(MissingDisplay, IsSaidOnlyWhenQtCannotShowAWindow)
{
    const struct {
        const char* name;
        const char* display;   // DISPLAY; nullptr: unset
        const char* platform;  // QT_QPA_PLATFORM; nullptr: unset
        bool advised;
    } cases[] = {
        {"X session", ":0", nullptr, false},
        {"X session with xcb named", ":0", "xcb", false},
        {"no display, default platform", nullptr, nullptr, true},
        {"empty DISPLAY", "", nullptr, true},
        {"empty QT_QPA_PLATFORM", nullptr, "", true},
        {"xcb named with options", nullptr, "xcb:foo=1", true},
        {"xcb listed twice", nullptr, "xcb;xcb", true},
        {"offscreen", nullptr, "offscreen", false},
        {"wayland, then xcb", nullptr, "wayland;xcb", false},
        {"xcb, then offscreen", nullptr, "xcb;offscreen", false},
    };
    for (const auto& c : cases) {
        c.display == nullptr ? unsetenv("DISPLAY") : setenv("DISPLAY", c.display, 1);
        c.platform == nullptr ? unsetenv("QT_QPA_PLATFORM") : setenv("QT_QPA_PLATFORM", c.platform, 1);
        const std::string advice = MissingDisplayAdvice("vireo-owl-edge");
        // No advice at all, or advice that names the way out.
        EXPECT_EQ(!advice.empty(), c.advised) << c.name << ": " << advice;
        EXPECT_EQ(advice.find("xvfb-run -a vireo-owl-edge") != std::string::npos, c.advised) << c.name;
    }
}

}  // namespace
