// Sanitizer reports from inside uninstrumented libraries, not ours: Qt's
// offscreen platform keeps its screen objects until exit, and GDAL (which
// OpenCV's picture reader loads) takes its mutexes in either order. Our own
// code is never exempt.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libqoffscreen.so\n";
}

extern "C" const char* __tsan_default_suppressions();
extern "C" const char* __tsan_default_suppressions()
{
    return "deadlock:libgdal.so\n";
}

#if defined(__SANITIZE_THREAD__)
#include <opencv2/core/utility.hpp>

namespace {
// OpenCV's worker pool (TBB) is not instrumented, so ThreadSanitizer cannot see
// its hand-overs and reports them as races inside OpenCV. Under TSan OpenCV
// runs its loops on the calling thread; our own threads stay as they are.
const bool openCvSerial = [] {
    cv::setNumThreads(1);
    return true;
}();
}  // namespace
#endif
