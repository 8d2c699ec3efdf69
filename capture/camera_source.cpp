#include "capture/camera_source.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "capture/capture_filter.h"

namespace {

std::mutex g_sourceLock;
CameraSource g_source;

bool EndsWith(const std::string &text, const char *tail) {
  const size_t n = std::strlen(tail);
  if (text.size() < n)
    return false;
  for (size_t i = 0; i < n; ++i) {
    if (std::tolower(static_cast<unsigned char>(text[text.size() - n + i])) != tail[i])
      return false;
  }
  return true;
}

// A spec is taken as a file when it exists as one or reads like a path; camera names (such as
// "Integrated Camera: Integrated C") rarely contain a slash or end in a video extension.
bool LooksLikeFile(const std::string &spec) {
  struct stat info;
  if (stat(spec.c_str(), &info) == 0)
    return true;
  if (spec.find('/') != std::string::npos)
    return true;
  for (const char *extension : {".mkv", ".mp4", ".avi", ".webm", ".mov", ".ogv", ".ogg", ".mjpeg", ".mjpg"}) {
    if (EndsWith(spec, extension))
      return true;
  }
  return false;
}

} // namespace

bool SetCameraSource(const std::string &spec, std::string *error) {
  CameraSource source;
  if (spec == "auto") {
    source.kind = CameraSourceKind::Auto;
  } else if (spec == "test") {
    source.kind = CameraSourceKind::Test;
  } else if (spec == "none") {
    source.kind = CameraSourceKind::None;
  } else if (spec.empty()) {
    if (error != nullptr)
      *error = "empty camera source: use auto, test, none, a video file or a camera's name";
    return false;
  } else if (LooksLikeFile(spec)) {
    struct stat info;
    FILE *file = std::fopen(spec.c_str(), "rb");
    if (file == nullptr || stat(spec.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
      int reason = file == nullptr ? errno : EISDIR;
      if (file != nullptr)
        std::fclose(file);
      if (error != nullptr)
        *error = "cannot read video file " + spec + ": " + std::strerror(reason);
      return false;
    }
    std::fclose(file);
    source.kind = CameraSourceKind::File;
    source.name = spec;
  } else {
    source.kind = CameraSourceKind::Named;
    source.name = spec;
  }
  SetCameraSource(source);
  return true;
}

void SetCameraSource(const CameraSource &source) {
  std::lock_guard<std::mutex> hold(g_sourceLock);
  g_source = source;
}

CameraSource CurrentCameraSource() {
  std::lock_guard<std::mutex> hold(g_sourceLock);
  return g_source;
}

std::vector<std::string> ListCameras() {
  std::vector<std::string> names;
  for (GstDevice *device : CameraDevices()) {
    gchar *name = gst_device_get_display_name(device);
    names.emplace_back(name != nullptr ? name : "");
    g_free(name);
    gst_object_unref(device);
  }
  return names;
}
