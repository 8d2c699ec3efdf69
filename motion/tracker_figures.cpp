#include "motion/camera_tracker.h"

#include "motion/tracker_scratch.h"

#include <algorithm>
#include <bit>
#include <cmath>

// The figures a camera view shows beside the picture, and whether the light changed band by
// band, which the block search takes into account (motion_estimation.cpp).

namespace {

// Below this mean intensity (of 249) the picture counts as too dark.
constexpr float DarkBrightness = 10.0f;
// Of the last 16 frames: this many banded ones mean flicker, this many rejected ones too flat.
constexpr int FlickerFrames = 6;
constexpr int FlatFrames = 10;

} // namespace

void CameraTracker::MeasureFrame() {
  const int channels = perChannel ? 3 : 1;
  float brightness = 0.0f, banding = 0.0f;
  if (KeepsBlocks()) {
    const int blocks = gridWidth * gridHeight;
    double sum = 0.0;
    for (int c = 0; c < channels; ++c) {
      const std::int32_t *map = perChannel ? blockMapRgb[c] : blockMap;
      for (int b = 0; b < blocks; ++b)
        sum += map[b];
    }
    brightness = static_cast<float>(sum / (static_cast<double>(blocks) * configuredBlockSize *
                                           configuredBlockSize * (perChannel ? 3 : 1)));
    if (havePrevious && mode != PlayerTracking)
      banding = MeasureBanding();
  } else {
    // Profiles only: the row sums, in bands of a block's height.
    const int set = currentSet ? 1 : 0;
    double sum = 0.0;
    float low = 0.0f, high = 0.0f;
    bool any = false;
    for (int y0 = 0; y0 < frameHeight; y0 += configuredBlockSize) {
      double now = 0.0, before = 0.0;
      for (int y = y0; y < std::min(frameHeight, y0 + configuredBlockSize); ++y) {
        for (int c = 0; c < channels; ++c) {
          now += static_cast<double>((perChannel ? rowProfileRgb[set][c] : rowProfile[set])[y]);
          before += static_cast<double>((perChannel ? rowProfileRgb[1 - set][c] : rowProfile[1 - set])[y]);
        }
      }
      sum += now;
      if (havePrevious && before > 0.0) {
        const float ratio = static_cast<float>(now / before);
        low = any ? std::min(low, ratio) : ratio;
        high = any ? std::max(high, ratio) : ratio;
        any = true;
      }
    }
    brightness = static_cast<float>(sum / (3.0 * frameWidth * frameHeight));
    banding = high - low;
    frameBanded = banding > 0.06f;
  }
  figures.brightness = brightness;
  figures.banding = banding;
  figures.banded = frameBanded;
}

void CameraTracker::JudgeFrame() {
  figures.frame = frameCount;
  figures.width = frameWidth;
  figures.height = frameHeight;
  figures.blockSize = configuredBlockSize;
  figures.mode = configuredMode;
  figures.gridBlocks = gridWidth * gridHeight;
  figures.reportX = reportX;
  figures.reportY = reportY;
  figures.reportValid = reportValid;
  if (!Ready() || !havePrevious || frameCount == 0) {
    figures.verdict = TrackerVerdict::NoFrames;
    return;
  }
  rejectedHistory = (rejectedHistory << 1) | (reportValid ? 0u : 1u);
  bandedHistory = (bandedHistory << 1) | (frameBanded ? 1u : 0u);
  if (figures.brightness < DarkBrightness)
    figures.verdict = TrackerVerdict::TooDark;
  else if (std::popcount(bandedHistory & 0xFFFFu) >= FlickerFrames)
    figures.verdict = TrackerVerdict::Flicker;
  else if (std::popcount(rejectedHistory & 0xFFFFu) >= FlatFrames)
    figures.verdict = TrackerVerdict::TooFlat;
  else
    figures.verdict = TrackerVerdict::GoodBackground;
}
