#include "capture/grabber_sink.h"

#include <gst/video/gstvideosink.h>
#include <gst/video/video.h>

#include <atomic>

#include "capture/sample_grabber.h"

namespace {

// GStreamer hands the stream to its threads through glib's own locks, which ThreadSanitizer
// cannot see: a thread taken again from GStreamer's pool then seems to race with the build
// that set the sink, its grabber and the tracker up. The build publishes its work here before
// the stream starts, and each streaming call takes it first (one atomic load a frame).
std::atomic<unsigned> g_setupPublished{0};

void TakeSinkSetup() { static_cast<void>(g_setupPublished.load(std::memory_order_acquire)); }

struct GrabberSink {
  GstVideoSink parent;
  CSampleGrabber *grabber;
  GstVideoInfo info;
  gboolean agreedOnce;
  gboolean liveSource;
};

struct GrabberSinkClass {
  GstVideoSinkClass parentClass;
};

GrabberSink *AsGrabber(gpointer object) { return reinterpret_cast<GrabberSink *>(object); }

bool ProposalFromCaps(GstCaps *caps, VideoType *type) {
  if (caps == nullptr || !gst_caps_is_fixed(caps))
    return false;
  GstVideoInfo info;
  if (!gst_video_info_from_caps(&info, caps))
    return false;
  type->format = gst_video_format_to_string(GST_VIDEO_INFO_FORMAT(&info));
  type->width = GST_VIDEO_INFO_WIDTH(&info);
  type->height = GST_VIDEO_INFO_HEIGHT(&info);
  return true;
}

// Proposals are answered from the pad template (RGB16 of any size); the tracker is configured
// here, from the caps event, which comes on the streaming thread between frames, never while
// a frame is in the tracker.
gboolean SetInfo(GstVideoSink *sink, GstCaps *caps, const GstVideoInfo *info) {
  TakeSinkSetup();
  GrabberSink *self = AsGrabber(sink);
  VideoType type;
  if (self->grabber == nullptr || !ProposalFromCaps(caps, &type) ||
      self->grabber->CheckMediaType(type) != S_OK)
    return FALSE;
  self->info = *info;
  if (!self->agreedOnce) {
    self->agreedOnce = TRUE;
    gst_element_post_message(
        GST_ELEMENT(sink),
        gst_message_new_application(GST_OBJECT(sink), gst_structure_new_empty(kFormatAgreedMessage)));
  }
  return TRUE;
}

// A live source stamps each frame with the running time of its capture.
std::int64_t FrameAge(GrabberSink *self, GstBuffer *buffer) {
  if (!self->liveSource || !GST_BUFFER_PTS_IS_VALID(buffer))
    return -1;
  const GstClockTime captured =
      gst_segment_to_running_time(&GST_BASE_SINK(self)->segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
  const GstClockTime now = gst_element_get_current_running_time(GST_ELEMENT(self));
  if (!GST_CLOCK_TIME_IS_VALID(captured) || !GST_CLOCK_TIME_IS_VALID(now) || now < captured)
    return -1;
  return static_cast<std::int64_t>((now - captured) / GST_USECOND);
}

GstFlowReturn ShowFrame(GstVideoSink *sink, GstBuffer *buffer) {
  TakeSinkSetup();
  GrabberSink *self = AsGrabber(sink);
  GstVideoFrame frame;
  if (self->grabber == nullptr || !gst_video_frame_map(&frame, &self->info, buffer, GST_MAP_READ))
    return GST_FLOW_OK;
  MediaSample sample;
  sample.topRow = static_cast<const std::uint8_t *>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
  sample.stride = static_cast<std::size_t>(GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0));
  sample.width = GST_VIDEO_FRAME_WIDTH(&frame);
  sample.height = GST_VIDEO_FRAME_HEIGHT(&frame);
  sample.ageUs = FrameAge(self, buffer);
  self->grabber->DoRenderSample(sample);
  gst_video_frame_unmap(&frame);
  return GST_FLOW_OK;
}

// The preroll buffer is rendered again on PLAYING; showing it here too would hand the tracker
// the same frame twice. ("show-preroll-frame" is a construct property, so setting it while the
// instance initialises does not last.)
GstFlowReturn Preroll(GstBaseSink *, GstBuffer *) { return GST_FLOW_OK; }

// A state change or flush calls these, so the rest after a frame ends at once.
gboolean Unlock(GstBaseSink *base) {
  GrabberSink *self = AsGrabber(base);
  if (self->grabber != nullptr)
    self->grabber->Unlock();
  return TRUE;
}

gboolean UnlockStop(GstBaseSink *base) {
  GrabberSink *self = AsGrabber(base);
  if (self->grabber != nullptr)
    self->grabber->UnlockStop();
  return TRUE;
}

void ClassInit(gpointer klass, gpointer) {
  GstElementClass *element = GST_ELEMENT_CLASS(klass);
  GstBaseSinkClass *base = GST_BASE_SINK_CLASS(klass);
  GstVideoSinkClass *video = GST_VIDEO_SINK_CLASS(klass);

  GstCaps *caps = gst_caps_from_string("video/x-raw, format=(string)RGB16, width=(int)[1, 32767], "
                                       "height=(int)[1, 32767], framerate=(fraction)[0/1, 2147483647/1]");
  gst_element_class_add_pad_template(element,
                                     gst_pad_template_new("sink", GST_PAD_SINK, GST_PAD_ALWAYS, caps));
  gst_caps_unref(caps);
  gst_element_class_set_static_metadata(element, "Vexmoor sample grabber", "Sink/Video",
                                        "Hands RGB565 frames to the camera tracker", "Vexmoor");
  base->preroll = Preroll;
  base->unlock = Unlock;
  base->unlock_stop = UnlockStop;
  video->set_info = SetInfo;
  video->show_frame = ShowFrame;
}

void InstanceInit(GTypeInstance *instance, gpointer) {
  GrabberSink *self = AsGrabber(instance);
  self->grabber = nullptr;
  gst_video_info_init(&self->info);
  self->agreedOnce = FALSE;
  self->liveSource = FALSE;
}

GType GrabberSinkType() {
  static GType type = 0;
  if (g_once_init_enter(&type)) {
    GType registered = g_type_register_static_simple(GST_TYPE_VIDEO_SINK, "VexmoorGrabberSink",
                                                     sizeof(GrabberSinkClass), ClassInit, sizeof(GrabberSink),
                                                     InstanceInit, static_cast<GTypeFlags>(0));
    g_once_init_leave(&type, registered);
  }
  return type;
}

} // namespace

void PublishSinkSetup() { g_setupPublished.fetch_add(1, std::memory_order_release); }

bool RegisterGrabberSink() {
  return gst_element_register(nullptr, "vexmoorgrabber", GST_RANK_NONE, GrabberSinkType());
}

GstElement *CreateGrabberSink(CSampleGrabber *grabber, bool liveSource) {
  GstElement *sink = gst_element_factory_make("vexmoorgrabber", "SampleGrabber");
  if (sink != nullptr) {
    AsGrabber(sink)->grabber = grabber;
    AsGrabber(sink)->liveSource = liveSource;
    // Frames are taken as they come; the grabber's rest after each frame sets the pace.
    g_object_set(sink, "sync", FALSE, "qos", FALSE, nullptr);
  }
  return sink;
}
