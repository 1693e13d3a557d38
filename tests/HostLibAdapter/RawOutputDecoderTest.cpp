#include "AnswerBytes.h"
#include "HostLibAdapter/RawOutputDecoder.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

namespace {

struct Decoded {
    bool ok = false;
    std::string problem;
    std::array<ClassScore, kClassifierResultCount> top;
};

// As the job does, but the decoder runs even on what could not be filled; the
// entries start out as junk, so an entry the decoder leaves alone shows.
Decoded Decode(const AnswerBytes& answer)
{
    Decoded d;
    d.top.fill({99, 0.5f});
    DmeDecodeParams params;
    params.result = d.top.data();
    std::string decodeProblem;
    const bool filled = FillDecodeParams(answer.data(), answer.size(), params, d.problem);
    d.ok = DecodeClassifierOutput(params, filled ? d.problem : decodeProblem) && filled;
    return d;
}

// A classifier answer: one output of one row, width `width`, one run per channel.
AnswerBytes Classifier(const std::vector<std::int8_t>& values, std::uint32_t radix = 0, float scale = 1.0f,
                       std::uint32_t width = 1)
{
    AnswerBytes a;
    a.RawCount(1).Descriptor(1, static_cast<std::uint32_t>(values.size()), width, radix, scale);
    return a.Channels(values, static_cast<std::size_t>(Align16(width)));
}

TEST(DecodeClassifierOutput, SoftmaxOfDequantisedValues)
{
    const float e = std::exp(1.0f);
    const float e2 = std::exp(2.0f);
    constexpr float kAny = -1.0f;  // probability not checked
    const struct {
        const char* name;
        AnswerBytes answer;
        std::vector<std::pair<int, float>> top;  // expected class and probability, highest first
    } cases[] = {
        {"one channel is certain", Classifier({42}), {{0, 1.0f}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}}},
        // -128 / 2^7 / 1.0 = -1.0 beside 0; the entries past the channels are empty, never stale.
        {"q -128, radix 7, scale 1", Classifier({-128, 0}, 7, 1.0f), {{1, e / (e + 1)}, {0, 1 / (e + 1)}, {-1, 0}}},
        // 64 / 2^6 / 0.5 = 2.0 beside 0.
        {"q 64, radix 6, scale 0.5", Classifier({0, 64}, 6, 0.5f), {{1, e2 / (e2 + 1)}, {0, 1 / (e2 + 1)}}},
        {"far apart values do not overflow", Classifier({100, -100}), {{0, 1.0f}, {1, 0.0f}}},
        {"negative scale flips the order", Classifier({10, 0}, 0, -1.0f), {{1, 1 / (1 + std::exp(-10.0f))}}},
        // Width 3 pads each run to 16; width 20 to 32: channel c is at c x align16(width).
        {"width 3", Classifier({0, 0, 5}, 0, 1.0f, 3), {{2, std::exp(5.0f) / (std::exp(5.0f) + 2)}}},
        {"width 20", Classifier({7, 0, 0}, 0, 1.0f, 20), {{0, std::exp(7.0f) / (std::exp(7.0f) + 2)}}},
        {"ten channels, width 1: 16 bytes apart", Classifier({0, 1, 2, 3, 4, 5, 20, 7, 8, 9}),
         {{6, kAny}, {9, kAny}, {8, kAny}, {7, kAny}, {5, kAny}}},
    };
    for (const auto& c : cases) {
        const Decoded d = Decode(c.answer);
        ASSERT_TRUE(d.ok) << c.name << ": " << d.problem;
        float sum = 0;
        for (std::size_t i = 0; i < kClassifierResultCount; ++i) {
            sum += d.top[i].probability;
            if (i >= c.top.size())
                continue;
            EXPECT_EQ(d.top[i].classIndex, c.top[i].first) << c.name << " entry " << i;
            if (c.top[i].second != kAny) {
                EXPECT_NEAR(d.top[i].probability, c.top[i].second, 1e-5) << c.name << " entry " << i;
            }
        }
        EXPECT_LT(sum, 1.0f + 1e-5f) << c.name;
    }
}

TEST(DecodeClassifierOutput, RefusesWhatItCannotRead)
{
    const auto huge = [](std::uint32_t rows, std::uint32_t channels, std::uint32_t width) {
        return AnswerBytes().RawCount(1).Descriptor(rows, channels, width, 0, 1.0f).Zeros(64);
    };
    const struct {
        const char* name;
        AnswerBytes answer;
    } cases[] = {
        {"empty", AnswerBytes()},
        {"count only", AnswerBytes().RawCount(1)},
        {"negative output count", AnswerBytes().RawCount(-1).Descriptor(1, 1, 1, 0, 1.0f).Zeros(16)},
        {"zero channels", Classifier({})},
        {"more channels than the table", Classifier(std::vector<std::int8_t>(kMaxClassifierChannels + 1, 1))},
        {"radix out of range", Classifier({1, 2}, 32)},
        {"scale zero", Classifier({1, 2}, 0, 0.0f)},
        {"scale NaN", Classifier({1, 2}, 0, std::numeric_limits<float>::quiet_NaN())},
        {"scale so small values overflow", Classifier({100, 2}, 0, 1e-38f)},
        {"zero rows", huge(0, 2, 1)},
        {"zero width", huge(1, 2, 0)},
        {"shape larger than the answer", huge(1, 5, 1)},
        {"huge shape overflowing 64 bits", huge(0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu)},
        {"data one byte short", AnswerBytes().RawCount(2).Descriptor(1, 2, 1, 0, 1.0f).Descriptor(1, 2, 1, 0, 1.0f)
                                    .Zeros(32 + 31)},
        {"second descriptor missing", AnswerBytes().RawCount(2).Descriptor(1, 1, 1, 0, 1.0f).Zeros(16)},
    };
    for (const auto& c : cases) {
        const Decoded d = Decode(c.answer);
        EXPECT_EQ(std::make_pair(d.ok, d.problem.empty()), std::make_pair(false, false)) << c.name;
        for (const auto& s : d.top)
            EXPECT_EQ(s.classIndex, -1) << c.name;
    }
}

}  // namespace
