#include "HostLibAdapter/AnswerParsers.h"

#include "HostLibAdapter/RawOutputDecoder.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

std::uint32_t U32At(const char* p)
{
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

float F32At(const char* p)
{
    const std::uint32_t bits = U32At(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// The oldest dongles report ages in years; nothing plausible is above this.
constexpr std::uint32_t kMaxAge = 150;
constexpr float kFaceScoreThreshold = 0.8f;

}  // namespace

bool BoxFromCorners(float x1, float y1, float x2, float y2, SentImageSize image, FdFrResult& record)
{
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2))
        return false;
    const float w = static_cast<float>(std::max(image.width, 0));
    const float h = static_cast<float>(std::max(image.height, 0));
    x1 = std::clamp(x1, 0.0f, w);
    x2 = std::clamp(x2, 0.0f, w);
    y1 = std::clamp(y1, 0.0f, h);
    y2 = std::clamp(y2, 0.0f, h);
    if (!(x2 > x1) || !(y2 > y1))
        return false;
    // Clamped to at most 1280 x 720 (or the int range of the sizes), so every
    // truncation below fits an int.
    record.X = static_cast<std::int32_t>(x1);
    record.Y = static_cast<std::int32_t>(y1);
    record.Width = static_cast<std::int32_t>(x2 - x1);
    record.Height = static_cast<std::int32_t>(y2 - y1);
    return true;
}

bool ParseBoxList(const char* answer, std::size_t size, BoxListKind kind, SentImageSize image,
                  std::vector<FdFrResult>& out, std::string& problem, bool* clipped)
{
    if (answer == nullptr || size < kBoxAnswerHead) {
        problem = "box list answer of " + std::to_string(size) + " bytes has no head";
        return false;
    }
    const std::uint32_t claimed = U32At(answer + 4);
    // More boxes than the answer has room for: the dongle found a crowd, and
    // the first ones (its best) still make a picture.
    const std::uint32_t count = std::min<std::uint32_t>(claimed, kMaxAnswerBoxes);
    if (kBoxAnswerHead + kBoxAnswerStride * count > size) {
        problem = "box list answer claims " + std::to_string(claimed) + " boxes in " + std::to_string(size) + " bytes";
        return false;
    }
    if (clipped != nullptr)
        *clipped = claimed > count;
    for (std::uint32_t i = 0; i < count; ++i) {
        const char* box = answer + kBoxAnswerHead + kBoxAnswerStride * i;
        const auto cls = static_cast<std::int32_t>(U32At(box + 20));
        if (kind == BoxListKind::Faces && cls == 0)
            continue;
        FdFrResult record;
        if (!BoxFromCorners(F32At(box), F32At(box + 4), F32At(box + 8), F32At(box + 12), image, record))
            continue;
        if (kind == BoxListKind::Faces)
            record.ClassId = cls == 2 ? 1 : -1;
        else
            record.ClassId = cls;
        out.push_back(record);
    }
    return true;
}

bool ParseAgeGender(const char* answer, std::size_t size, SentImageSize image, std::vector<FdFrResult>& out,
                    AgeGenderOutcome& outcome, std::string& problem)
{
    outcome = AgeGenderOutcome::NoFace;
    if (answer == nullptr || size < kAgeGenderAnswerSize) {
        problem = "age/gender answer of " + std::to_string(size) + " bytes (32 expected)";
        return false;
    }
    const float score = F32At(answer + 16);
    if (!(score > kFaceScoreThreshold))
        return true;
    const std::uint32_t age = U32At(answer + 24);
    const std::uint32_t gender = U32At(answer + 28);
    if (age == 0 && gender == 0) {
        outcome = AgeGenderOutcome::FaceTooSmall;
        return true;
    }
    FdFrResult record;
    if (!BoxFromCorners(F32At(answer), F32At(answer + 4), F32At(answer + 8), F32At(answer + 12), image, record)) {
        problem = "age/gender answer has an unusable face box";
        return false;
    }
    record.Age = static_cast<std::int32_t>(std::min(age, kMaxAge));
    if (gender != 0)
        record.Male = 1;
    else
        record.Female = 1;
    out.push_back(record);
    outcome = AgeGenderOutcome::Record;
    return true;
}

bool ParseUserDefined(const char* answer, std::size_t size, std::vector<FdFrResult>& out, std::string& problem)
{
    DmeDecodeParams params;
    std::array<ClassScore, kClassifierResultCount> scores;
    params.result = scores.data();
    if (!FillDecodeParams(answer, size, params, problem))
        return false;
    if (!DecodeClassifierOutput(params, problem))
        return false;
    FdFrResult record;
    record.ClassId = BestClass(scores.data());
    out.push_back(record);
    return true;
}
