#pragma once
// The user model's raw output: a signed 8-bit output count, one 20-byte
// descriptor per output {rows, channels, width, radix, f32 scale}, then each
// output's int8 data (rows x channels x align16(width) bytes) back to back.
// Output 0 is a classifier's: one value per channel, turned into the five
// most probable classes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// One class and its probability.
struct ClassScore {
    std::int32_t classIndex = -1;
    float probability = 0.0f;
};

constexpr std::size_t kClassifierResultCount = 5;
// Channel counts above this are refused (the decoder's table is this big).
constexpr std::size_t kMaxClassifierChannels = 4096;
// Radix values are shifts of an 8-bit fixed-point value.
constexpr std::uint32_t kMaxRadix = 31;

// n rounded up to a multiple of 16.
constexpr std::uint64_t Align16(std::uint64_t n)
{
    return (n + 15) / 16 * 16;
}

// One output as the descriptor gives it, with where its data lies.
struct DmeOutput {
    std::uint32_t rows = 0;
    std::uint32_t width = 0;
    std::uint32_t channels = 0;
    std::uint32_t radix = 0;
    float scale = 0.0f;
    const std::int8_t* data = nullptr;
    std::size_t dataSize = 0;  // rows x channels x align16(width)
};

// What the job hands the decoder.
struct DmeDecodeParams {
    int outputCount = 0;
    std::array<DmeOutput, 127> outputs{};  // the count is a signed byte
    ClassScore* result = nullptr;          // kClassifierResultCount entries
};

// Fills `params`' outputs from the raw answer of `size` bytes. False, with
// `problem` set, when the count is not positive or a descriptor or an
// output's data lies beyond `size`. Leaves `params.result` alone.
bool FillDecodeParams(const char* answer, std::size_t size, DmeDecodeParams& params, std::string& problem);

// Decodes output 0 into the five most probable classes, highest first;
// entries beyond the channel count are {-1, 0.0}. False, with `problem` set
// and the five entries {-1, 0.0}, for an output the decoder cannot read: no
// channels, more than kMaxClassifierChannels, a radix above kMaxRadix, a
// scale that is zero or not finite, or data shorter than the channels need.
bool DecodeClassifierOutput(const DmeDecodeParams& params, std::string& problem);

// The class of the most probable of the five entries above 0 (a later entry
// wins only when strictly more probable), or -1 when none is above 0.
std::int32_t BestClass(const ClassScore* result);
