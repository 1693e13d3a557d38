// Qt's offscreen platform plugin never frees its screen objects; LeakSanitizer
// would fail every run of this (sanitized) test program at exit for them.
// Only Qt's own libraries are named: leaks in our code are still reported.

extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libqoffscreen.so\n"
           "leak:libQt5Gui.so\n"
           "leak:libQt5Core.so\n";
}
