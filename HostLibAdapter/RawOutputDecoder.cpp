#include "HostLibAdapter/RawOutputDecoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

std::uint32_t U32At(const char* p)
{
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

constexpr std::size_t kCountWord = 4;
constexpr std::size_t kDescriptorSize = 20;

void ClearResult(ClassScore* result)
{
    for (std::size_t i = 0; i < kClassifierResultCount; ++i)
        result[i] = ClassScore{};
}

}  // namespace

bool FillDecodeParams(const char* answer, std::size_t size, DmeDecodeParams& params, std::string& problem)
{
    params.outputCount = 0;
    if (answer == nullptr || size < kCountWord) {
        problem = "raw output of " + std::to_string(size) + " bytes has no output count";
        return false;
    }
    const int count = static_cast<std::int8_t>(answer[0]);
    if (count < 1) {
        problem = "raw output claims " + std::to_string(count) + " outputs";
        return false;
    }
    const std::uint64_t descriptorsEnd = kCountWord + kDescriptorSize * static_cast<std::uint64_t>(count);
    if (descriptorsEnd > size) {
        problem = "raw output claims " + std::to_string(count) + " outputs in " + std::to_string(size) + " bytes";
        return false;
    }
    std::uint64_t offset = descriptorsEnd;
    for (int i = 0; i < count; ++i) {
        const char* d = answer + kCountWord + kDescriptorSize * static_cast<std::size_t>(i);
        DmeOutput& out = params.outputs[static_cast<std::size_t>(i)];
        out.rows = U32At(d);
        out.channels = U32At(d + 4);
        out.width = U32At(d + 8);
        out.radix = U32At(d + 12);
        const std::uint32_t scaleBits = U32At(d + 16);
        std::memcpy(&out.scale, &scaleBits, sizeof out.scale);
        // channels < 2^32 and align16(width) <= 2^32, so their product fits
        // 64 bits; the rows are checked by division before multiplying.
        const std::uint64_t perRow = static_cast<std::uint64_t>(out.channels) * Align16(out.width);
        const std::uint64_t room = size - offset;
        if (out.rows != 0 && perRow > room / out.rows) {
            problem = "raw output " + std::to_string(i) + " needs more bytes than the " + std::to_string(size) +
                      " received";
            return false;
        }
        const std::uint64_t bytes = perRow * out.rows;
        out.data = reinterpret_cast<const std::int8_t*>(answer + offset);
        out.dataSize = static_cast<std::size_t>(bytes);
        offset += bytes;
    }
    params.outputCount = count;
    return true;
}

bool DecodeClassifierOutput(const DmeDecodeParams& params, std::string& problem)
{
    ClassScore* result = params.result;
    if (result == nullptr) {
        problem = "no result array";
        return false;
    }
    ClearResult(result);
    if (params.outputCount < 1) {
        problem = "no outputs to decode";
        return false;
    }
    const DmeOutput& out = params.outputs[0];
    const std::size_t channels = out.channels;
    if (channels == 0 || channels > kMaxClassifierChannels) {
        problem = "classifier output has " + std::to_string(channels) + " channels (1 to " +
                  std::to_string(kMaxClassifierChannels) + " expected)";
        return false;
    }
    if (out.radix > kMaxRadix || !std::isfinite(out.scale) || out.scale == 0.0f) {
        problem = "classifier output has radix " + std::to_string(out.radix) + " and scale " +
                  std::to_string(out.scale);
        return false;
    }
    // Channel c's run of `width` values (one row) starts at c x align16(width).
    const std::uint64_t stride = Align16(out.width);
    if (out.rows == 0 || out.width == 0 || out.data == nullptr || stride * (channels - 1) + 1 > out.dataSize) {
        problem = "classifier output of " + std::to_string(out.dataSize) + " bytes is too short for " +
                  std::to_string(channels) + " channels";
        return false;
    }

    // Sized once, never reallocated: a table per thread, so two devices'
    // workers can decode at the same time.
    thread_local std::array<ClassScore, kMaxClassifierChannels> table;
    const float divisor = std::ldexp(1.0f, static_cast<int>(out.radix));
    for (std::size_t c = 0; c < channels; ++c) {
        const float q = out.data[c * stride];
        const float value = (q / divisor) / out.scale;
        if (!std::isfinite(value)) {
            problem = "classifier output scale " + std::to_string(out.scale) + " makes values overflow";
            return false;
        }
        table[c] = {static_cast<std::int32_t>(c), value};
    }
    float maxValue = table[0].probability;
    for (std::size_t c = 1; c < channels; ++c)
        maxValue = std::max(maxValue, table[c].probability);
    float sum = 0.0f;
    for (std::size_t c = 0; c < channels; ++c)
        sum += static_cast<float>(std::exp(static_cast<double>(table[c].probability - maxValue)));
    const double logSum = std::log(static_cast<double>(sum));
    for (std::size_t c = 0; c < channels; ++c)
        table[c].probability =
            static_cast<float>(std::exp(static_cast<double>(table[c].probability - maxValue) - logSum));

    const std::size_t kept = std::min(channels, kClassifierResultCount);
    std::partial_sort(table.begin(), table.begin() + static_cast<std::ptrdiff_t>(kept),
                      table.begin() + static_cast<std::ptrdiff_t>(channels),
                      [](const ClassScore& a, const ClassScore& b) { return a.probability > b.probability; });
    std::copy(table.begin(), table.begin() + static_cast<std::ptrdiff_t>(kept), result);
    return true;
}

std::int32_t BestClass(const ClassScore* result)
{
    std::int32_t best = -1;
    float bestProbability = 0.0f;
    for (std::size_t i = 0; i < kClassifierResultCount; ++i) {
        if (result[i].probability > bestProbability) {
            best = result[i].classIndex;
            bestProbability = result[i].probability;
        }
    }
    return best;
}
