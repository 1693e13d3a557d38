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

Decoded Decode(const AnswerBytes& answer)
{
    Decoded d;
    DmeDecodeParams params;
    params.result = d.top.data();
    d.ok = FillDecodeParams(answer.data(), answer.size(), params, d.problem) &&
           DecodeClassifierOutput(params, d.problem);
    return d;
}

// A classifier answer: one output of one row, width `width`, one run per channel.
AnswerBytes Classifier(const std::vector<std::int8_t>& values, std::uint32_t radix = 0, float scale = 1.0f,
                       std::uint32_t width = 1)
{
    AnswerBytes a;
    a.RawCount(1).Descriptor(1, static_cast<std::uint32_t>(values.size()), width, radix, scale);
    a.Channels(values, static_cast<std::size_t>(Align16(width)));
    return a;
}

TEST(DecodeClassifierOutput, SoftmaxOfDequantisedValues)
{
    const float e = std::exp(1.0f);
    const struct {
        const char* name;
        AnswerBytes answer;
        std::vector<std::pair<int, float>> top;  // expected class and probability, highest first
    } cases[] = {
        {"one channel is certain", Classifier({42}), {{0, 1.0f}}},
        // -128 / 2^7 / 1.0 = -1.0 beside 0.
        {"q -128, radix 7, scale 1", Classifier({-128, 0}, 7, 1.0f), {{1, e / (e + 1)}, {0, 1 / (e + 1)}}},
        // 64 / 2^6 / 0.5 = 2.0 beside 0.
        {"q 64, radix 6, scale 0.5", Classifier({0, 64}, 6, 0.5f),
         {{1, std::exp(2.0f) / (std::exp(2.0f) + 1)}, {0, 1 / (std::exp(2.0f) + 1)}}},
        {"far apart values do not overflow", Classifier({100, -100}), {{0, 1.0f}, {1, 0.0f}}},
        {"negative scale flips the order", Classifier({10, 0}, 0, -1.0f), {{1, 1 / (1 + std::exp(-10.0f))}}},
        // Width 3 pads each run to 16; width 20 to 32: channel c is at c x align16(width).
        {"width 3", Classifier({0, 0, 5}, 0, 1.0f, 3), {{2, std::exp(5.0f) / (std::exp(5.0f) + 2)}}},
        {"width 20", Classifier({7, 0, 0}, 0, 1.0f, 20), {{0, std::exp(7.0f) / (std::exp(7.0f) + 2)}}},
    };
    for (const auto& c : cases) {
        const Decoded d = Decode(c.answer);
        ASSERT_TRUE(d.ok) << c.name << ": " << d.problem;
        for (std::size_t i = 0; i < c.top.size(); ++i) {
            EXPECT_EQ(d.top[i].classIndex, c.top[i].first) << c.name << " entry " << i;
            EXPECT_NEAR(d.top[i].probability, c.top[i].second, 1e-5) << c.name << " entry " << i;
        }
    }
}

TEST(DecodeClassifierOutput, TenChannelsAreReadSixteenBytesApart)
{
    // Every byte between the channel values is a trap: read, it would win.
    AnswerBytes a;
    a.RawCount(1).Descriptor(1, 10, 1, 0, 1.0f);
    for (int c = 0; c < 10; ++c) {
        a.I8(static_cast<std::int8_t>(c == 6 ? 20 : c));
        for (int pad = 0; pad < 15; ++pad)
            a.I8(127);
    }
    const Decoded d = Decode(a);
    ASSERT_TRUE(d.ok) << d.problem;
    EXPECT_EQ(d.top[0].classIndex, 6);
    EXPECT_EQ(d.top[1].classIndex, 9);
    EXPECT_EQ(d.top[2].classIndex, 8);
    float sum = 0;
    for (const auto& s : d.top)
        sum += s.probability;
    EXPECT_LT(sum, 1.0f + 1e-5f);
}

TEST(DecodeClassifierOutput, EqualValuesShareTheProbability)
{
    const Decoded d = Decode(Classifier({3, 3, 3, 3, 3, 3, 3, 3}));
    ASSERT_TRUE(d.ok);
    for (const auto& s : d.top) {
        EXPECT_GE(s.classIndex, 0);
        EXPECT_NEAR(s.probability, 1.0f / 8, 1e-6);
    }
}

