// Firmware image parser.
#include "hostedl/FirmwareFormat.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    hostedl::FirmwareImage image;
    if (hostedl::ParseFirmware(data, size, image) == hostedl::FirmwareError::None &&
        image.payloadSize + hostedl::kFirmwareHeaderSize + 4 != size)
        __builtin_trap();
    return 0;
}
