#include "AnswerBytes.h"
#include "HostLibAdapter/AnswerParsers.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <utility>

namespace {

constexpr SentImageSize k720p{1280, 720};
const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

std::array<int, 4> Rect(const FdFrResult& r) { return {r.X, r.Y, r.Width, r.Height}; }

TEST(BoxFromCorners, TruncatesClampsAndDropsUnusableBoxes)
{
    const struct {
        const char* name;
        float x1, y1, x2, y2;
        bool kept;
        std::array<int, 4> rect;
    } cases[] = {
        {"truncated toward zero", 10.9f, 20.2f, 50.1f, 60.0f, true, {10, 20, 39, 39}},
        {"clamped to the image", -30.0f, -5.0f, 1400.0f, 800.0f, true, {0, 0, 1280, 720}},
        {"partly outside right", 1270.5f, 700.0f, 1300.0f, 760.0f, true, {1270, 700, 9, 20}},
        {"thin box kept, width truncates to 0", 10.2f, 10.0f, 10.9f, 20.0f, true, {10, 10, 0, 10}},
        {"x2 equal to x1", 10.0f, 10.0f, 10.0f, 20.0f, false, {}},
        {"entirely below the image", 10.0f, 800.0f, 20.0f, 900.0f, false, {}},
        {"NaN corner", kNaN, 10.0f, 20.0f, 20.0f, false, {}},
        {"huge but finite", -3e38f, -3e38f, 3e38f, 3e38f, true, {0, 0, 1280, 720}},
    };
    for (const auto& c : cases) {
        FdFrResult r;
        ASSERT_EQ(BoxFromCorners(c.x1, c.y1, c.x2, c.y2, k720p, r), c.kept) << c.name;
        EXPECT_EQ((c.kept ? Rect(r) : std::array<int, 4>{}), c.rect) << c.name;
    }
}

// A box list claiming `claimed` boxes; box i lies at (10i, i) and is 5 x 8.
AnswerBytes Boxes(std::uint32_t claimed, const std::vector<std::int32_t>& classes, std::size_t padding = 0)
{
    AnswerBytes a;
    a.U32(0).U32(claimed);
    for (std::size_t i = 0; i < classes.size(); ++i)
        a.Box(10.0f * i, 1.0f * i, 10.0f * i + 5, 1.0f * i + 8, 0.9f, classes[i]);
    return a.Zeros(padding);
}

TEST(ParseBoxList, ClassesCountsAndUnusableBoxes)
{
    using Kept = std::vector<std::pair<int, int>>;  // box index in the answer, ClassId of its record
    Kept all106;
    for (int i = 0; i < 106; ++i)
        all106.push_back({i, 1});
    const struct {
        const char* name;
        BoxListKind kind;
        AnswerBytes bytes;
        bool ok;
        Kept kept;
        bool clipped = false;
    } cases[] = {
        {"faces: class 0 dropped, mask 2 -> 1, others -> -1", BoxListKind::Faces, Boxes(4, {0, 1, 2, 15}), true,
         {{1, -1}, {2, 1}, {3, -1}}},
        {"objects keep the dongle's class", BoxListKind::Objects, Boxes(3, {0, 15, 79}), true,
         {{0, 0}, {1, 15}, {2, 79}}},
        {"non-finite corners drop only their box", BoxListKind::Objects,
         AnswerBytes().U32(0).U32(4).Box(kNaN, 0, 10, 10, 1, 0).Box(0, 0, kInf, 10, 1, 0).Box(0, -kInf, 10, 10, 1, 0)
             .Box(30, 3, 35, 11, 1, 7), true, {{3, 7}}},
        {"no boxes", BoxListKind::Objects, Boxes(0, {}), true, {}},
        {"106 boxes, the most there is room for", BoxListKind::Objects, Boxes(106, std::vector<int>(106, 1)), true,
         all106},
        {"107 boxes: the first 106 kept", BoxListKind::Objects, Boxes(107, std::vector<int>(107, 1)), true, all106,
         true},
        {"2^32 - 1 boxes", BoxListKind::Objects, Boxes(0xFFFFFFFFu, {1, 1}), false, {}},
        {"count above what arrived", BoxListKind::Objects, Boxes(3, {1, 1}), false, {}},
        {"padding after the boxes", BoxListKind::Objects, Boxes(2, {1, 1}, 40), true, {{0, 1}, {1, 1}}},
        {"no count word", BoxListKind::Objects, AnswerBytes().U32(0), false, {}},
    };
    for (const auto& c : cases) {
        std::vector<FdFrResult> out;
        std::string problem;
        bool clipped = false;
        const bool ok = ParseBoxList(c.bytes.data(), c.bytes.size(), c.kind, k720p, out, problem, &clipped);
        EXPECT_EQ(std::make_tuple(ok, problem.empty(), clipped), std::make_tuple(c.ok, c.ok, c.clipped)) << c.name;
        ASSERT_EQ(out.size(), c.kept.size()) << c.name;
        for (std::size_t i = 0; i < out.size(); ++i) {
            const int at = c.kept[i].first;
            EXPECT_EQ(Rect(out[i]), (std::array<int, 4>{10 * at, at, 5, 8})) << c.name << " record " << i;
            EXPECT_EQ(out[i].ClassId, c.kept[i].second) << c.name << " record " << i;
        }
    }
}

AnswerBytes AgeGender(float score, std::uint32_t age, std::uint32_t gender, float x1 = 100, float x2 = 200)
{
    return AnswerBytes().F32(x1).F32(50).F32(x2).F32(170).F32(score).U32(0).U32(age).U32(gender);
}

TEST(ParseAgeGender, ScoreAgeAndGenderDecideTheRecord)
{
    using O = AgeGenderOutcome;
    const struct {
        const char* name;
        AnswerBytes bytes;
        bool ok;
        AgeGenderOutcome outcome;
        int age, male, female;
    } cases[] = {
        {"score 0.8 is not enough", AgeGender(0.8f, 30, 1), true, O::NoFace, 0, 0, 0},
        {"score NaN", AgeGender(kNaN, 30, 1), true, O::NoFace, 0, 0, 0},
        {"face too small", AgeGender(0.9f, 0, 0), true, O::FaceTooSmall, 0, 0, 0},
        {"age 30, female", AgeGender(0.9f, 30, 0), true, O::Record, 30, 0, 1},
        {"age 0, male", AgeGender(0.95f, 0, 1), true, O::Record, 0, 1, 0},
        {"any non-zero gender is male", AgeGender(0.95f, 41, 7), true, O::Record, 41, 1, 0},
        {"absurd age capped", AgeGender(0.95f, 0xFFFFFFFFu, 1), true, O::Record, 150, 1, 0},
        {"box empty", AgeGender(0.95f, 30, 1, 200, 100), false, O::NoFace, 0, 0, 0},
        {"31 bytes", AnswerBytes().Zeros(31), false, O::NoFace, 0, 0, 0},
    };
    for (const auto& c : cases) {
        std::vector<FdFrResult> out;
        std::string problem;
        AgeGenderOutcome outcome;
        const bool ok = ParseAgeGender(c.bytes.data(), c.bytes.size(), k720p, out, outcome, problem);
        EXPECT_EQ(std::make_pair(ok, outcome), std::make_pair(c.ok, c.outcome)) << c.name;
        ASSERT_EQ(out.size(), c.outcome == O::Record ? 1u : 0u) << c.name;
        if (out.empty())
            continue;
        EXPECT_EQ((std::array<int, 3>{out[0].Age, out[0].Male, out[0].Female}),
                  (std::array<int, 3>{c.age, c.male, c.female})) << c.name;
        EXPECT_EQ(Rect(out[0]), (std::array<int, 4>{100, 50, 100, 120})) << c.name;
    }
}

}  // namespace
