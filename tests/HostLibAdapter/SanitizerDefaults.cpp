// Sanitizer reports from inside uninstrumented libraries, never from ours:
// Qt's offscreen platform keeps its screen objects until exit; GDAL (which
// OpenCV's picture reader loads) takes its mutexes in either order; GLib
// wakes and closes a thread's event loop through an eventfd whose hand-over
// between threads is ordered by Qt's own (invisible) atomics, and a finished
// QThread wakes its waiters through a condition variable the waiter may then
// destroy. GLib shows up in a report's stacks only where it calls the system
// itself (those eventfds), so the pattern cannot hide a race of our code.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libqoffscreen.so\n";
}

extern "C" const char* __tsan_default_suppressions();
extern "C" const char* __tsan_default_suppressions()
{
    return "deadlock:libgdal.so\n"
           "race:libglib-2.0.so.0\n"
           "race:QWaitCondition::~QWaitCondition\n";
}
