// Started without a display, the program says what to do instead of letting
// Qt abort; wherever a screen may be there, it leaves the judgement to Qt.

#include "DisplayCheck.h"

#include "CaseName.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>

namespace {

struct Case {
    const char* name;
    const char* display;   // DISPLAY; nullptr: unset
    const char* platform;  // QT_QPA_PLATFORM; nullptr: unset
    bool advised;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class MissingDisplay : public ::testing::TestWithParam<Case> {};

TEST_P(MissingDisplay, IsSaidOnlyWhenQtCannotShowAWindow)
{
    const Case& c = GetParam();
    c.display == nullptr ? unsetenv("DISPLAY") : setenv("DISPLAY", c.display, 1);
    c.platform == nullptr ? unsetenv("QT_QPA_PLATFORM") : setenv("QT_QPA_PLATFORM", c.platform, 1);

    const std::string advice = MissingDisplayAdvice("vireo-owl-edge");
    EXPECT_EQ(!advice.empty(), c.advised) << advice;
    if (c.advised) {
        EXPECT_NE(advice.find("xvfb-run -a vireo-owl-edge"), std::string::npos) << advice;
    }
}

INSTANTIATE_TEST_SUITE_P(Sessions, MissingDisplay, ::testing::Values(
    Case{"X session", ":0", nullptr, false},
    Case{"X session with xcb named", ":0", "xcb", false},
    Case{"no display, default platform", nullptr, nullptr, true},
    Case{"empty DISPLAY", "", nullptr, true},
    Case{"empty QT_QPA_PLATFORM", nullptr, "", true},
    Case{"xcb named with options", nullptr, "xcb:foo=1", true},
    Case{"xcb listed twice", nullptr, "xcb;xcb", true},
    Case{"offscreen", nullptr, "offscreen", false},
    Case{"wayland, then xcb", nullptr, "wayland;xcb", false},
    Case{"xcb, then offscreen", nullptr, "xcb;offscreen", false}), CaseName());

}  // namespace
