// Any text as "CameraResolution": none, or a positive width and height.

#include "FuzzCheck.h"
#include "settings/CameraResolution.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::optional<CameraResolution> r =
        ParseCameraResolution(std::string(reinterpret_cast<const char*>(data), size));
    Check(!r || (r->width > 0 && r->height > 0));
    return 0;
}
