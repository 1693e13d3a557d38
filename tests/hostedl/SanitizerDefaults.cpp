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

