#include "AnswerBytes.h"
#include "HostLibAdapter/AnswerParsers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr SentImageSize k720p{1280, 720};
const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

struct Rect {
    int x, y, w, h;
};

TEST(BoxFromCorners, TruncatesClampsAndDropsUnusableBoxes)
{
    const struct {
        const char* name;
        float x1, y1, x2, y2;
        bool kept;
        Rect rect;
    } cases[] = {
        {"truncated toward zero", 10.9f, 20.2f, 50.1f, 60.0f, true, {10, 20, 39, 39}},
        {"clamped to the image", -30.0f, -5.0f, 1400.0f, 800.0f, true, {0, 0, 1280, 720}},
        {"partly outside right", 1270.5f, 700.0f, 1300.0f, 760.0f, true, {1270, 700, 9, 20}},
        {"thin box kept, width truncates to 0", 10.2f, 10.0f, 10.9f, 20.0f, true, {10, 10, 0, 10}},
        {"x2 equal to x1", 10.0f, 10.0f, 10.0f, 20.0f, false, {}},
        {"reversed corners", 50.0f, 60.0f, 10.0f, 20.0f, false, {}},
        {"entirely left of the image", -50.0f, 10.0f, -10.0f, 20.0f, false, {}},
        {"entirely below the image", 10.0f, 800.0f, 20.0f, 900.0f, false, {}},
        {"NaN corner", kNaN, 10.0f, 20.0f, 20.0f, false, {}},
        {"infinite corner", 0.0f, 0.0f, kInf, 20.0f, false, {}},
        {"negative infinity", -kInf, 0.0f, 20.0f, 20.0f, false, {}},
        {"huge but finite", -3e38f, -3e38f, 3e38f, 3e38f, true, {0, 0, 1280, 720}},
    };
    for (const auto& c : cases) {
        FdFrResult r;
        ASSERT_EQ(BoxFromCorners(c.x1, c.y1, c.x2, c.y2, k720p, r), c.kept) << c.name;
        if (!c.kept)
            continue;
        EXPECT_EQ(r.X, c.rect.x) << c.name;
        EXPECT_EQ(r.Y, c.rect.y) << c.name;
        EXPECT_EQ(r.Width, c.rect.w) << c.name;
        EXPECT_EQ(r.Height, c.rect.h) << c.name;
        EXPECT_EQ(r.ClassId, -1) << c.name;
    }
}

TEST(ParseBoxList, FacesDropClassZeroAndMapMaskToOne)
{
    AnswerBytes a;
    a.U32(0).U32(3).Box(1, 2, 11, 12, 0.9f, 0).Box(20, 20, 40, 40, 0.9f, 1).Box(50, 50, 90, 90, 0.9f, 2);
    std::vector<FdFrResult> out;
    std::string problem;
    ASSERT_TRUE(ParseBoxList(a.data(), a.size(), BoxListKind::Faces, k720p, out, problem));
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].ClassId, -1);
    EXPECT_EQ(out[0].X, 20);
    EXPECT_EQ(out[1].ClassId, 1);
    EXPECT_EQ(out[1].Width, 40);
}

TEST(ParseBoxList, ObjectsKeepTheDonglesClass)
{
    AnswerBytes a;
    a.U32(0).U32(3).Box(1, 2, 11, 12, 0.9f, 0).Box(20, 20, 40, 40, 0.9f, 15).Box(50, 50, 90, 90, 0.9f, 79);
    std::vector<FdFrResult> out;
    std::string problem;
    ASSERT_TRUE(ParseBoxList(a.data(), a.size(), BoxListKind::Objects, k720p, out, problem));
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].ClassId, 0);
    EXPECT_EQ(out[1].ClassId, 15);
    EXPECT_EQ(out[2].ClassId, 79);
}

TEST(ParseBoxList, CountsAreCheckedAgainstSizeAndCapacity)
{
    const auto answer = [](std::uint32_t claimed, std::size_t boxes, std::size_t extra = 0) {
        AnswerBytes a;
        a.U32(0).U32(claimed);
        for (std::size_t i = 0; i < boxes; ++i)
            a.Box(10, 10, 20, 20, 0.5f, 1);
        a.Zeros(extra);
        return a;
    };
    const struct {
        const char* name;
        AnswerBytes bytes;
        bool ok;
        std::size_t records;
    } cases[] = {
        {"no boxes", answer(0, 0), true, 0},
        {"106 boxes, the most there is room for", answer(106, 106), true, 106},
        {"107 boxes", answer(107, 107), false, 0},
        {"2^32 - 1 boxes", answer(0xFFFFFFFFu, 2), false, 0},
        {"count above what arrived", answer(3, 2), false, 0},
        {"padding after the boxes", answer(2, 2, 40), true, 2},
        {"no count word", AnswerBytes().U32(0), false, 0},
        {"empty", AnswerBytes(), false, 0},
    };
    for (const auto& c : cases) {
        std::vector<FdFrResult> out;
        std::string problem;
        EXPECT_EQ(ParseBoxList(c.bytes.data(), c.bytes.size(), BoxListKind::Objects, k720p, out, problem), c.ok)
            << c.name;
        EXPECT_EQ(out.size(), c.records) << c.name;
        EXPECT_EQ(problem.empty(), c.ok) << c.name;
    }
}

