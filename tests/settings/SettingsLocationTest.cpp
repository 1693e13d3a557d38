// Where the settings live when no path is given: a tree's own jsonconfig/
// when it has one, else each user's configuration folder.

#include "settings/AppPaths.h"
#include "settings/SettingsLocation.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

void SetOrUnset(const char* name, const char* value)
{
    value == nullptr ? unsetenv(name) : setenv(name, value, 1);
}

TEST(UserConfig, FollowsTheBaseDirectoryRules)
{
    const struct {
        const char* name;
        const char* xdgConfigHome;  // nullptr: unset
        const char* home;
        const char* expected;
    } cases[] = {
        {"XDG_CONFIG_HOME first", "/srv/kiosk/conf", "/home/ann", "/srv/kiosk/conf"},
        {"trailing slashes dropped", "/srv/kiosk/conf//", "/home/ann", "/srv/kiosk/conf"},
        {"relative XDG_CONFIG_HOME ignored", "conf", "/home/ann", "/home/ann/.config"},
        {"empty XDG_CONFIG_HOME ignored", "", "/home/ann/", "/home/ann/.config"},
        {"home at the root", nullptr, "/", "/.config"},
    };
    for (const auto& c : cases) {
        SetOrUnset("XDG_CONFIG_HOME", c.xdgConfigHome);
        SetOrUnset("HOME", c.home);
        EXPECT_EQ(UserConfigDir(), c.expected) << c.name;
    }
}

// The tree is picked only when it has a jsonconfig folder beside bin/.
TEST(SettingsChoice, PicksTheTreeOnlyWhenItHasAJsonconfigFolder)
{
    enum Beside { kNothing, kFolder, kFile };
    enum Under { kTree, kConfig, kTemp };
    const struct {
        const char* name;
        Beside besideBin;  // what ../jsonconfig is
        bool hasConfigDir;
        Under expected;
    } cases[] = {
        {"build tree", kFolder, true, kTree},
        {"installed tree", kNothing, true, kConfig},
        {"jsonconfig that is a file", kFile, true, kConfig},
        {"installed, no home folder", kNothing, false, kTemp},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir tree, config;
        fs::create_directory(tree.File("bin"));
        if (c.besideBin == kFolder)
            fs::create_directory(tree.File("jsonconfig"));
        else if (c.besideBin == kFile)
            WriteText(tree.File("jsonconfig"), "");
        const std::string path = ChooseSettingsPath(tree.File("bin/"), c.hasConfigDir ? config.Path() : "");
        const std::string expected = c.expected == kTree     ? tree.File("bin/../jsonconfig")
                                     : c.expected == kConfig ? config.File("vireo-owl-edge")
                                                             : PrivateTempDir();
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(path, expected + "/VireoOwlEdgeSettings.json");
    }
}

}  // namespace
