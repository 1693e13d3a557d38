#pragma once
// The "CameraResolution" setting: width and height joined by the letter x.

#include <optional>
#include <string>

struct CameraResolution {
    int width = 1280;
    int height = 720;
};

// Splits at runs of lower-case 'x'; each of exactly two tokens is read as a
// base-10 integer with optional leading blanks and sign and any trailing text.
// Anything else (other token counts, zero, negative or out-of-range numbers,
// a token without digits) gives none; the caller uses the default 1280 by 720.
std::optional<CameraResolution> ParseCameraResolution(const std::string& text);
