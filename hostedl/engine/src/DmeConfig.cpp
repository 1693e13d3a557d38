#include "hostedl/DmeConfig.h"

#include "hostedl/ByteIO.h"

namespace hostedl {

DmeConfig ReadDmeConfig(const uint8_t* bytes)
{
    DmeConfig c;
    c.modelId = ReadU32(bytes);
    c.outputCount = ReadU32(bytes + 4);
    c.width = ReadU32(bytes + 8);
    c.height = ReadU32(bytes + 12);
    c.channels = ReadU32(bytes + 16);
    c.format = ReadU32(bytes + 20);
    return c;
}

}  // namespace hostedl
