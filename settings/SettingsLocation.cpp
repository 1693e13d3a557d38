#include "settings/SettingsLocation.h"

#include "settings/AppPaths.h"

#include <QtDebug>

#include <filesystem>

namespace {

const char* const kFileName = "VireoOwlEdgeSettings.json";

}  // namespace

std::string ChooseSettingsPath(const std::string& executableDir, const std::string& configDir)
{
    const std::string tree = executableDir + "../jsonconfig/";
    std::error_code ignored;
    if (std::filesystem::is_directory(tree, ignored))
        return tree + kFileName;
    if (!configDir.empty())
        return configDir + "/vireo-owl-edge/" + kFileName;
    qWarning("[Settings] there is no home folder to keep the settings in; they last for this run only");
    const std::string temp = PrivateTempDir();
    return temp.empty() ? std::string() : temp + "/" + kFileName;
}

std::string DefaultSettingsPath()
{
    return ChooseSettingsPath(ExecutableDir(), UserConfigDir());
}
