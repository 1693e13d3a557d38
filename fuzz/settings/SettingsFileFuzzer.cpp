// Any bytes as a settings file: the store loads, completes and writes back
// without crashing, and what it writes is a complete settings object.

#include "FuzzCheck.h"
#include "settings/JsonText.h"
#include "settings/QtSettingManager.h"

#include <QtGlobal>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Every bad file is reported; thousands of reports a second help no one.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = "/tmp/vireo-fuzz-settings-" + std::to_string(getpid()) + ".json";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), std::streamsize(size));
    QtSettingManager store;
    store.Load(path);
    std::ifstream written(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(written)), std::istreambuf_iterator<char>());
    const Json::Value document = ParseJson(text);
    Check(document.isObject() && document.isMember("Camera") && store.GetCameraFps() >= 1);
    std::remove((path + ".bad").c_str());
    return 0;
}
