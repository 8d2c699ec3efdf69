#include "motion/camera_tracker.h"

#include "motion/tracker_kernels.h"
#include "motion/tracker_scratch.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace {

// |a - b| of two 32-bit sums with the wrap-around of 32-bit registers, as the vector
// search computes it; for the sums a valid frame produces it is the plain distance.
std::uint32_t Distance(std::int32_t a, std::int32_t b) {
  const std::uint32_t d = static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b);
  return static_cast<std::int32_t>(d) < 0 ? 0u - d : d;
}

// Per-channel block search, one row of candidates: each channel's distance is divided by
// three before the channels are added, which keeps it out of the vector kernels.
void PerChannelSadRow(std::int32_t *const *current, std::int32_t *const *previous, int gridWidth, int hw,
                      int hh, int dy, std::int32_t *sads) {
  for (int dx = 0; dx < hw; ++dx) {
    std::uint32_t sad = 0;
    for (int row = 0; row < hh; ++row) {
      const int cur = (hh / 2 + row) * gridWidth + hw / 2;
      const int prev = (dy + row) * gridWidth + dx;
      for (int c = 0; c < 3; ++c)
        for (int col = 0; col < hw; ++col)
          sad += Distance(current[c][cur + col], previous[c][prev + col]) / 3;
    }
    sads[dx] = static_cast<std::int32_t>(sad);
  }
}

} // namespace

// The figures of one search: its mean difference per compared entry against the contrast
// threshold and its mean over the best difference against the peak ratio.
void CameraTracker::RecordSearch(TrackerFigures::Search &figure, float mean, float best, float entries,
                                 float peakRatio, float minContrast, bool valid) {
  figure.ran = true;
  figure.valid = valid;
  figure.contrast = entries > 0.0f ? mean / entries : 0.0f;
  figure.minContrast = minContrast;
  // A perfect match stands out infinitely, unless nothing differs anywhere.
  figure.peakRatio = best > 0.0f ? mean / best : mean > 0.0f ? std::numeric_limits<float>::infinity() : 0.0f;
  figure.minPeakRatio = peakRatio;
}

void CameraTracker::MatchBlocks() {
  blockX = blockY = 0;
  blockValid = false;
  if (!Ready() || !KeepsBlocks())
    return;
  const int hw = gridWidth / 2, hh = gridHeight / 2;
  Scratch &s = *scratch;
  const int stride = s.stride;
  const std::size_t blocks = static_cast<std::size_t>(gridWidth) * gridHeight;

  // On a frame banded by flicker both maps are compared with each row evened out (flicker.cpp).
  std::int32_t *current[3] = {blockMap, blockMapRgb[1], blockMapRgb[2]};
  std::int32_t *previous[3] = {previousBlockMap, previousBlockMapRgb[1], previousBlockMapRgb[2]};
  const int channels = configuredPerChannel ? 3 : 1;
  if (configuredPerChannel) {
    current[0] = blockMapRgb[0];
    previous[0] = previousBlockMapRgb[0];
  }
  if (frameBanded) {
    const std::int32_t level = EvenRows(current, channels, 0, s.evenCurrent.data());
    EvenRows(previous, channels, level, s.evenPrevious.data());
    for (int c = 0; c < channels; ++c) {
      current[c] = s.evenCurrent.data() + c * blocks;
      previous[c] = s.evenPrevious.data() + c * blocks;
    }
  }

  // The 16-bit search runs when every sum fits in 14 bits, that is when no sum has a bit
  // above them; the OR of all sums also bounds the largest, so up to 65535 / OR differences
  // can gather in a lane before it is widened.
  int flushEvery = 0;
  if (!configuredPerChannel) {
    const std::uint32_t bits =
        tracker_kernels::OrOf(current[0], blocks) | tracker_kernels::OrOf(previous[0], blocks);
    const bool narrow = bits <= 16383;
    for (int y = 0; y < gridHeight; ++y) {
      const std::int32_t *a = current[0] + y * gridWidth, *b = previous[0] + y * gridWidth;
      if (narrow) {
        tracker_kernels::Narrow(a, gridWidth, s.current16.data() + y * stride);
        tracker_kernels::Narrow(b, gridWidth, s.previous16.data() + y * stride);
      } else {
        std::copy_n(a, gridWidth, s.current32.data() + y * stride);
        std::copy_n(b, gridWidth, s.previous32.data() + y * stride);
      }
    }
    if (narrow)
      flushEvery = bits == 0 ? 1 << 30 : static_cast<int>(65535 / bits);
  }

  std::int64_t total = 0;
  std::int32_t best = 1000000000;
  int bestDx = -1, bestDy = -1;
  std::int32_t *sads = s.sads.data();
  const std::size_t window = static_cast<std::size_t>(hh / 2) * stride + hw / 2;
  for (int dy = hh - 1; dy >= 0; --dy) {
    if (configuredPerChannel)
      PerChannelSadRow(current, previous, gridWidth, hw, hh, dy, sads);
    else if (flushEvery > 0)
      tracker_kernels::BlockSadRow16(s.current16.data() + window, s.previous16.data() + dy * stride, stride,
                                     hw, hh, flushEvery, sads);
    else
      tracker_kernels::BlockSadRow32(s.current32.data() + window, s.previous32.data() + dy * stride, stride,
                                     hw, hh, sads);
    std::copy_n(sads, hw, s.searchSads.data() + dy * hw);
    // Visiting order decides ties: larger dy first, then larger dx.
    for (int dx = hw - 1; dx >= 0; --dx) {
      total += sads[dx];
      if (sads[dx] < best) {
        best = sads[dx];
        bestDx = dx;
        bestDy = dy;
      }
    }
  }
  const float mean = static_cast<float>(total / (std::int64_t{hh} * hw));
  if (bestDx >= 0 && mean > static_cast<float>(best) * blockPeakRatio &&
      mean > (static_cast<float>(hh) * static_cast<float>(hw)) * blockMinContrast) {
    blockX = (hw / 2 - bestDx) * configuredBlockSize;
    blockY = (hh / 2 - bestDy) * configuredBlockSize;
    blockValid = true;
    if (frameBanded)
      KeepClearAxes(bestDx, bestDy, best);
  }
  RecordSearch(figures.block, mean, static_cast<float>(best), static_cast<float>(hh) * static_cast<float>(hw),
               blockPeakRatio, blockMinContrast, blockValid);
}

