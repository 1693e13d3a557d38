#include "DisplayCheck.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Qt takes its options with one dash or two.
const char* OptionValue(int argc, char** argv, const char* name)
{
    const char* value = nullptr;
    for (int i = 1; i + 1 < argc; ++i) {
        const char* arg = argv[i];
        if (arg[0] == '-' && arg[1] == '-')
            ++arg;
        if (std::strcmp(arg, name) == 0)
            value = argv[i + 1];
    }
    return value;
}

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

std::string MissingDisplayAdvice(int argc, char** argv)
{
    if (IsSet(OptionValue(argc, argv, "-display")) || IsSet(std::getenv("DISPLAY")))
        return {};
    const char* platform = OptionValue(argc, argv, "-platform");
    if (!IsSet(platform))
        platform = std::getenv("QT_QPA_PLATFORM");
    if (IsSet(platform) && !OnlyX11(platform))
        return {};
    const std::string program = argc > 0 && IsSet(argv[0]) ? argv[0] : "vireo-owl-edge";
    return "There is no display to show the video on (DISPLAY is not set).\n"
           "Start the program from a desktop session, log in with \"ssh -X\", or run it on a virtual display:\n"
           "    xvfb-run -a " + program + "\n";
}

bool DisplayFound(int argc, char** argv)
{
    const std::string advice = MissingDisplayAdvice(argc, argv);
    std::fputs(advice.c_str(), stderr);
    return advice.empty();
}