TEST(DecodeClassifierOutput, FewerThanFiveChannelsLeaveEmptyEntriesNotStaleOnes)
{
    ASSERT_TRUE(Decode(Classifier({1, 2, 3, 4, 5, 6, 7})).ok);  // fills the table
    const Decoded d = Decode(Classifier({1, 2}));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.top[0].classIndex, 1);
    EXPECT_EQ(d.top[1].classIndex, 0);
    for (std::size_t i = 2; i < kClassifierResultCount; ++i) {
        EXPECT_EQ(d.top[i].classIndex, -1) << i;
        EXPECT_EQ(d.top[i].probability, 0.0f) << i;
    }
}

TEST(DecodeClassifierOutput, RefusesWhatItCannotRead)
{
    const float kNaN = std::numeric_limits<float>::quiet_NaN();
    const auto huge = [](std::uint32_t rows, std::uint32_t channels, std::uint32_t width) {
        AnswerBytes a;
        a.RawCount(1).Descriptor(rows, channels, width, 0, 1.0f).Zeros(64);
        return a;
    };
    AnswerBytes twoOutputsShort;
    twoOutputsShort.RawCount(2).Descriptor(1, 2, 1, 0, 1.0f).Descriptor(1, 2, 1, 0, 1.0f).Zeros(32 + 31);
    AnswerBytes secondDescriptorMissing;
    secondDescriptorMissing.RawCount(2).Descriptor(1, 1, 1, 0, 1.0f).Zeros(16);
    std::vector<std::int8_t> many(kMaxClassifierChannels + 1, 1);

    const struct {
        const char* name;
        AnswerBytes answer;
    } cases[] = {
        {"empty", AnswerBytes()},
        {"count only", AnswerBytes().RawCount(1)},
        {"zero outputs", AnswerBytes().RawCount(0).Descriptor(1, 1, 1, 0, 1.0f).Zeros(16)},
        {"negative output count", AnswerBytes().RawCount(-1).Descriptor(1, 1, 1, 0, 1.0f).Zeros(16)},
        {"zero channels", Classifier({})},
        {"more channels than the table", Classifier(many)},
        {"radix out of range", Classifier({1, 2}, 32)},
        {"radix 2^32 - 1", Classifier({1, 2}, 0xFFFFFFFFu)},
        {"scale zero", Classifier({1, 2}, 0, 0.0f)},
        {"scale NaN", Classifier({1, 2}, 0, kNaN)},
        {"scale so small values overflow", Classifier({100, 2}, 0, 1e-38f)},
        {"zero rows", huge(0, 2, 1)},
        {"zero width", huge(1, 2, 0)},
        {"shape larger than the answer", huge(1, 5, 1)},
        {"huge shape overflowing 64 bits", huge(0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu)},
        {"data one byte short", twoOutputsShort},
        {"second descriptor missing", secondDescriptorMissing},
    };
    for (const auto& c : cases) {
        const Decoded d = Decode(c.answer);
        EXPECT_FALSE(d.ok) << c.name;
        EXPECT_FALSE(d.problem.empty()) << c.name;
        for (const auto& s : d.top)
            EXPECT_EQ(s.classIndex, -1) << c.name;
    }
}

TEST(BestClass, TakesTheFirstOfTheMostProbableAboveZero)
{
    const struct {
        const char* name;
        std::array<ClassScore, 5> entries;
        int best;
    } cases[] = {
        {"first is best", {{{4, 0.5f}, {2, 0.3f}, {1, 0.2f}, {-1, 0}, {-1, 0}}}, 4},
        {"later strictly greater wins", {{{4, 0.2f}, {2, 0.7f}, {1, 0.1f}, {-1, 0}, {-1, 0}}}, 2},
        {"a tie keeps the earlier", {{{4, 0.5f}, {2, 0.5f}, {-1, 0}, {-1, 0}, {-1, 0}}}, 4},
        {"nothing above zero", {{{4, 0.0f}, {2, 0.0f}, {-1, 0}, {-1, 0}, {-1, 0}}}, -1},
        {"all empty", {}, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BestClass(c.entries.data()), c.best) << c.name;
}

}  // namespace
