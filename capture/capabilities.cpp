#include "capture/capabilities.h"

#include <gst/gst.h>

#include <algorithm>
#include <cstdlib>

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
  auto area = [](const Capability &c) { return std::int64_t(std::abs(c.width)) * std::abs(c.height); };
  std::stable_sort(capabilities.begin(), capabilities.end(),
                   [&](const Capability &a, const Capability &b) { return area(a) < area(b); });
}

int ChooseCaptureSize(const std::vector<Capability> &capabilities, CameraTracker &tracker) {
  const int count = static_cast<int>(capabilities.size());
  for (int i = 0; i < count; ++i) {
    const Capability &c = capabilities[static_cast<size_t>(i)];
    const int largest = std::max(std::abs(c.width), std::abs(c.height));
    if (largest >= 100 || i == count - 1) {
      tracker.blockSize = CameraTracker::ChooseBlockSize(largest, tracker.gridTarget);
      return i;
    }
  }
  return -1;
}
