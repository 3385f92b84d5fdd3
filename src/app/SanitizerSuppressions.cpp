// Compiled into every program that links the app library (see CMakeLists.txt).
//
// Qt, libdbus and GLib are not built with ThreadSanitizer, so it cannot see the
// locks and atomics with which Qt's D-Bus thread hands messages to the main thread
// (or Qt Gui's and Qt Widgets' own threads hand over what the main thread made), and reports every
// such hand-over as a race. Calls from those libraries into the
// sanitizer's interceptors (malloc, free, mutexes) are therefore ignored. Our own
// code never runs on Qt's threads: everything it shares between threads goes
// through the platform queues and standard mutexes, which stay fully checked.

#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define SWEEPWISE_THREAD_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define SWEEPWISE_THREAD_SANITIZER 1
#endif

#ifdef SWEEPWISE_THREAD_SANITIZER
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6DBus.so.6\n"
           "called_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libQt6Widgets.so.6\n"
           "called_from_lib:libdbus-1.so.3\n"
           "called_from_lib:libglib-2.0.so.0\n";
}
#endif
