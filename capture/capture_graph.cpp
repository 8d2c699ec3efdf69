#include "capture/capture_graph.h"

#include <gst/gst.h>

#include <chrono>
#include <cstdlib>
#include <memory>

#include "base/log.h"
#include "base/utf16.h"
#include "capture/capabilities.h"
#include "capture/capture_filter.h"
#include "capture/grabber_sink.h"
#include "capture/gst_setup.h"
#include "capture/pin_helpers.h"
#include "capture/property_bag.h"
#include "capture/sample_grabber.h"
#include "motion/camera_tracker.h"

namespace {

constexpr const char *kStopWatching = "vexmoor-stop-watching";
// How long the build waits for the first agreed format before it lets a slow camera be.
constexpr GstClockTime kStartTimeout = 5 * GST_SECOND;

void Unref(_GstElement *element) {
  if (element != nullptr)
    gst_object_unref(element);
}

bool IsApplication(GstMessage *message, const char *name) {
  const GstStructure *s = gst_message_get_structure(message);
  return GST_MESSAGE_TYPE(message) == GST_MESSAGE_APPLICATION && s != nullptr &&
         gst_structure_has_name(s, name);
}

// Adds element to the pipeline; the graph keeps its own reference too.
GstElement *Adopt(GstElement *pipeline, GstElement *element) {
  if (element == nullptr)
    return nullptr;
  gst_object_ref_sink(element);
  if (!gst_bin_add(GST_BIN(pipeline), element)) {
    gst_object_unref(element);
    return nullptr;
  }
  return element;
}

GstCaps *CapsForCapability(const Capability &c) {
  return gst_caps_new_simple(c.media.c_str(), "width", G_TYPE_INT, c.width, "height", G_TYPE_INT, c.height,
                             nullptr);
}

// GStreamer's errors and warnings, one line each; their debug details only with --verbose.
void LogBusMessage(GstMessage *message) {
  const bool error = GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR;
  if (!error && GST_MESSAGE_TYPE(message) != GST_MESSAGE_WARNING)
    return;
  GError *problem = nullptr;
  gchar *details = nullptr;
  if (error)
    gst_message_parse_error(message, &problem, &details);
  else
    gst_message_parse_warning(message, &problem, &details);
  const char *from = GST_MESSAGE_SRC_NAME(message) != nullptr ? GST_MESSAGE_SRC_NAME(message) : "?";
  const char *text = problem != nullptr ? problem->message : "?";
  Log(error ? LogLevel::Error : LogLevel::Warning, "camera: GStreamer %s from %s: %s",
      error ? "error" : "warning", from, text);
  if (details != nullptr)
    LogDebug("camera: %s", details);
  g_clear_error(&problem);
  g_free(details);
}

// A build step that failed, said once; the build then gives up and the pad steers.
int Failed(const char *step) {
  LogWarning("camera: %s; steering falls back to the pad", step);
  return 0;
}

// Waits for the sink's first agreed format: an error first (camera busy, no RGB565 possible,
// unreadable video) fails the build; a camera that stays silent is left running.
bool AwaitFirstFormat(GstBus *bus) {
  const auto flags = static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_WARNING | GST_MESSAGE_EOS |
                                                 GST_MESSAGE_APPLICATION);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::nanoseconds(kStartTimeout);
  for (;;) {
    const auto left = deadline - std::chrono::steady_clock::now();
    GstMessage *message =
        left <= std::chrono::nanoseconds::zero()
            ? nullptr
            : gst_bus_timed_pop_filtered(
                  bus, std::chrono::duration_cast<std::chrono::nanoseconds>(left).count(), flags);
    if (message == nullptr) {
      LogDebug("camera: no format agreed within %d s; the camera is left to start",
               int(kStartTimeout / GST_SECOND));
      return true;
    }
    LogBusMessage(message);
    const bool agreed = IsApplication(message, kFormatAgreedMessage);
    const bool ended = GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    const bool failed = GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR || ended;
    gst_message_unref(message);
    if (ended)
      LogWarning("camera: the video ended before its first frame");
    if (agreed)
      LogDebug("camera: format agreed, frames flowing");
    if (agreed)
      return true;
    if (failed)
      return false;
  }
}

} // namespace

