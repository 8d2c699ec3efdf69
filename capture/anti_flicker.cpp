#include "capture/anti_flicker.h"

#include <fcntl.h>
#include <gst/gst.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/log.h"

namespace {

std::atomic<AntiFlicker> g_choice{AntiFlicker::Auto};

// The control's name as v4l2src's extra-controls know it, and its menu values.
constexpr const char *kControlName = "power_line_frequency";
constexpr int kValue50Hz = V4L2_CID_POWER_LINE_FREQUENCY_50HZ;
constexpr int kValue60Hz = V4L2_CID_POWER_LINE_FREQUENCY_60HZ;
constexpr int kValueAuto = V4L2_CID_POWER_LINE_FREQUENCY_AUTO;

// Countries whose mains run at 60 Hz (ISO 3166 codes); the rest of the world runs at 50 Hz.
constexpr const char *k60HzCountries[] = {"US", "CA", "MX", "GT", "BZ", "SV", "HN", "NI", "CR", "PA", "CU",
                                          "DO", "HT", "PR", "BS", "BM", "KY", "TC", "VI", "VG", "AG", "KN",
                                          "MS", "AW", "CO", "VE", "EC", "PE", "BR", "SR", "GY", "GU", "AS",
                                          "MP", "FM", "MH", "PW", "JP", "KR", "TW", "PH", "SA", "LR"};

const char *ValueName(int value) {
  switch (value) {
  case kValue50Hz:
    return "50 Hz";
  case kValue60Hz:
    return "60 Hz";
  case kValueAuto:
    return "automatic";
  default:
    return "?";
  }
}

int ioctlRetrying(int fd, unsigned long request, void *argument) {
  int result;
  do
    result = ioctl(fd, request, argument);
  while (result < 0 && errno == EINTR);
  return result;
}

// Sets the control on the device file itself, for a source that cannot carry it.
bool SetOnDevice(const std::string &devicePath, int value) {
  const int fd = devicePath.empty() ? -1 : open(devicePath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0)
    return false;
  v4l2_control control{};
  control.id = V4L2_CID_POWER_LINE_FREQUENCY;
  control.value = value;
  const bool set = ioctlRetrying(fd, VIDIOC_S_CTRL, &control) == 0;
  close(fd);
  return set;
}

} // namespace

bool ParseAntiFlicker(const std::string &text, AntiFlicker *choice, std::string *error) {
  if (text == "auto")
    *choice = AntiFlicker::Auto;
  else if (text == "50")
    *choice = AntiFlicker::Hz50;
  else if (text == "60")
    *choice = AntiFlicker::Hz60;
  else if (text == "none")
    *choice = AntiFlicker::None;
  else {
    if (error != nullptr)
      *error = "takes auto, 50, 60 or none, not '" + text + "'";
    return false;
  }
  return true;
}

void SetAntiFlicker(AntiFlicker choice) { g_choice.store(choice); }

AntiFlicker CurrentAntiFlicker() { return g_choice.load(); }

int MainsFrequency(const char *lcAll, const char *lcMessages, const char *lang) {
  const char *locale = nullptr;
  for (const char *value : {lcAll, lcMessages, lang}) {
    if (value != nullptr && *value != '\0') {
      locale = value;
      break;
    }
  }
  // language[_TERRITORY][.codeset][@modifier]
  const char *underscore = locale != nullptr ? std::strchr(locale, '_') : nullptr;
  if (underscore == nullptr || !std::isupper(static_cast<unsigned char>(underscore[1])) ||
      !std::isupper(static_cast<unsigned char>(underscore[2])) ||
      std::isalpha(static_cast<unsigned char>(underscore[3])))
    return 50;
  for (const char *country : k60HzCountries) {
    if (underscore[1] == country[0] && underscore[2] == country[1])
      return 60;
  }
  return 50;
}

PowerLineControl QueryPowerLineControl(const std::string &devicePath) {
  PowerLineControl found;
  const int fd = devicePath.empty() ? -1 : open(devicePath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0)
    return found;
  v4l2_queryctrl query{};
  query.id = V4L2_CID_POWER_LINE_FREQUENCY;
  if (ioctlRetrying(fd, VIDIOC_QUERYCTRL, &query) == 0 && !(query.flags & V4L2_CTRL_FLAG_DISABLED)) {
    found.present = true;
    // A menu may skip values: automatic is offered only when its entry can be asked for.
    v4l2_querymenu entry{};
    entry.id = V4L2_CID_POWER_LINE_FREQUENCY;
    entry.index = kValueAuto;
    found.offersAuto = query.maximum >= kValueAuto && ioctlRetrying(fd, VIDIOC_QUERYMENU, &entry) == 0;
  }
  close(fd);
  return found;
}

int PowerLineValue(AntiFlicker choice, const PowerLineControl &control, int mainsHz) {
  if (!control.present)
    return -1;
  switch (choice) {
  case AntiFlicker::Auto:
    if (control.offersAuto)
      return kValueAuto;
    return mainsHz == 60 ? kValue60Hz : kValue50Hz;
  case AntiFlicker::Hz50:
    return kValue50Hz;
  case AntiFlicker::Hz60:
    return kValue60Hz;
  case AntiFlicker::None:
    break;
  }
  return -1;
}

bool SetPowerLineFrequency(GstElement *source, int value) {
  if (source == nullptr ||
      g_object_class_find_property(G_OBJECT_GET_CLASS(source), "extra-controls") == nullptr)
    return false;
  GstStructure *controls = nullptr;
  g_object_get(source, "extra-controls", &controls, nullptr);
  if (controls == nullptr)
    controls = gst_structure_new_empty("c");
  gst_structure_set(controls, kControlName, G_TYPE_INT, value, nullptr);
  g_object_set(source, "extra-controls", controls, nullptr);
  gst_structure_free(controls);
  return true;
}

void ApplyAntiFlicker(GstElement *source, const std::string &devicePath) {
  const AntiFlicker choice = CurrentAntiFlicker();
  if (choice == AntiFlicker::None) {
    LogInfo("camera: anti-flicker left as the camera has it (--anti-flicker none)");
    return;
  }
  const PowerLineControl control = QueryPowerLineControl(devicePath);
  if (!control.present) {
    LogInfo("camera: %s has no anti-flicker control to set",
            devicePath.empty() ? "the camera" : devicePath.c_str());
    return;
  }
  const int mains = MainsFrequency(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
  const int value = PowerLineValue(choice, control, mains);
  const char *why = choice != AntiFlicker::Auto ? "as asked"
                    : value == kValueAuto       ? "the camera's own"
                    : mains == 60               ? "the locale's country runs at 60 Hz"
                                                : "50 Hz unless the locale names a 60 Hz country";
  if (SetPowerLineFrequency(source, value) || SetOnDevice(devicePath, value))
    LogInfo("camera: anti-flicker set to %s (%s)", ValueName(value), why);
  else
    LogWarning("camera: the anti-flicker control of %s could not be set", devicePath.c_str());
}
