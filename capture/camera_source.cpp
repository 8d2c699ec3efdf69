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

// A choice is taken as a file when it exists as one or reads like a path; camera names (such as
// "Integrated Camera: Integrated C") rarely contain a slash or end in a video extension.
bool LooksLikeFile(const std::string &choice) {
  struct stat info;
  if (stat(choice.c_str(), &info) == 0)
    return true;
  if (choice.find('/') != std::string::npos)
    return true;
  for (const char *extension : {".mkv", ".mp4", ".avi", ".webm", ".mov", ".ogv", ".ogg", ".mjpeg", ".mjpg"}) {
    if (EndsWith(choice, extension))
      return true;
  }
  return false;
}

} // namespace

bool SetCameraSource(const std::string &choice, std::string *error) {
  CameraSource source;
  if (choice == "auto") {
    source.kind = CameraSourceKind::Auto;
  } else if (choice == "test") {
    source.kind = CameraSourceKind::Test;
  } else if (choice == "none") {
    source.kind = CameraSourceKind::None;
  } else if (choice.empty()) {
    if (error != nullptr)
      *error = "empty camera source: use auto, test, none, a video file or a camera's name";
    return false;
  } else if (LooksLikeFile(choice)) {
    struct stat info;
    FILE *file = std::fopen(choice.c_str(), "rb");
    if (file == nullptr || stat(choice.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
      int reason = file == nullptr ? errno : EISDIR;
      if (file != nullptr)
        std::fclose(file);
      if (error != nullptr)
        *error = "cannot read video file " + choice + ": " + std::strerror(reason);
      return false;
    }
    std::fclose(file);
    source.kind = CameraSourceKind::File;
    source.name = choice;
  } else {
    source.kind = CameraSourceKind::Named;
    source.name = choice;
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
