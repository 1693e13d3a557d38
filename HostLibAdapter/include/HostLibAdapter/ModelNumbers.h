#pragma once
// The model numbers shared by the device panel, the device back-end and the
// display.

enum ModelNumber : int {
    kModelFaceDetection = 0,
    kModelAgeGender = 1,
    kModelObjectDetection = 2,
    kModelMaskDetection = 3,
    kModelUserDefined = 4,
};

inline bool IsModelNumber(int mode)
{
    return mode >= kModelFaceDetection && mode <= kModelUserDefined;
}
