#pragma once
// Payload of a user model: a nearest-centroid classifier over a downscaled
// picture. Little-endian:
//   "OWLC", u16 version (1), u16 class count, u16 grid width, u16 grid height,
//   u16 channels (1 grey, 3 BGR), u16 radix, f32 scale, f32 temperature,
//   then per class grid height x grid width x channels centroid bytes.
// The answer is one int8 output tensor (rows 1, width 1, one channel per
// class) quantised with `radix` and `scale`; temperature spreads the logits.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace hostedl {

constexpr size_t kClassifierHeaderSize = 28;
constexpr uint16_t kMaxUserClasses = 1000;
constexpr uint16_t kMaxGridSide = 64;

struct UserClassifier {
    uint16_t classCount = 0;
    uint16_t gridWidth = 0;
    uint16_t gridHeight = 0;
    uint16_t channels = 0;
    uint16_t radix = 0;
    float scale = 1.0f;
    float temperature = 1.0f;
    std::vector<uint8_t> centroids;  // classCount x featureSize

    size_t FeatureSize() const { return size_t{gridWidth} * gridHeight * channels; }
};

// False (and `out` untouched) for anything that is not a whole, sane payload.
bool ParseUserClassifier(const uint8_t* data, size_t len, UserClassifier& out);

std::vector<uint8_t> BuildUserClassifier(const UserClassifier& classifier);

}  // namespace hostedl
