#include "capture/capabilities.h"

#include <gst/gst.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <mutex>

#include "capture/gst_setup.h"
#include "motion/camera_tracker.h"

namespace {

bool ValueHolds(const GValue *value, int n) {
  if (value == nullptr)
    return false;
  if (G_VALUE_HOLDS_INT(value))
    return g_value_get_int(value) == n;
  if (GST_VALUE_HOLDS_INT_RANGE(value)) {
    int step = gst_value_get_int_range_step(value);
    int low = gst_value_get_int_range_min(value);
    return n >= low && n <= gst_value_get_int_range_max(value) && (step <= 1 || (n - low) % step == 0);
  }
  if (GST_VALUE_HOLDS_LIST(value)) {
    for (guint i = 0; i < gst_value_list_get_size(value); ++i) {
      if (ValueHolds(gst_value_list_get_value(value, i), n))
        return true;
    }
  }
  return false;
}

int LargerSide(const Capability &c) { return std::max(std::abs(c.width), std::abs(c.height)); }
std::int64_t Area(const Capability &c) { return std::int64_t(std::abs(c.width)) * std::abs(c.height); }

// Nearest: index of the size chosen, or -1 for an empty list.
int NearestSize(const std::vector<Capability> &capabilities, int width, int height) {
  const int count = static_cast<int>(capabilities.size());
  for (int i = 0; i < count; ++i) {
    const Capability &c = capabilities[static_cast<size_t>(i)];
    if (std::abs(c.width) == width && std::abs(c.height) == height)
      return i;
  }
  const int wanted = std::max(width, height);
  int smallestLarger = -1, largest = -1;
  for (int i = 0; i < count; ++i) {
    const Capability &c = capabilities[static_cast<size_t>(i)];
    if (LargerSide(c) >= wanted &&
        (smallestLarger < 0 || Area(c) < Area(capabilities[static_cast<size_t>(smallestLarger)])))
      smallestLarger = i;
    if (largest < 0 || Area(c) > Area(capabilities[static_cast<size_t>(largest)]))
      largest = i;
  }
  return smallestLarger >= 0 ? smallestLarger : largest;
}

std::mutex g_sizeLock;
CaptureSizeChoice g_size;

} // namespace

const std::vector<Capability> &StandardCaptureSizes() {
  static const std::vector<Capability> sizes = {
      {"", 160, 120}, {"", 176, 144}, {"", 320, 240},  {"", 352, 288},
      {"", 640, 480}, {"", 800, 600}, {"", 1280, 720}, {"", 1920, 1080},
  };
  return sizes;
}

std::vector<Capability> CapabilitiesFromCaps(const _GstCaps *caps) {
  std::vector<Capability> result;
  if (caps == nullptr)
    return result;
  for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
    const GstStructure *s = gst_caps_get_structure(caps, i);
    std::string media = gst_structure_get_name(s);
    if (media != "video/x-raw" && media != "image/jpeg")
      continue;
    int width = 0, height = 0;
    if (gst_structure_get_int(s, "width", &width) && gst_structure_get_int(s, "height", &height)) {
      result.push_back({media, width, height});
      continue;
    }
    const GValue *widths = gst_structure_get_value(s, "width");
    const GValue *heights = gst_structure_get_value(s, "height");
    for (const Capability &size : StandardCaptureSizes()) {
      if (ValueHolds(widths, size.width) && ValueHolds(heights, size.height))
        result.push_back({media, size.width, size.height});
    }
  }
  return result;
}

std::vector<Capability> CapabilitiesFromCaps(const std::string &capsText) {
  if (!EnsureGstreamer())
    return {};
  GstCaps *caps = gst_caps_from_string(capsText.c_str());
  std::vector<Capability> result = CapabilitiesFromCaps(caps);
  if (caps != nullptr)
    gst_caps_unref(caps);
  return result;
}

void SmallestFirst(std::vector<Capability> &capabilities) {
  std::stable_sort(capabilities.begin(), capabilities.end(),
                   [](const Capability &a, const Capability &b) { return Area(a) < Area(b); });
}

int ChooseCaptureSize(const std::vector<Capability> &capabilities, CameraTracker &tracker) {
  const int count = static_cast<int>(capabilities.size());
  for (int i = 0; i < count; ++i) {
    const Capability &c = capabilities[static_cast<size_t>(i)];
    if (LargerSide(c) >= 100 || i == count - 1) {
      tracker.blockSize = CameraTracker::ChooseBlockSize(LargerSide(c), tracker.gridTarget);
      return i;
    }
  }
  return -1;
}

int ChooseCaptureSize(const std::vector<Capability> &capabilities, const CaptureSizeChoice &choice,
                      CameraTracker &tracker) {
  if (choice.rule == CaptureSizeChoice::Rule::FirstOf100)
    return ChooseCaptureSize(capabilities, tracker);
  const int chosen = NearestSize(capabilities, choice.width, choice.height);
  if (chosen >= 0)
    tracker.blockSize = CameraTracker::ChooseBlockSize(LargerSide(capabilities[static_cast<size_t>(chosen)]),
                                                       tracker.gridTarget);
  return chosen;
}

bool ParseCaptureSize(const std::string &text, CaptureSizeChoice *choice, std::string *error) {
  CaptureSizeChoice parsed;
  parsed.given = true;
  if (text == "small") {
    parsed.rule = CaptureSizeChoice::Rule::FirstOf100;
    *choice = parsed;
    return true;
  }
  const std::size_t x = text.find('x');
  auto side = [&](const std::string &digits, int *out) {
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos)
      return false;
    errno = 0;
    const long value = std::strtol(digits.c_str(), nullptr, 10);
    *out = static_cast<int>(value);
    return errno == 0 && value >= 1 && value <= 16384;
  };
  if (x == std::string::npos || !side(text.substr(0, x), &parsed.width) ||
      !side(text.substr(x + 1), &parsed.height)) {
    if (error != nullptr)
      *error = "takes WxH (such as 320x240, each side 1 to 16384) or small, not '" + text + "'";
    return false;
  }
  *choice = parsed;
  return true;
}

void SetCaptureSize(const CaptureSizeChoice &choice) {
  std::lock_guard<std::mutex> hold(g_sizeLock);
  g_size = choice;
}

CaptureSizeChoice CurrentCaptureSize() {
  std::lock_guard<std::mutex> hold(g_sizeLock);
  return g_size;
}
