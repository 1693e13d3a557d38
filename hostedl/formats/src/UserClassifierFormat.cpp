#include "hostedl/UserClassifierFormat.h"

#include "hostedl/ByteIO.h"

#include <cmath>

namespace hostedl {

namespace {
const uint8_t kMagic[4] = {'O', 'W', 'L', 'C'};
constexpr uint16_t kVersion = 1;
}

bool ParseUserClassifier(const uint8_t* data, size_t len, UserClassifier& out)
{
    if (data == nullptr || len < kClassifierHeaderSize) return false;
    if (std::memcmp(data, kMagic, 4) != 0 || ReadU16(data + 4) != kVersion) return false;
    UserClassifier c;
    c.classCount = ReadU16(data + 6);
    c.gridWidth = ReadU16(data + 8);
    c.gridHeight = ReadU16(data + 10);
    c.channels = ReadU16(data + 12);
    c.radix = ReadU16(data + 14);
    c.scale = ReadF32(data + 16);
    c.temperature = ReadF32(data + 20);
    // Bytes 24..27 are reserved and must be zero, so they can gain a meaning later.
    if (ReadU32(data + 24) != 0) return false;
    if (c.classCount == 0 || c.classCount > kMaxUserClasses) return false;
    if (c.gridWidth == 0 || c.gridWidth > kMaxGridSide) return false;
    if (c.gridHeight == 0 || c.gridHeight > kMaxGridSide) return false;
    if (c.channels != 1 && c.channels != 3) return false;
    if (c.radix > 7) return false;
    if (!std::isfinite(c.scale) || c.scale <= 0.0f) return false;
    if (!std::isfinite(c.temperature) || c.temperature <= 0.0f) return false;
    if (len != kClassifierHeaderSize + c.classCount * c.FeatureSize()) return false;
    c.centroids.assign(data + kClassifierHeaderSize, data + len);
    out = std::move(c);
    return true;
}

std::vector<uint8_t> BuildUserClassifier(const UserClassifier& c)
{
    std::vector<uint8_t> out(kMagic, kMagic + 4);
    PutU16(out, kVersion);
    PutU16(out, c.classCount);
    PutU16(out, c.gridWidth);
    PutU16(out, c.gridHeight);
    PutU16(out, c.channels);
    PutU16(out, c.radix);
    PutF32(out, c.scale);
    PutF32(out, c.temperature);
    PutU32(out, 0);
    out.insert(out.end(), c.centroids.begin(), c.centroids.end());
    return out;
}

}  // namespace hostedl
