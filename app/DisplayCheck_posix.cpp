#include "DisplayCheck.h"

#include <cstdio>
#include <cstdlib>

namespace {

bool IsSet(const char* value)
{
    return value != nullptr && *value != '\0';
}

// Qt tries the plugins of a list separated by ';' in turn, each perhaps with
// options after ':'. Only xcb is certain to fail without DISPLAY; wayland,
// offscreen, eglfs, vnc and the rest are left to Qt to judge.
bool OnlyX11(const std::string& platforms)
{
    size_t start = 0;
    while (start <= platforms.size()) {
        size_t end = platforms.find(';', start);
        if (end == std::string::npos)
            end = platforms.size();
        const std::string entry = platforms.substr(start, end - start);
        if (entry.substr(0, entry.find(':')) != "xcb")
            return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

std::string MissingDisplayAdvice(const std::string& program)
{
    if (IsSet(std::getenv("DISPLAY")))
        return {};
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (IsSet(platform) && !OnlyX11(platform))
        return {};
    return "There is no display to show the video on (DISPLAY is not set).\n"
           "Start the program from a desktop session, log in with \"ssh -X\", or run it on a virtual display:\n"
           "    xvfb-run -a " + program + "\n"
           "With --no-window it needs none: QT_QPA_PLATFORM=offscreen " + program + " --no-window\n";
}

bool DisplayFound(const char* program)
{
    const std::string advice = MissingDisplayAdvice(IsSet(program) ? program : "vireo-owl-edge");
    std::fputs(advice.c_str(), stderr);
    return advice.empty();
}
