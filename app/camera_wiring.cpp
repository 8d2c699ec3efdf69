#include "app/camera_wiring.h"

#include "capture/capture_graph.h"
#include "capture/frame_snapshot.h"
#include "game/camera_choices.h"
#include "game/camera_view.h"
#include "motion/camera_tracker.h"
#include "state/app_state.h"

namespace {

void ChangeMode(int mode) {
  if (g_app.tracker)
    ChangeTrackingMode(*g_app.tracker, mode);
}

CameraPicture::Verdict VerdictOf(TrackerVerdict verdict) {
  switch (verdict) {
  case TrackerVerdict::GoodBackground:
    return CameraPicture::Verdict::GoodBackground;
  case TrackerVerdict::TooFlat:
    return CameraPicture::Verdict::TooFlat;
  case TrackerVerdict::TooDark:
    return CameraPicture::Verdict::TooDark;
  case TrackerVerdict::Flicker:
    return CameraPicture::Verdict::Flicker;
  case TrackerVerdict::NoFrames:
    break;
  }
  return CameraPicture::Verdict::Waiting;
}

CameraPicture::Search SearchOf(const TrackerFigures::Search &s) {
  return {s.ran, s.valid, s.contrast, s.minContrast, s.peakRatio, s.minPeakRatio};
}

bool Take(CameraPicture *picture) {
  const CameraTracker *tracker = g_app.tracker;
  // A camera that failed or went away while streaming shows as none.
  if (!tracker || !tracker->graphBuilt || !tracker->graph || tracker->graph->Failed())
    return false;
  static FrameSnapshot snapshot; // its buffers are reused from paint to paint
  if (!TakeFrameSnapshot(&snapshot)) {
    *picture = CameraPicture{};
    picture->verdict = CameraPicture::Verdict::Waiting;
    return true;
  }
  const TrackerFigures &f = snapshot.figures;
  picture->verdict = VerdictOf(f.verdict);
  picture->width = snapshot.width;
  picture->height = snapshot.height;
  picture->pixels = snapshot.pixels;
  picture->blockSize = f.blockSize;
  picture->playerMode = f.mode == PlayerTracking;
  picture->framesPerSecond = snapshot.framesPerSecond;
  picture->frameAgeMs = snapshot.frameAgeUs >= 0 ? int(snapshot.frameAgeUs / 1000) : -1;
  picture->block = SearchOf(f.block);
  picture->profileX = SearchOf(f.profileX);
  picture->profileY = SearchOf(f.profileY);
  picture->changedBlocks = f.changedBlocks;
  picture->gridBlocks = f.gridBlocks;
  picture->brightness = f.brightness;
  picture->reports.clear();
  for (const FrameSnapshot::Report &r : snapshot.reports)
    picture->reports.push_back({r.x, r.y, r.valid});
  return true;
}

} // namespace

void WireCamera() {
  SetTrackingModeChanger(ChangeMode);
  SetCameraViewFeed({WatchFrames, Take});
}
