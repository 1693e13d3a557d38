// The user model file as the user picks it: any bytes, split into the setup
// and the model image. What is written must be exactly the documented parts
// of the file, and a refused file must leave no output behind.
#include "FuzzCheck.h"
#include "HostLibAdapter/ModelFiles.h"

#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const std::string& WorkDir()
{
    static const std::string dir = [] {
        char pattern[] = "/tmp/vireo-fuzz-split-XXXXXX";
        return std::string(mkdtemp(pattern) != nullptr ? pattern : "/tmp");
    }();
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    const std::string model = WorkDir() + "/user.bin";
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::ofstream(model, std::ios::binary | std::ios::trunc) << bytes;
    unlink((WorkDir() + "/fw_info.bin").c_str());
    unlink((WorkDir() + "/all_models.bin").c_str());

    std::string fwInfo;
    std::string allModels;
    const bool split = SplitModelFile(model, fwInfo, allModels, WorkDir(), [](const QString&) {});
    if (!split) {
        Check(access((WorkDir() + "/fw_info.bin").c_str(), F_OK) != 0);
        Check(access((WorkDir() + "/all_models.bin").c_str(), F_OK) != 0);
        return 0;
    }
    Check(static_cast<long long>(size) > kUserModelOffset + kUserTrailerSize - 1);
    Check(ReadAll(fwInfo) == bytes.substr(0, kUserSetupSize));
    Check(ReadAll(allModels) == bytes.substr(kUserModelOffset, size - kUserModelOffset - kUserTrailerSize));
    return 0;
}
