#pragma once
// Finding an element's n-th source or sink pad, in the element's own pad order. Used by the
// capture graph build to link and query its elements.

#include <gst/gst.h>

#include "capture/com_types.h"

// The n-th pad (from 0) of the given direction, with a reference for the caller. E_POINTER for
// a null element, E_FAIL and a null pad when there is no such pad.
HRESULT GetPin(GstElement *element, GstPadDirection direction, int n, GstPad **pin);
// The same without the reference (the element keeps its pads), or null.
GstPad *GetInPin(GstElement *element, int n);
GstPad *GetOutPin(GstElement *element, int n);
