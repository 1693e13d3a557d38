// Where the settings live when no path is given: a tree's own jsonconfig/
// when it has one, else each user's configuration folder.

#include "settings/AppPaths.h"
#include "settings/SettingsLocation.h"

#include "CaseName.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <ostream>

namespace fs = std::filesystem;

namespace {

struct ConfigCase {
    const char* name;
    const char* xdgConfigHome;  // nullptr: unset
    const char* home;
    const char* expected;
};

void PrintTo(const ConfigCase& c, std::ostream* os) { *os << c.name; }

void SetOrUnset(const char* name, const char* value)
{
    value == nullptr ? unsetenv(name) : setenv(name, value, 1);
}

class UserConfig : public ::testing::TestWithParam<ConfigCase> {};

TEST_P(UserConfig, FollowsTheBaseDirectoryRules)
{
    const ConfigCase& c = GetParam();
    SetOrUnset("XDG_CONFIG_HOME", c.xdgConfigHome);
    SetOrUnset("HOME", c.home);
    EXPECT_EQ(UserConfigDir(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Environments, UserConfig, ::testing::Values(
    ConfigCase{"XDG_CONFIG_HOME first", "/srv/kiosk/conf", "/home/ann", "/srv/kiosk/conf"},
    ConfigCase{"trailing slashes dropped", "/srv/kiosk/conf//", "/home/ann", "/srv/kiosk/conf"},
    ConfigCase{"relative XDG_CONFIG_HOME ignored", "conf", "/home/ann", "/home/ann/.config"},
    ConfigCase{"empty XDG_CONFIG_HOME ignored", "", "/home/ann/", "/home/ann/.config"},
    ConfigCase{"home at the root", nullptr, "/", "/.config"}), CaseName());

struct TreeCase {
    const char* name;
    const char* besideBin;   // what ../jsonconfig is: "dir", "file" or "" (nothing)
    bool hasConfigDir;
    const char* expectedUnder;  // "tree", "config" or "temp"
};

void PrintTo(const TreeCase& c, std::ostream* os) { *os << c.name; }

class SettingsChoice : public ::testing::TestWithParam<TreeCase> {};

TEST_P(SettingsChoice, PicksTheTreeOnlyWhenItHasAJsonconfigFolder)
{
    const TreeCase& c = GetParam();
    TempDir tree, config;
    fs::create_directory(tree.File("bin"));
    if (std::string(c.besideBin) == "dir")
        fs::create_directory(tree.File("jsonconfig"));
    else if (std::string(c.besideBin) == "file")
        WriteText(tree.File("jsonconfig"), "");

    const std::string path = ChooseSettingsPath(tree.File("bin/"), c.hasConfigDir ? config.Path() : "");
    const std::string expected = std::string(c.expectedUnder) == "tree"     ? tree.File("bin/../jsonconfig")
                                 : std::string(c.expectedUnder) == "config" ? config.File("vireo-owl-edge")
                                                                            : PrivateTempDir();
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(path, expected + "/VireoOwlEdgeSettings.json");
}

INSTANTIATE_TEST_SUITE_P(Trees, SettingsChoice, ::testing::Values(
    TreeCase{"build tree", "dir", true, "tree"},
    TreeCase{"installed tree", "", true, "config"},
    TreeCase{"jsonconfig that is a file", "file", true, "config"},
    TreeCase{"installed, no home folder", "", false, "temp"}), CaseName());

}  // namespace
