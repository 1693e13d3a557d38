#include "settings/CameraResolution.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace {

std::vector<std::string> SplitAtX(const std::string& text)
{
    std::vector<std::string> tokens;
    std::string current;
    for (const char c : text) {
        if (c != 'x') {
            current += c;
        } else if (!current.empty()) {
            tokens.push_back(current);
            current.clear();
        }
    }
    if (!current.empty())
        tokens.push_back(current);
    return tokens;
}

// strtol's leniency (leading blanks, a sign, trailing text) is what users of
// "1280 x 720" rely on; everything it cannot make a positive int of is 0.
int LeadingPositiveInt(const std::string& token)
{
    const char* begin = token.c_str();
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(begin, &end, 10);
    if (end == begin || errno == ERANGE || value <= 0 || value > INT_MAX)
        return 0;
    return static_cast<int>(value);
}

}  // namespace

std::optional<CameraResolution> ParseCameraResolution(const std::string& text)
{
    const std::vector<std::string> tokens = SplitAtX(text);
    if (tokens.size() != 2)
        return std::nullopt;
    const int width = LeadingPositiveInt(tokens[0]);
    const int height = LeadingPositiveInt(tokens[1]);
    if (width == 0 || height == 0)
        return std::nullopt;
    return CameraResolution{width, height};
}
