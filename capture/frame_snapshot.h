#pragma once
// What a camera view shows of the stream: the newest frame as the tracker read it, the
// tracker's figures for it, the last reports and the frame rate. The sample grabber copies a
// frame in only while a view watches (one atomic test a frame otherwise); the view takes the
// copy on its own thread. Used by the capture sink and, through start-up, the camera view.

#include <cstdint>
#include <vector>

#include "motion/camera_tracker.h"

struct FrameSnapshot {
  int width = 0, height = 0;
  std::vector<std::uint16_t> pixels; // RGB565, rows top first
  TrackerFigures figures;
  struct Report {
    int x = 0, y = 0;
    bool valid = false;
  };
  std::vector<Report> reports; // the last ones, newest last
  float framesPerSecond = 0.0f;
  std::int64_t frameAgeUs = -1; // MediaSample::ageUs of the frame
};

// How many reports a snapshot keeps: about a third of a second of frames.
constexpr std::size_t kSnapshotReports = 6;

// Starts or stops the copying; stopping frees the copy. Any thread.
void WatchFrames(bool on);
bool FramesWatched();
// The streaming thread, after the tracker processed the frame (rows bottom first, packed).
void PublishFrame(const std::uint16_t *bottomFirst, int width, int height, const TrackerFigures &figures,
                  std::int64_t ageUs);
// The newest frame published since the watching began, with its rate; false when none came.
// The rate falls to 0 when no frame came for a second.
bool TakeFrameSnapshot(FrameSnapshot *out);
