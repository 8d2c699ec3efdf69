#pragma once
// CSampleGrabber: the end of the capture pipeline. Accepts RGB565 frames only, configures the
// camera tracker for the agreed size and hands it each frame, packed and bottom row first,
// pausing after each one. Driven by the GStreamer sink in grabber_sink.cpp; no GStreamer here.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "capture/com_types.h"

class CameraTracker;

// A proposed frame format: GStreamer's format name ("RGB16" is RGB565) and the frame size;
// a width or height of 0 means the proposal carries no size.
struct VideoType {
  std::string format;
  int width = 0;
  int height = 0;
};

// One delivered frame: rows top first, stride bytes apart.
struct MediaSample {
  const std::uint8_t *topRow = nullptr;
  std::size_t stride = 0;
  int width = 0;
  int height = 0;
  // How long before the hand-over the frame was captured, in microseconds, where the source
  // is live and stamps its frames; -1 otherwise.
  std::int64_t ageUs = -1;
};

// How long the sink rests after each frame, and how. virtualWait, when set, replaces the real
// wait (tests advance their own clock in it); it must return promptly.
struct CapturePacing {
  std::chrono::milliseconds pause{50};
  void (*virtualWait)(std::chrono::milliseconds) = nullptr;
};
// Applies to grabbers created afterwards.
void SetCapturePacing(const CapturePacing &pacing);
CapturePacing CurrentCapturePacing();

class CSampleGrabber {
public:
  CSampleGrabber();
  CSampleGrabber(const CSampleGrabber &) = delete;
  CSampleGrabber &operator=(const CSampleGrabber &) = delete;

  // S_OK after configuring the tracker for the type; E_FAIL leaves the tracker's header as it
  // was (unless the tracker itself refused the size, which leaves it unconfigured).
  HRESULT CheckMediaType(const VideoType &type);
  // Hands one frame to the tracker and rests. S_FALSE when the frame is skipped: another is
  // in progress, or it is not of the size last accepted.
  HRESULT DoRenderSample(const MediaSample &sample);

  // Ends a pause in progress at once and keeps later ones from starting, until UnlockStop.
  void Unlock();
  void UnlockStop();

  // Any thread: the tracker takes this mode (and primes again) on the streaming thread, just
  // before the next frame, so the change never meets a frame in progress.
  void RequestTrackingMode(int mode);
  // The age of the frame last handed to the tracker (MediaSample::ageUs).
  std::int64_t LastFrameAge() const { return m_lastAgeUs.load(std::memory_order_relaxed); }

  CameraTracker *m_pTracker = nullptr;
  std::atomic<bool> m_bBusy{false};

private:
  void Pause();

  CapturePacing m_pacing;
  int m_width = 0;
  int m_height = 0;
  bool m_configured = false;
  // The frame as the tracker reads it; sized when a type is accepted, reused for every frame.
  std::vector<std::uint16_t> m_packed;
  std::mutex m_lock;
  std::condition_variable m_wake;
  bool m_unlocked = false;
  std::atomic<int> m_pendingMode{-1};
  std::atomic<std::int64_t> m_lastAgeUs{-1};
};
