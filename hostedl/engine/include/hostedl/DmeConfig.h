#pragma once
// The 24-byte DME configuration record: six little-endian u32 fields.

#include <cstddef>
#include <cstdint>

namespace hostedl {

constexpr size_t kDmeConfigSize = 24;
constexpr uint32_t kMaxImageWidth = 1280;
constexpr uint32_t kMaxImageHeight = 720;

struct DmeConfig {
    uint32_t modelId = 0;
    uint32_t outputCount = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t channels = 0;
    uint32_t format = 0;

    size_t ImageBytes() const { return size_t{width} * height * 2; }
};

DmeConfig ReadDmeConfig(const uint8_t* bytes);

}  // namespace hostedl
