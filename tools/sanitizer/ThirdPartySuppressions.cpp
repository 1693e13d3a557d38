// Sanitizer reports that come from inside libraries built without the
// sanitizers, compiled into every program of a -DSANITIZE build (tests,
// tools and the program alike). Each entry names a third-party library or
// function and why; our own code is never named here.

extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions()
{
    return
        // Qt's offscreen platform plugin keeps its screen objects until exit.
        "leak:libqoffscreen.so\n"
        // Fontconfig, asked by Qt for each new font size, keeps what it
        // matched in caches of its own.
        "leak:libfontconfig.so\n"
        // GDAL, loaded by OpenCV's picture codecs, keeps its driver table.
        "leak:libgdal.so\n"
        // GLib's and GStreamer's process-wide state (type system, registry)
        // lives until exit; only GLib's own allocator is named, which our
        // code never calls.
        "leak:g_malloc\n"
        // Initialisers of shared libraries allocate once for the process.
        "leak:_dl_init\n";
}

// Qt, OpenCV and GLib guard their own structures with locks built from
// atomics TSan cannot see (Qt's mutexes are futexes in uninstrumented code),
// so a memmove they make under such a lock, such as two threads posting
// events to one queue, looks like a race. Accesses that uninstrumented
// libraries make through the C library are therefore not checked; their
// pthread calls still order our threads, and every access our code makes is
// still checked.
extern "C" const char* __tsan_default_options();
extern "C" const char* __tsan_default_options()
{
    return "ignore_noninstrumented_modules=1";
}

extern "C" const char* __tsan_default_suppressions();
extern "C" const char* __tsan_default_suppressions()
{
    return
        // GDAL takes its mutexes in either order while registering drivers.
        "deadlock:libgdal.so\n"
        // GLib hands a thread's event-loop eventfd between threads under
        // Qt's own (uninstrumented) atomics; GLib appears in a report only
        // where it calls the system itself, so no race of ours hides here.
        "race:libglib-2.0.so.0\n"
        // GStreamer's streaming threads take over the pipeline that
        // OpenCV built on the calling thread, handed across under GLib's
        // locks; its core and every plugin library start with "libgst".
        "race:libgst\n"
        // A queued signal's event and the copies of its arguments are made
        // on the emitting thread, handed to the receiving thread's queue
        // under Qt's own mutex and deleted there after the call. Only the
        // sites that make and delete them are named, so a race on our data
        // outside that hand-over still shows.
        "race:QMetaCallEvent::QMetaCallEvent\n"
        "race:QMetaType::create\n"
        "race:QCoreApplicationPrivate::sendPostedEvents\n"
        // A finished QThread wakes its waiters through a condition variable
        // that the waiter may destroy at once; Qt orders it, TSan cannot see.
        "race:QWaitCondition::~QWaitCondition\n";
}
