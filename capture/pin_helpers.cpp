#include "capture/pin_helpers.h"

HRESULT GetPin(GstElement *element, GstPadDirection direction, int n, GstPad **pin) {
  if (pin == nullptr)
    return E_POINTER;
  *pin = nullptr;
  if (element == nullptr)
    return E_POINTER;
  GstIterator *pads = gst_element_iterate_pads(element);
  if (pads == nullptr)
    return E_FAIL;
  GValue item = G_VALUE_INIT;
  int remaining = n;
  bool done = false;
  while (!done) {
    switch (gst_iterator_next(pads, &item)) {
    case GST_ITERATOR_OK: {
      GstPad *pad = GST_PAD(g_value_get_object(&item));
      if (gst_pad_get_direction(pad) == direction && remaining-- == 0) {
        *pin = GST_PAD(gst_object_ref(pad));
        done = true;
      }
      g_value_reset(&item);
      break;
    }
    case GST_ITERATOR_RESYNC:
      gst_iterator_resync(pads);
      remaining = n;
      break;
    default:
      done = true;
      break;
    }
  }
  g_value_unset(&item);
  gst_iterator_free(pads);
  return *pin != nullptr ? S_OK : E_FAIL;
}

namespace {

GstPad *PadWithoutReference(GstElement *element, GstPadDirection direction, int n) {
  GstPad *pad = nullptr;
  if (FAILED(GetPin(element, direction, n, &pad)))
    return nullptr;
  gst_object_unref(pad);
  return pad;
}

} // namespace

GstPad *GetInPin(GstElement *element, int n) { return PadWithoutReference(element, GST_PAD_SINK, n); }

GstPad *GetOutPin(GstElement *element, int n) { return PadWithoutReference(element, GST_PAD_SRC, n); }