// On a frame evened out for flicker, rows keep only the structure along them: a bare wall's
// evened rows all look alike, and any vertical shift matches as well as none. Each axis of
// the estimate stands only if the best match also stands out among the candidates along that
// axis alone (through the best one); an estimate with neither axis clear is rejected.
void CameraTracker::KeepClearAxes(int bestDx, int bestDy, std::int32_t best) {
  const int hw = gridWidth / 2, hh = gridHeight / 2;
  const std::int32_t *sads = scratch->searchSads.data();
  std::int64_t along = 0, across = 0;
  for (int dx = 0; dx < hw; ++dx)
    along += sads[bestDy * hw + dx];
  for (int dy = 0; dy < hh; ++dy)
    across += sads[dy * hw + bestDx];
  const float limit = static_cast<float>(best) * blockPeakRatio;
  if (!(static_cast<float>(along / hw) > limit))
    blockX = 0;
  if (!(static_cast<float>(across / hh) > limit))
    blockY = 0;
  if (!(static_cast<float>(along / hw) > limit) && !(static_cast<float>(across / hh) > limit))
    blockValid = false;
}

// One axis of the profile search. Only the low 32 bits of each sum take part.
bool CameraTracker::MatchProfileAxis(int n, std::int64_t *const *current, std::int64_t *const *previous,
                                     int channels, std::int32_t &result, TrackerFigures::Search &figure) {
  std::int32_t *cur = scratch->profileCurrent.data();
  std::int32_t *prev = scratch->profilePrevious.data();
  for (int c = 0; c < channels; ++c) {
    for (int i = 0; i < n; ++i) {
      cur[c * n + i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(current[c][i]));
      prev[c * n + i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(previous[c][i]));
    }
  }
  const int half = n / 2;
  std::int64_t total = 0, best = 0;
  int bestD = 0;
  for (int s = n - 1; s >= 0; --s) {
    const int d = s - half;
    const int first = d < 0 ? -d : 0;
    const int end = d > 0 ? n - d : n;
    std::int64_t sum = 0;
    for (int c = 0; c < channels; ++c) {
      const std::int32_t *a = cur + c * n, *b = prev + c * n;
      if (channels == 1) {
        for (int j = first; j < end; ++j)
          sum += std::llabs(std::int64_t{a[j + d]} - b[j]);
      } else {
        for (int j = first; j < end; ++j)
          sum += std::llabs(std::int64_t{a[j + d]} - b[j]) / 3;
      }
    }
    const std::int64_t score = sum / (end - first);
    total += score;
    // The first shift always stands; later ones must be strictly better, so ties keep the larger d.
    if (s == n - 1 || score < best) {
      best = score;
      bestD = d;
    }
  }
  const float meanAll = static_cast<float>(total / n);
  const bool accepted = meanAll > static_cast<float>(best) * profilePeakRatio &&
                        meanAll > static_cast<float>(n) * profileMinContrast;
  RecordSearch(figure, meanAll, static_cast<float>(best), static_cast<float>(n), profilePeakRatio,
               profileMinContrast, accepted);
  result = accepted ? bestD : 0;
  return accepted;
}

void CameraTracker::MatchProfiles() {
  profileX = profileY = 0;
  profileValid = false;
  if (!Ready() || !KeepsProfiles())
    return;
  const int set = currentSet ? 1 : 0;
  const bool x = configuredPerChannel
                     ? MatchProfileAxis(frameWidth, columnProfileRgb[set], columnProfileRgb[1 - set], 3,
                                        profileX, figures.profileX)
                     : MatchProfileAxis(frameWidth, &columnProfile[set], &columnProfile[1 - set], 1, profileX,
                                        figures.profileX);
  const bool y = configuredPerChannel
                     ? MatchProfileAxis(frameHeight, rowProfileRgb[set], rowProfileRgb[1 - set], 3, profileY,
                                        figures.profileY)
                     : MatchProfileAxis(frameHeight, &rowProfile[set], &rowProfile[1 - set], 1, profileY,
                                        figures.profileY);
  profileValid = x && y;
}