CaptureGraph::~CaptureGraph() {
  if (m_watcher.joinable()) {
    gst_bus_post(m_bus, gst_message_new_application(nullptr, gst_structure_new_empty(kStopWatching)));
    m_watcher.join();
  }
  // Going to NULL unlocks the sink, so a frame's rest ends at once; after this no frame is
  // delivered and the tracker's buffers may go.
  if (filterGraph != nullptr)
    gst_element_set_state(filterGraph, GST_STATE_NULL);
  for (_GstElement *element :
       {captureFilter, capsFilter, newestFrame, decoder, colourConverter, sinkElement, filterGraph})
    Unref(element);
  if (m_bus != nullptr)
    gst_object_unref(m_bus);
  delete sampleGrabber;
}

void CaptureGraph::StartWatching(bool loop) {
  m_bus = gst_pipeline_get_bus(GST_PIPELINE(filterGraph));
  m_watcher = std::thread([this, loop] { Watch(loop); });
}

void CaptureGraph::Watch(bool loop) {
  const auto flags = static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_WARNING | GST_MESSAGE_EOS |
                                                 GST_MESSAGE_APPLICATION);
  for (;;) {
    GstMessage *message = gst_bus_timed_pop_filtered(m_bus, GST_CLOCK_TIME_NONE, flags);
    if (message == nullptr)
      continue;
    LogBusMessage(message);
    const bool stop = IsApplication(message, kStopWatching);
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR)
      streamFailed = true;
    else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS && loop)
      gst_element_seek_simple(filterGraph, GST_FORMAT_TIME,
                              static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT), 0);
    gst_message_unref(message);
    if (stop)
      return;
  }
}

void ReleaseCaptureGraph(CaptureGraph *graph) { delete graph; }

void ChangeTrackingMode(CameraTracker &tracker, int mode) {
  if (tracker.graphBuilt && tracker.graph != nullptr && tracker.graph->sampleGrabber != nullptr) {
    tracker.graph->sampleGrabber->RequestTrackingMode(mode);
    return;
  }
  tracker.SetMode(mode, false, tracker.gridTarget);
  if (tracker.format.biWidth > 0)
    tracker.ConfigureFormat();
}

