#include "hostedl/ByteIO.h"

#include <zlib.h>

#include <algorithm>

namespace hostedl {

uint32_t Crc32(const uint8_t* data, size_t len)
{
    // zlib takes a uInt length; feed it in pieces so any size_t works.
    uLong crc = crc32(0L, Z_NULL, 0);
    while (len > 0) {
        const uInt chunk = static_cast<uInt>(std::min<size_t>(len, 1u << 30));
        crc = crc32(crc, data, chunk);
        data += chunk;
        len -= chunk;
    }
    return static_cast<uint32_t>(crc);
}

}  // namespace hostedl
