#include "Options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

const char* const kUsage =
    "usage: owl-detector [--req NAME] [--resp NAME] [--once] [--overlay] [--cascades DIR] [--log]\n"
    "                    [--threads N]\n"
    "                    [--delay-ms N] [--crash-after N] [--garbage] [--short-body]\n"
    "                    [--huge-length] [--two-answers] [--echo]\n"
    "\n"
    "Serves VireoOWL Edge's detector pipes: finds faces and eyes in every frame and\n"
    "answers with boxes, value panels, points, lines and a frame panel.\n"
    "  --req, --resp NAME  pipe names (default \\\\.\\pipe\\req_pipe and \\\\.\\pipe\\resp_pipe,\n"
    "                      i.e. $XDG_RUNTIME_DIR/req_pipe or /tmp/req_pipe); other names are paths\n"
    "  --once              answer one request, then exit\n"
    "  --overlay           add a transparent thumbnail to the frame entry\n"
    "  --cascades DIR      Haar cascades (default /usr/share/opencv4/haarcascades); the LBP face\n"
    "                      cascade that points them is read from DIR/../lbpcascades when there\n"
    "  --log               print a line for every answer\n"
    "  --threads N         OpenCV worker threads (0: none, all inline; default: OpenCV's choice)\n"
    "For tests and measurements:\n"
    "  --delay-ms N        wait N ms before each answer\n"
    "  --crash-after N     answer N requests, then die on the next one\n"
    "  --garbage           answer with text that is not JSON\n"
    "  --short-body        announce the whole answer, send half of it, exit\n"
    "  --huge-length       announce an answer of almost 4 GiB\n"
    "  --two-answers       answer every request twice\n"
    "  --echo              answer at once with an empty document, no detection\n"
    "It exits when the program closes the pipes.\n";

namespace {

bool ParseCount(const char* text, int& value)
{
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || parsed < 0 || parsed > INT_MAX)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

}  // namespace

bool ParseOptions(int argc, char** argv, Options& options, std::string& error)
{
    struct Flag {
        const char* name;
        bool* value;
    };
    const Flag flags[] = {
        {"--once", &options.once},           {"--overlay", &options.overlay},
        {"--garbage", &options.garbage},     {"--short-body", &options.shortBody},
        {"--huge-length", &options.hugeLength}, {"--two-answers", &options.twoAnswers},
        {"--echo", &options.echo},           {"--help", &options.help},
        {"--log", &options.log},
    };
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        bool matched = false;
        for (const Flag& flag : flags) {
            if (arg == flag.name) {
                *flag.value = true;
                matched = true;
            }
        }
        if (matched)
            continue;
        const bool takesValue = arg == "--req" || arg == "--resp" || arg == "--cascades" || arg == "--delay-ms" ||
                                arg == "--crash-after" || arg == "--threads";
        if (!takesValue) {
            error = "unknown argument " + arg;
            return false;
        }
        if (i + 1 >= argc) {
            error = arg + " needs a value";
            return false;
        }
        const char* value = argv[++i];
        if (arg == "--req") {
            options.requestName = value;
        } else if (arg == "--resp") {
            options.responseName = value;
        } else if (arg == "--cascades") {
            options.cascadeDir = value;
        } else if (!ParseCount(value, arg == "--delay-ms"      ? options.delayMs
                                      : arg == "--crash-after" ? options.crashAfter
                                                               : options.threads)) {
            error = arg + " needs a count, not \"" + value + "\"";
            return false;
        }
    }
    return true;
}
