#pragma once
// The capture source of the graph: opens the picture source named by the "VCapName" property
// (a camera, the test picture, a recorded video) as one GStreamer element with one source pad.

#include <gst/gst.h>

#include <string>
#include <vector>

#include "capture/camera_source.h"
#include "capture/com_types.h"

class CPropertyBag;

// The cameras present, each with a reference for the caller, first camera first.
std::vector<GstDevice *> CameraDevices();

// Whether the source captures in real time (a camera), rather than making frames when asked
// (the test picture, a video file): it, or an element inside it, is a live source.
bool IsLiveSource(GstElement *source);

class CaptureFilter {
public:
  explicit CaptureFilter(const CameraSource &source);
  ~CaptureFilter();
  CaptureFilter(const CaptureFilter &) = delete;
  CaptureFilter &operator=(const CaptureFilter &) = delete;

  // The name to write as "VCapName": the first camera's for auto, else the source's own.
  // False when there is no camera.
  bool FindName(std::u16string *name) const;
  // Makes the element for the bag's "VCapName" and opens it; E_FAIL when it cannot be opened.
  HRESULT Load(CPropertyBag *bag);
  // Hands the element (with its reference) to the caller.
  GstElement *TakeElement();
  // A recorded video is played again from the start when it ends.
  bool Loops() const { return m_source.kind == CameraSourceKind::File; }

private:
  GstElement *OpenCamera(const std::string &name);
  GstElement *OpenFile(const std::string &path);

  CameraSource m_source;
  GstElement *m_element = nullptr;
  std::string m_devicePath; // a camera's device file, once found
};
