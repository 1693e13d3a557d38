#pragma once
// One thing the dongle found in one frame.

#include <QMetaType>

#include <cstdint>
#include <vector>

// Box fields are pixels of the image sent to the dongle (at most 1280 x 720),
// not of the camera frame. What ClassId, Age, Male and Female mean depends on
// the model number that travels with the list (see ModelNumbers.h).
struct FdFrResult {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t ClassId = -1;
    std::int32_t Age = 0;
    std::int32_t Male = 0;
    std::int32_t Female = 0;
};

Q_DECLARE_METATYPE(FdFrResult)
Q_DECLARE_METATYPE(std::vector<FdFrResult>)

// Registers "std::vector<FdFrResult>" for queued connections; returns the
// type id. Safe to call any number of times, from any thread.
int RegisterFdFrResultListMetaType();
