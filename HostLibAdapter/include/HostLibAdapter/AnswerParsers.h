#pragma once
// Turning the dongle's answers (as the result retrieval leaves them in the
// receive buffer) into result records. Pure functions: the buffer is never
// trusted, every count and size is checked against the bytes received.

#include "HostLibAdapter/FdFrResult.h"

#include <cstddef>
#include <string>
#include <vector>

// Box lists hold at most this many boxes: an 8-byte head and 24 bytes a box.
constexpr std::size_t kMaxAnswerBoxes = 106;
constexpr std::size_t kBoxAnswerHead = 8;
constexpr std::size_t kBoxAnswerStride = 24;
constexpr std::size_t kAgeGenderAnswerSize = 32;

// The size of the image the dongle saw; boxes are clamped to it.
struct SentImageSize {
    int width = 0;
    int height = 0;
};

// The record of one box with float corners, clamped to `image`. False (no
// record) when a corner is not finite or the clamped box is empty
// (x2 <= x1 or y2 <= y1).
bool BoxFromCorners(float x1, float y1, float x2, float y2, SentImageSize image, FdFrResult& record);

enum class BoxListKind {
    Faces,    // mask / face model: class 0 dropped, 2 -> ClassId 1, others -> -1
    Objects,  // object detection: ClassId is the dongle's class
};

// Appends the records of a box list answer of `size` bytes to `out`. An
// answer that claims more than kMaxAnswerBoxes gives its first
// kMaxAnswerBoxes, and sets `*clipped` when given. False, with `problem` set
// and nothing appended, when the answer does not hold the boxes it claims.
bool ParseBoxList(const char* answer, std::size_t size, BoxListKind kind, SentImageSize image,
                  std::vector<FdFrResult>& out, std::string& problem, bool* clipped = nullptr);

// Outcome of an age/gender answer that parsed.
enum class AgeGenderOutcome {
    NoFace,        // score not above 0.8 (or not a number): nothing to show
    FaceTooSmall,  // a face, but the dongle gave neither age nor gender
    Record,        // one record appended
};

// Parses the 32-byte age/gender answer. False, with `problem` set, when
// fewer than 32 bytes arrived or the face box is unusable.
bool ParseAgeGender(const char* answer, std::size_t size, SentImageSize image, std::vector<FdFrResult>& out,
                    AgeGenderOutcome& outcome, std::string& problem);

// Parses the user model's raw output and appends its one record: box fields
// 0, ClassId the most probable class above 0, or -1. False, with `problem`
// set and nothing appended, when the raw output does not describe itself
// consistently.
bool ParseUserDefined(const char* answer, std::size_t size, std::vector<FdFrResult>& out, std::string& problem);
