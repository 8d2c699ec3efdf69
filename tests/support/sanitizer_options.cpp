// Sanitizer settings for the test programs, read by the sanitizer runtimes at start-up.

// GStreamer and GLib are not built with ThreadSanitizer: their reference counts use atomics it
// cannot see, so their own frees and mutex set-ups show as races between their threads. Ignore
// accesses made inside uninstrumented libraries while still honouring their locks and threads,
// so races in our code (including across GStreamer's streaming thread) are still reported.
extern "C" const char *__tsan_default_options() { return "ignore_noninstrumented_modules=1"; }

// gst_init keeps its registry, types and plugins for the life of the process by design.
extern "C" const char *__lsan_default_suppressions() {
  return "leak:libgstreamer-1.0.so\n"
         "leak:libglib-2.0.so\n"
         "leak:libgobject-2.0.so\n";
}