TEST(ParseBoxList, NonFiniteCoordinatesDropOnlyTheirBox)
{
    AnswerBytes a;
    a.U32(0).U32(4).Box(kNaN, 0, 10, 10, 1, 0).Box(0, 0, kInf, 10, 1, 0).Box(0, -kInf, 10, 10, 1, 0).Box(
        5, 5, 15, 25, 1, 7);
    std::vector<FdFrResult> out;
    std::string problem;
    ASSERT_TRUE(ParseBoxList(a.data(), a.size(), BoxListKind::Objects, k720p, out, problem));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].ClassId, 7);
    EXPECT_EQ(out[0].Height, 20);
}

AnswerBytes AgeGender(float score, std::uint32_t age, std::uint32_t gender, float x1 = 100, float x2 = 200)
{
    AnswerBytes a;
    a.F32(x1).F32(50).F32(x2).F32(170).F32(score).U32(0).U32(age).U32(gender);
    return a;
}

TEST(ParseAgeGender, ScoreAgeAndGenderDecideTheRecord)
{
    const struct {
        const char* name;
        AnswerBytes bytes;
        bool ok;
        AgeGenderOutcome outcome;
        int age, male, female;
    } cases[] = {
        {"score 0.8 is not enough", AgeGender(0.8f, 30, 1), true, AgeGenderOutcome::NoFace, 0, 0, 0},
        {"score NaN", AgeGender(kNaN, 30, 1), true, AgeGenderOutcome::NoFace, 0, 0, 0},
        {"face too small", AgeGender(0.9f, 0, 0), true, AgeGenderOutcome::FaceTooSmall, 0, 0, 0},
        {"age 30, female", AgeGender(0.9f, 30, 0), true, AgeGenderOutcome::Record, 30, 0, 1},
        {"age 0, male", AgeGender(0.95f, 0, 1), true, AgeGenderOutcome::Record, 0, 1, 0},
        {"any non-zero gender is male", AgeGender(0.95f, 41, 7), true, AgeGenderOutcome::Record, 41, 1, 0},
        {"absurd age capped", AgeGender(0.95f, 0xFFFFFFFFu, 1), true, AgeGenderOutcome::Record, 150, 1, 0},
        {"box not finite", AgeGender(0.95f, 30, 1, kNaN), false, AgeGenderOutcome::NoFace, 0, 0, 0},
        {"box empty", AgeGender(0.95f, 30, 1, 200, 100), false, AgeGenderOutcome::NoFace, 0, 0, 0},
        {"31 bytes", AnswerBytes().Zeros(31), false, AgeGenderOutcome::NoFace, 0, 0, 0},
    };
    for (const auto& c : cases) {
        std::vector<FdFrResult> out;
        std::string problem;
        AgeGenderOutcome outcome;
        EXPECT_EQ(ParseAgeGender(c.bytes.data(), c.bytes.size(), k720p, out, outcome, problem), c.ok) << c.name;
        EXPECT_EQ(outcome, c.outcome) << c.name;
        ASSERT_EQ(out.size(), c.outcome == AgeGenderOutcome::Record ? 1u : 0u) << c.name;
        if (out.empty())
            continue;
        EXPECT_EQ(out[0].Age, c.age) << c.name;
        EXPECT_EQ(out[0].Male, c.male) << c.name;
        EXPECT_EQ(out[0].Female, c.female) << c.name;
        EXPECT_EQ(out[0].X, 100) << c.name;
        EXPECT_EQ(out[0].Height, 120) << c.name;
    }
}

TEST(ParseUserDefined, GivesTheMostProbableClassOrNothing)
{
    AnswerBytes three;
    three.RawCount(1).Descriptor(1, 3, 1, 0, 1.0f).Channels({1, 9, 4}, 16);
    std::vector<FdFrResult> out;
    std::string problem;
    ASSERT_TRUE(ParseUserDefined(three.data(), three.size(), out, problem));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].ClassId, 1);
    EXPECT_EQ(out[0].X | out[0].Y | out[0].Width | out[0].Height, 0);

    AnswerBytes none;
    none.RawCount(0);
    out.clear();
    EXPECT_FALSE(ParseUserDefined(none.data(), none.size(), out, problem));
    EXPECT_TRUE(out.empty());
}

}  // namespace
