// ThreadSanitizer reads these when test_app runs under it. Qt's own worker threads (the raster
// engine splits large fills across a thread pool) synchronise through futex-based mutexes that the
// sanitizer cannot see, so it reports their shared buffers as races. Only reports whose stacks run
// through the Qt libraries are dropped; the program's own code reaches Qt only through the platform
// layer, and never from a link thread.
extern "C" const char* __tsan_default_suppressions() {
    return "race:libQt6Core.so\n"
           "race:libQt6Gui.so\n"
           "race:libQt6Widgets.so\n";
}
