#pragma once
// The running capture pipeline: camera source -> capsfilter -> (newest-frame queue) ->
// (decoder) -> videoconvert -> the sample grabber's sink. Built by CameraTracker::BuildCaptureGraph, owned by
// the tracker, stopped and freed through ReleaseCaptureGraph.

#include <atomic>
#include <thread>

struct _GstElement;
struct _GstBus;
class CSampleGrabber;
class CameraTracker;

class CaptureGraph {
public:
  CaptureGraph() = default;
  // Stops the stream (no frame reaches the tracker afterwards) and frees the pipeline.
  ~CaptureGraph();
  CaptureGraph(const CaptureGraph &) = delete;
  CaptureGraph &operator=(const CaptureGraph &) = delete;

  // Watches the bus on its own thread until the graph goes: errors stop the frames (and are
  // noted), the end of a recorded video starts it again.
  void StartWatching(bool loop);
  // True once the stream reported an error, such as a camera unplugged or taken.
  bool Failed() const { return streamFailed.load(); }

  _GstElement *filterGraph = nullptr;
  _GstElement *captureFilter = nullptr;
  _GstElement *capsFilter = nullptr;
  _GstElement *newestFrame = nullptr; // live sources only
  _GstElement *decoder = nullptr;
  _GstElement *colourConverter = nullptr;
  _GstElement *sinkElement = nullptr;
  CSampleGrabber *sampleGrabber = nullptr;

private:
  void Watch(bool loop);

  _GstBus *m_bus = nullptr;
  std::thread m_watcher;
  std::atomic<bool> streamFailed{false};
};

// The tracker's releaseGraph.
void ReleaseCaptureGraph(CaptureGraph *graph);

// Changes the tracker's mode without racing the stream: on the streaming thread just before
// the next frame while a graph runs, at once otherwise. Either way the tracker primes again.
// The user-interface thread's way to switch tracking modes.
void ChangeTrackingMode(CameraTracker &tracker, int mode);
