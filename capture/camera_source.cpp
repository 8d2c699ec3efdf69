#include "capture/camera_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

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

// The major number of video4linux devices (/dev/video0 and the like).
constexpr unsigned kVideoDeviceMajor = 81;

// What choice names on disk: a video file (answers true), a camera's device (*isCamera), or
// something else (false, with the reason). Opened without blocking, so a FIFO with no writer
// cannot hang start-up.
bool ClassifyPath(const std::string &choice, bool *isCamera, std::string *why) {
  *isCamera = false;
  const int fd = open(choice.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  struct stat info {};
  if (fd < 0 && stat(choice.c_str(), &info) == 0 && S_ISCHR(info.st_mode) &&
      major(info.st_rdev) == kVideoDeviceMajor) {
    *isCamera = true; // a busy camera may refuse a second open; the capture build says so then
    return true;
  }
  if (fd < 0) {
    *why = std::strerror(errno);
    return false;
  }
  const bool known = fstat(fd, &info) == 0;
  close(fd);
  if (known && S_ISREG(info.st_mode))
    return true;
  if (known && S_ISCHR(info.st_mode) && major(info.st_rdev) == kVideoDeviceMajor) {
    *isCamera = true;
    return true;
  }
  const char *kind = !known                   ? "it cannot be examined"
                     : S_ISDIR(info.st_mode)  ? "it is a folder"
                     : S_ISFIFO(info.st_mode) ? "it is a FIFO"
                     : S_ISSOCK(info.st_mode) ? "it is a socket"
                     : S_ISCHR(info.st_mode)  ? "it is a device that is not a camera"
                     : S_ISBLK(info.st_mode)  ? "it is a block device"
                                              : "it is not a regular file";
  *why = std::string(kind) + ", not a video file";
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
    bool isCamera = false;
    std::string why;
    if (!ClassifyPath(choice, &isCamera, &why)) {
      if (error != nullptr)
        *error = "cannot read video file " + choice + ": " + why;
      return false;
    }
    // A camera's device file chooses that camera, as its name would.
    source.kind = isCamera ? CameraSourceKind::Named : CameraSourceKind::File;
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
