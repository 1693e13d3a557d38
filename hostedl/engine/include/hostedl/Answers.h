#pragma once
// The answers the dongle hands back, in the byte layouts the program parses.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace hostedl {

// The program's box list buffer holds a head and 106 boxes.
constexpr size_t kMaxBoxes = 106;
constexpr size_t kAgeGenderAnswerSize = 32;

struct Box {
    float x1, y1, x2, y2;
    float score;
    int32_t classId;
};

struct AgeGender {
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    float score = 0;
    uint32_t age = 0;
    uint32_t gender = 0;  // non-zero: male
};

// u32 0, u32 N, N x {f32 x1, y1, x2, y2, f32 score, i32 class}; N capped at kMaxBoxes.
std::vector<uint8_t> WriteBoxList(const std::vector<Box>& boxes);

// x1, y1, x2, y2, score, u32 0, u32 age, u32 gender: exactly 32 bytes.
std::vector<uint8_t> WriteAgeGender(const AgeGender& answer);

// One raw int8 output tensor of rows 1, width 1 and one channel per value:
// i8 output count, 3 zero bytes, {rows, channels, width, radix, f32 scale},
// then each channel's value padded to 16 bytes.
std::vector<uint8_t> WriteClassifierTensor(const std::vector<int8_t>& values, uint32_t radix,
                                           float scale);

}  // namespace hostedl
