#include "hostedl/Answers.h"

#include "hostedl/ByteIO.h"

#include <algorithm>

namespace hostedl {

std::vector<uint8_t> WriteBoxList(const std::vector<Box>& boxes)
{
    const size_t n = std::min(boxes.size(), kMaxBoxes);
    std::vector<uint8_t> out;
    out.reserve(8 + 24 * n);
    PutU32(out, 0);
    PutU32(out, static_cast<uint32_t>(n));
    for (size_t i = 0; i < n; ++i) {
        const Box& b = boxes[i];
        PutF32(out, b.x1);
        PutF32(out, b.y1);
        PutF32(out, b.x2);
        PutF32(out, b.y2);
        PutF32(out, b.score);
        PutU32(out, static_cast<uint32_t>(b.classId));
    }
    return out;
}

std::vector<uint8_t> WriteAgeGender(const AgeGender& a)
{
    std::vector<uint8_t> out;
    out.reserve(kAgeGenderAnswerSize);
    PutF32(out, a.x1);
    PutF32(out, a.y1);
    PutF32(out, a.x2);
    PutF32(out, a.y2);
    PutF32(out, a.score);
    PutU32(out, 0);
    PutU32(out, a.age);
    PutU32(out, a.gender);
    return out;
}

std::vector<uint8_t> WriteClassifierTensor(const std::vector<int8_t>& values, uint32_t radix,
                                           float scale)
{
    constexpr size_t kRun = 16;  // a width-1 run padded to 16 bytes
    std::vector<uint8_t> out;
    out.reserve(24 + values.size() * kRun);
    out.push_back(1);  // one output
    out.insert(out.end(), 3, 0);
    PutU32(out, 1);  // rows
    PutU32(out, static_cast<uint32_t>(values.size()));
    PutU32(out, 1);  // width
    PutU32(out, radix);
    PutF32(out, scale);
    for (int8_t v : values) {
        out.push_back(static_cast<uint8_t>(v));
        out.insert(out.end(), kRun - 1, 0);
    }
    return out;
}

}  // namespace hostedl
