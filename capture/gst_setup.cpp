#include "capture/gst_setup.h"

#include <gst/gst.h>

#include <mutex>

#include "base/log.h"
#include "capture/grabber_sink.h"

bool EnsureGstreamer() {
  static std::once_flag once;
  static bool ready = false;
  std::call_once(once, [] {
    GError *error = nullptr;
    if (!gst_init_check(nullptr, nullptr, &error)) {
      LogWarning("camera: GStreamer cannot start: %s", error != nullptr ? error->message : "?");
      g_clear_error(&error);
      return;
    }
    ready = RegisterGrabberSink();
  });
  return ready;
}
