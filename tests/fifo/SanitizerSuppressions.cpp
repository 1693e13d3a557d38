// Reports from uninstrumented libraries that would fail every sanitized run
// of these test programs: Qt's offscreen platform plugin never frees its
// screen objects (LeakSanitizer), and GDAL, which OpenCV's image codecs load,
// takes its mutexes in either order while registering drivers
// (ThreadSanitizer). Only those libraries are named: our own code is still
// reported. Processes the tests start get the same lists from the .supp files
// beside this one (see SanitizerOptionsForChildren).

#include "DetectorProcess.h"

#include <cstdlib>

extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libqoffscreen.so\n"
           "leak:libQt5Gui.so\n"
           "leak:libQt5Core.so\n";
}

extern "C" const char* __tsan_default_suppressions()
{
    return "deadlock:libgdal.so\n";
}

void SanitizerOptionsForChildren()
{
    setenv("LSAN_OPTIONS", "suppressions=" VIREO_SOURCE_DIR "/tests/fifo/qt_offscreen_leaks.supp", 1);
    setenv("TSAN_OPTIONS", "suppressions=" VIREO_SOURCE_DIR "/tests/fifo/gdal_deadlocks.supp", 1);
}

std::vector<std::string> OwlDetectorThreadFlags()
{
#ifdef VIREO_SANITIZED_BUILD
    // OpenCV's thread pool (TBB) synchronises out of ThreadSanitizer's sight,
    // so every result it hands back would be reported as a race: run inline.
    return {"--threads", "0"};
#else
    return {};
#endif
}
