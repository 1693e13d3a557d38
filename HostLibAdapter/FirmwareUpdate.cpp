#include "HostLibAdapter/FirmwareUpdate.h"

#include "HostLibAdapter/ModelSets.h"

#include <hostedl.h>

#include <cstdint>
#include <vector>

bool WriteFirmwareImages(int DevId, const std::string& fwDir, const MessageFn& msg)
{
    std::vector<char> ncpu(kFirmwareImageLimit, '\0');
    std::vector<char> scpu(kFirmwareImageLimit, '\0');
    const int n = ReadFileToBuffer(ncpu.data(), (fwDir + "/fw_ncpu.bin").c_str(), kFirmwareImageLimit);
    const int s = ReadFileToBuffer(scpu.data(), (fwDir + "/fw_scpu.bin").c_str(), kFirmwareImageLimit);
    if (n < 1 || s < 1) {
        msg(QString("[Host Lib] Reading File Failed. NCPU: %1 SCPU: %2").arg(n).arg(s));
        return false;
    }
    std::uint32_t module = 1;
    if (edl_update_fw(DevId, &module, scpu.data(), s) != 0) {
        msg("[Host Lib] Connecting to SCPU Failed");
        return false;
    }
    module = 2;
    if (edl_update_fw(DevId, &module, ncpu.data(), n) != 0) {
        msg("[Host Lib] Connecting to NCPU Failed");
        return false;
    }
    msg("[Host Lib] Connecting to System Succeed.");
    return true;
}