int CameraTracker::BuildCaptureGraph(MotionCallback callback) {
  CameraSource source = CurrentCameraSource();
  const CaptureSizeChoice size = CurrentCaptureSize();
  // A size asked for is also the test picture's.
  if (source.kind == CameraSourceKind::Test && size.given && size.rule == CaptureSizeChoice::Rule::Nearest) {
    source.testWidth = size.width;
    source.testHeight = size.height;
  }
  if (source.kind == CameraSourceKind::None) {
    LogDebug("camera: none chosen");
    return 0;
  }
  if (!EnsureGstreamer())
    return Failed("GStreamer cannot start");

  // Whatever was made is freed again when a step fails.
  auto built = std::make_unique<CaptureGraph>();
  CaptureGraph &g = *built;
  g.filterGraph = gst_pipeline_new("capture");
  if (g.filterGraph == nullptr)
    return Failed("no pipeline could be made");
  gst_object_ref_sink(g.filterGraph);

  CaptureFilter filter(source);
  std::unique_ptr<CPropertyBag, void (*)(CPropertyBag *)> bag(new CPropertyBag,
                                                              [](CPropertyBag *b) { b->Release(); });
  VARIANT name;
  VariantInit(&name);
  if (!filter.FindName(&name.bstrVal))
    return Failed("no camera found");
  name.vt = VT_BSTR;
  bag->Write(u"VCapName", &name);
  const std::string sourceName = Utf16ToUtf8(name.bstrVal);
  LogDebug("camera: opening %s", sourceName.c_str());
  if (FAILED(filter.Load(bag.get())))
    return Failed(("cannot open " + sourceName).c_str());
  g.captureFilter = Adopt(g.filterGraph, filter.TakeElement());
  if (g.captureFilter == nullptr)
    return Failed("the source cannot join the pipeline");
  const bool live = IsLiveSource(g.captureFilter);

  // The source's sizes, a camera's smallest first; the choice also sets blockSize.
  GstCaps *offered = gst_pad_query_caps(GetOutPin(g.captureFilter, 0), nullptr);
  if (offered == nullptr)
    return Failed("the source offers no format");
  std::vector<Capability> capabilities = CapabilitiesFromCaps(offered);
  gst_caps_unref(offered);
  // The test picture's source tells its format only once it plays; its size is known here.
  if (source.kind == CameraSourceKind::Test && capabilities.empty())
    capabilities.push_back({"video/x-raw", source.testWidth, source.testHeight});
  if (source.kind == CameraSourceKind::Auto || source.kind == CameraSourceKind::Named)
    SmallestFirst(capabilities);
  const int chosen = ChooseCaptureSize(capabilities, size, *this);
  if (chosen >= 0) {
    const Capability &c = capabilities[static_cast<size_t>(chosen)];
    LogDebug("camera: %zu formats offered; %s %d x %d chosen", capabilities.size(), c.media.c_str(), c.width,
             c.height);
    if (size.given && size.rule == CaptureSizeChoice::Rule::Nearest &&
        (std::abs(c.width) != size.width || std::abs(c.height) != size.height))
      LogWarning("camera: %s offers no %d x %d; %d x %d is taken", sourceName.c_str(), size.width,
                 size.height, c.width, c.height);
  } else {
    LogDebug("camera: %zu formats offered; any format taken", capabilities.size());
  }
  GstCaps *wanted =
      chosen >= 0 ? CapsForCapability(capabilities[static_cast<size_t>(chosen)]) : gst_caps_new_any();
  g.capsFilter = Adopt(g.filterGraph, gst_element_factory_make("capsfilter", nullptr));
  if (g.capsFilter != nullptr)
    g_object_set(g.capsFilter, "caps", wanted, nullptr);
  gst_caps_unref(wanted);
  if (g.capsFilter == nullptr)
    return Failed("GStreamer's capsfilter is missing");

  // A camera fills its driver's queue faster than the sink, resting after each frame, takes
  // frames: read in turn, each would be two or three frames old. A one-frame queue that drops
  // the older frame keeps the camera read as fast as it delivers and hands the sink the newest.
  // The test picture and video files make a frame when asked, so theirs is always the newest.
  if (live) {
    g.newestFrame = Adopt(g.filterGraph, gst_element_factory_make("queue", "NewestFrame"));
    if (g.newestFrame == nullptr)
      return Failed("GStreamer's queue is missing");
    g_object_set(g.newestFrame, "max-size-buffers", 1u, "max-size-bytes", 0u, "max-size-time", guint64{0},
                 "leaky", 2 /* downstream: the older frame goes */, nullptr);
  }
  if (chosen >= 0 && capabilities[static_cast<size_t>(chosen)].media == "image/jpeg") {
    g.decoder = Adopt(g.filterGraph, gst_element_factory_make("jpegdec", nullptr));
    if (g.decoder == nullptr)
      return Failed("GStreamer's jpegdec is missing");
  }
  g.colourConverter = Adopt(g.filterGraph, gst_element_factory_make("videoconvert", "DecoderYUV"));
  if (g.colourConverter == nullptr)
    return Failed("GStreamer's videoconvert is missing");

  g.sampleGrabber = new CSampleGrabber;
  g.sampleGrabber->m_pTracker = this;
  onMotion = callback;
  g.sinkElement = Adopt(g.filterGraph, CreateGrabberSink(g.sampleGrabber, live));
  if (g.sinkElement == nullptr)
    return Failed("the frame sink cannot be made");

  bool linked = true;
  GstElement *upstream = g.captureFilter;
  for (GstElement *next : {g.capsFilter, g.newestFrame, g.decoder, g.colourConverter}) {
    if (next == nullptr)
      continue;
    linked = linked && gst_element_link(upstream, next);
    upstream = next;
  }
  if (!linked)
    return Failed("the source cannot be linked to the converter");
  if (GST_PAD_LINK_FAILED(gst_pad_link(GetOutPin(g.colourConverter, 0), GetInPin(g.sinkElement, 0))))
    return Failed("the converter cannot be linked to the frame sink");

  GstBus *bus = gst_pipeline_get_bus(GST_PIPELINE(g.filterGraph));
  PublishSinkSetup();
  gst_element_set_state(g.filterGraph, GST_STATE_PLAYING);
  const bool started = AwaitFirstFormat(bus);
  gst_object_unref(bus);
  if (!started)
    return Failed(("no picture from " + sourceName).c_str());

  g.StartWatching(filter.Loops());
  graph = built.release();
  releaseGraph = ReleaseCaptureGraph;
  graphBuilt = true;
  LogDebug("camera: %s started", sourceName.c_str());
  return 1;
}
