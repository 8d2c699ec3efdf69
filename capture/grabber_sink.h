#pragma once
// The GStreamer video sink that drives a CSampleGrabber: format proposals go to
// CheckMediaType, each frame to DoRenderSample on the streaming thread. Registered inside the
// program as "vexmoorgrabber"; used by the capture graph.

#include <gst/gst.h>

class CSampleGrabber;

// Name of the application message the sink posts on the bus once a format is agreed.
inline constexpr const char *kFormatAgreedMessage = "vexmoor-format-agreed";

// Registers the element type; called once after gst_init.
bool RegisterGrabberSink();
// Called by the build once the sink, its grabber and the tracker are set up, before the
// stream starts (see grabber_sink.cpp).
void PublishSinkSetup();
// A new floating sink that feeds grabber, which must outlive it. With a live source it tells
// each frame's age from the frame's time stamp.
GstElement *CreateGrabberSink(CSampleGrabber *grabber, bool liveSource);
