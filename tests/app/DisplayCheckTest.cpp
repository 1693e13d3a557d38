// Started without a display, the program says what to do instead of letting
// Qt abort; wherever a screen may be there, it leaves the judgement to Qt.

#include "DisplayCheck.h"

#include "CaseName.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <vector>

namespace {

struct Case {
    const char* name;
    const char* display;   // DISPLAY; nullptr: unset
    const char* platform;  // QT_QPA_PLATFORM; nullptr: unset
    std::vector<const char*> args;
    bool advised;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class MissingDisplay : public ::testing::TestWithParam<Case> {};

TEST_P(MissingDisplay, IsSaidOnlyWhenQtCannotShowAWindow)
{
    const Case& c = GetParam();
    c.display == nullptr ? unsetenv("DISPLAY") : setenv("DISPLAY", c.display, 1);
    c.platform == nullptr ? unsetenv("QT_QPA_PLATFORM") : setenv("QT_QPA_PLATFORM", c.platform, 1);
    std::vector<char*> argv{const_cast<char*>("vireo-owl-edge")};
    for (const char* arg : c.args)
        argv.push_back(const_cast<char*>(arg));

    const std::string advice = MissingDisplayAdvice(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(!advice.empty(), c.advised) << advice;
    if (c.advised) {
        EXPECT_NE(advice.find("xvfb-run -a vireo-owl-edge"), std::string::npos) << advice;
    }
}

INSTANTIATE_TEST_SUITE_P(Sessions, MissingDisplay, ::testing::Values(
    Case{"X session", ":0", nullptr, {}, false},
    Case{"no display, default platform", nullptr, nullptr, {}, true},
    Case{"empty DISPLAY", "", nullptr, {}, true},
    Case{"xcb named with options", nullptr, "xcb:foo=1", {}, true},
    Case{"xcb listed twice", nullptr, "xcb;xcb", {}, true},
    Case{"offscreen", nullptr, "offscreen", {}, false},
    Case{"wayland, then xcb", nullptr, "wayland;xcb", {}, false},
    Case{"-platform on the command line wins", nullptr, "xcb", {"-platform", "offscreen"}, false},
    Case{"--platform xcb over an offscreen environment", nullptr, "offscreen", {"--platform", "xcb"}, true},
    Case{"-display on the command line", nullptr, nullptr, {"-display", ":1"}, false},
    Case{"-platform without its value", nullptr, nullptr, {"settings.json", "-platform"}, true}), CaseName());

}  // namespace
