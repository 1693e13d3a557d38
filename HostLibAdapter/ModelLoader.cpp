#include "HostLibAdapter/ModelLoader.h"

#include <hostedl.h>

#include <array>
#include <cstdint>
#include <vector>

bool LoadModelSet(int DevId, const ModelSet& set, const MessageFn& msg)
{
    std::vector<char> setup(static_cast<std::size_t>(set.setupLimit), '\0');
    const int n = ReadFileToBuffer(setup.data(), set.setupPath.c_str(), set.setupLimit);
    if (n < 1) {
        msg(QString("[Host Lib] Reading fw setup file failed: %1").arg(n));
        return false;
    }
    std::vector<char> model(static_cast<std::size_t>(kModelImageLimit), '\0');
    const int m = ReadFileToBuffer(model.data(), set.modelPath.c_str(), kModelImageLimit);
    if (m < 1) {
        msg(QString("[Host Lib] Reading model file failed: %1").arg(m));
        return false;
    }
    msg("[Host Lib] Starting DME inference in [serial mode] ...");
    std::uint32_t status = 0;
    if (edl_start_dme(DevId, static_cast<std::uint32_t>(m), setup.data(), n, &status, model.data(), m) != 0) {
        msg(QString("[Host Lib] Can not set to DME mode: %1").arg(status));
        return false;
    }
    std::array<char, 24> record = set.config.ToBytes();
    std::uint32_t answer = 0;
    if (edl_dme_configure(DevId, record.data(), static_cast<int>(record.size()), &answer) != 0) {
        msg("[Host Lib] Can not set to DME configure mode");
        return false;
    }
    return true;
}
