#pragma once
// Detector parameters of the emulated dongle, shared with the benchmark so it
// runs the same detectors directly with exactly the same settings.
//
// Faces: every 10 % scale step, 3 neighbours, nothing below 40 x 40 pixels.
// A 40-pixel face is someone about three metres from a 720p webcam. The
// cascade runs only where the set's quick cascade points (CascadeSearch.h).

#include "hostedl/CascadeSearch.h"
#include "hostedl/PeopleSearch.h"

#include <opencv2/core.hpp>

namespace hostedl {

inline const CascadeScan kFaceParams{1.1, 3, {40, 40}, {}};
// The LBP face cascade proposes from every raw hit in 20 % steps: with 30 %
// steps and grouped hits it missed messi5.jpg's face at 60 to 90 pixels (a
// sixth of the faces the whole scan shows on the sample pictures at other
// sizes), at twice this cost it loses none. Cats keep the coarser default.
inline const QuickScan kFaceQuickScan{1.0, 1.2, 0};
inline const CascadeScan kCatFaceParams{1.1, 3, {40, 40}, {}};
// Mouths are searched in the lower half of a face only.
inline const CascadeScan kMouthParams{1.1, 8, {16, 10}, {}};
// Wider faces are shrunk to this width for the mouth search: the smile
// cascade's 36 x 18 window is still under a third of such a face, every
// mouth fits, and a close face's lower half costs no more than a far one's.
constexpr int kMouthSearchFaceWidth = 150;

// People: an 8-pixel stride and 5 % steps, two overlapping windows per
// person, only around what the quick people detector proposes (PeopleSearch.h).
inline const HogScan kHogParams{0.0, {8, 8}, {0, 0}, 1.05, 2.0};

// Below this face width the age/gender model answers age 0, gender 0.
constexpr int kAgeGenderMinFace = 48;

}  // namespace hostedl
