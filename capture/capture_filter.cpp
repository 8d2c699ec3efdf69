#include "capture/capture_filter.h"

#include <gst/base/gstbasesrc.h>

#include "base/utf16.h"
#include "capture/anti_flicker.h"

#include "capture/gst_setup.h"
#include "capture/pin_helpers.h"
#include "capture/property_bag.h"
#include "capture/test_picture.h"

std::vector<GstDevice *> CameraDevices() {
  std::vector<GstDevice *> devices;
  if (!EnsureGstreamer())
    return devices;
  GstDeviceMonitor *monitor = gst_device_monitor_new();
  gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
  GList *found = gst_device_monitor_get_devices(monitor);
  for (GList *item = found; item != nullptr; item = item->next)
    devices.push_back(GST_DEVICE(item->data));
  g_list_free(found);
  gst_object_unref(monitor);
  return devices;
}

bool IsLiveSource(GstElement *source) {
  if (source == nullptr)
    return false;
  if (GST_IS_BASE_SRC(source))
    return gst_base_src_is_live(GST_BASE_SRC(source));
  if (!GST_IS_BIN(source))
    return false;
  bool live = false;
  GstIterator *elements = gst_bin_iterate_recurse(GST_BIN(source));
  GValue item = G_VALUE_INIT;
  while (!live && gst_iterator_next(elements, &item) == GST_ITERATOR_OK) {
    GstElement *element = GST_ELEMENT(g_value_get_object(&item));
    live = GST_IS_BASE_SRC(element) && gst_base_src_is_live(GST_BASE_SRC(element));
    g_value_reset(&item);
  }
  g_value_unset(&item);
  gst_iterator_free(elements);
  return live;
}

CaptureFilter::CaptureFilter(const CameraSource &source) : m_source(source) {}

CaptureFilter::~CaptureFilter() {
  if (m_element != nullptr) {
    gst_element_set_state(m_element, GST_STATE_NULL);
    gst_object_unref(m_element);
  }
}

bool CaptureFilter::FindName(std::u16string *name) const {
  switch (m_source.kind) {
  case CameraSourceKind::Auto: {
    std::vector<GstDevice *> devices = CameraDevices();
    if (devices.empty())
      return false;
    gchar *first = gst_device_get_display_name(devices.front());
    *name = Utf8ToUtf16(first != nullptr ? first : "");
    g_free(first);
    for (GstDevice *device : devices)
      gst_object_unref(device);
    return !name->empty();
  }
  case CameraSourceKind::Test:
    *name = u"test";
    return true;
  case CameraSourceKind::None:
    return false;
  default:
    *name = Utf8ToUtf16(m_source.name);
    return !name->empty();
  }
}

HRESULT CaptureFilter::Load(CPropertyBag *bag) {
  if (bag == nullptr)
    return E_POINTER;
  VARIANT value;
  if (FAILED(bag->Read(u"VCapName", &value, nullptr)) || value.vt != VT_BSTR)
    return E_FAIL;
  const std::string name = Utf16ToUtf8(value.bstrVal);

  GstElement *element = nullptr;
  switch (m_source.kind) {
  case CameraSourceKind::Auto:
  case CameraSourceKind::Named:
    element = OpenCamera(name);
    if (element != nullptr)
      ApplyAntiFlicker(element, m_devicePath);
    break;
  case CameraSourceKind::Test:
    element =
        CreateTestPicture(m_source.testWidth, m_source.testHeight, m_source.testStepX, m_source.testStepY);
    break;
  case CameraSourceKind::File:
    element = OpenFile(name);
    break;
  case CameraSourceKind::Pipeline: {
    GError *error = nullptr;
    element = gst_parse_bin_from_description(name.c_str(), TRUE, &error);
    g_clear_error(&error);
    break;
  }
  case CameraSourceKind::None:
    break;
  }
  if (element == nullptr)
    return E_FAIL;
  gst_object_ref_sink(element);
  // Opening the device happens on the way to READY; a camera that is gone fails here.
  if (GetOutPin(element, 0) == nullptr ||
      gst_element_set_state(element, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE) {
    gst_element_set_state(element, GST_STATE_NULL);
    gst_object_unref(element);
    return E_FAIL;
  }
  m_element = element;
  return S_OK;
}

GstElement *CaptureFilter::TakeElement() {
  GstElement *element = m_element;
  m_element = nullptr;
  return element;
}

namespace {

// The camera's device file (/dev/video0), as v4l2's and PipeWire's providers name it.
std::string DevicePath(GstDevice *device) {
  GstStructure *properties = gst_device_get_properties(device);
  std::string path;
  for (const char *key : {"device.path", "api.v4l2.path"}) {
    const gchar *value = properties != nullptr ? gst_structure_get_string(properties, key) : nullptr;
    if (path.empty() && value != nullptr)
      path = value;
  }
  if (properties != nullptr)
    gst_structure_free(properties);
  return path;
}

} // namespace

GstElement *CaptureFilter::OpenCamera(const std::string &name) {
  GstElement *element = nullptr;
  for (GstDevice *device : CameraDevices()) {
    gchar *deviceName = gst_device_get_display_name(device);
    const std::string path = DevicePath(device);
    if (element == nullptr &&
        ((deviceName != nullptr && name == deviceName) || (!path.empty() && path == name))) {
      element = gst_device_create_element(device, nullptr);
      m_devicePath = path;
    }
    g_free(deviceName);
    gst_object_unref(device);
  }
  return element;
}

namespace {

void LinkDecodedVideo(GstElement *, GstPad *pad, gpointer data) {
  GstPad *target = GST_PAD(data);
  if (gst_pad_is_linked(target))
    return;
  GstCaps *caps = gst_pad_get_current_caps(pad);
  if (caps == nullptr)
    caps = gst_pad_query_caps(pad, nullptr);
  const bool video = caps != nullptr && gst_caps_get_size(caps) > 0 &&
                     g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps, 0)), "video/");
  if (caps != nullptr)
    gst_caps_unref(caps);
  if (video)
    gst_pad_link(pad, target);
}

} // namespace

// A recorded video is decoded and scaled, so it offers the standard sizes a camera would.
GstElement *CaptureFilter::OpenFile(const std::string &path) {
  GstElement *bin = gst_bin_new(nullptr);
  GstElement *file = gst_element_factory_make("filesrc", nullptr);
  GstElement *decode = gst_element_factory_make("decodebin", nullptr);
  GstElement *convert = gst_element_factory_make("videoconvert", nullptr);
  GstElement *scale = gst_element_factory_make("videoscale", nullptr);
  if (file == nullptr || decode == nullptr || convert == nullptr || scale == nullptr) {
    for (GstElement *element : {file, decode, convert, scale}) {
      if (element != nullptr)
        gst_object_unref(gst_object_ref_sink(element));
    }
    gst_object_unref(gst_object_ref_sink(bin));
    return nullptr;
  }
  g_object_set(file, "location", path.c_str(), nullptr);
  gst_bin_add_many(GST_BIN(bin), file, decode, convert, scale, nullptr);
  GstPad *scaled = GetOutPin(scale, 0);
  if (!gst_element_link(file, decode) || !gst_element_link(convert, scale) || scaled == nullptr ||
      !gst_element_add_pad(bin, gst_ghost_pad_new("src", scaled))) {
    gst_object_unref(gst_object_ref_sink(bin));
    return nullptr;
  }
  // The pad lives as long as the bin, which outlives every pad-added call.
  g_signal_connect(decode, "pad-added", G_CALLBACK(LinkDecodedVideo), GetInPin(convert, 0));
  return bin;
}
