#include "motion/camera_tracker.h"

#include "motion/tracker_scratch.h"

#include <algorithm>
#include <cmath>

// Mains flicker seen through a rolling shutter: the light pulses at twice the mains frequency
// while the rows are read one after another, so each frame has bright and dark bands of rows,
// and they stand elsewhere in the next frame. Block matching takes their move for motion of
// the picture (on a bare wall they are all there is to match), and it turns the snake.
//
// Such a frame is recognised by how each block row's light changed since the previous frame:
// the median ratio of its blocks, taken for the left and the right half of the row apart.
// Flicker changes both halves alike, and differently from row to row; motion of the picture
// changes the halves each its own way. On a banded frame the block search compares maps in
// which each row is divided by its own median block, in both frames, so the bands drop out:
// the picture's content moves with its rows' medians, and matches as before.

namespace {

// The rows' common change must vary by this much (standard deviation of the ratio) and by
// more than twice the halves' disagreement.
constexpr double MinBandDeviation = 0.0015;
constexpr double CommonOverSplit = 4.0; // in variance

// The upper median of count values (reordered).
template <typename T> T UpperMedian(T *values, int count) {
  std::nth_element(values, values + count / 2, values + count);
  return values[count / 2];
}

} // namespace

float CameraTracker::MeasureBanding() {
  const int channels = perChannel ? 3 : 1;
  const int halves[3] = {0, gridWidth / 2, gridWidth};
  float *ratios = scratch->ratios.data();
  double sum = 0.0, sumSquares = 0.0, split = 0.0;
  for (int y = 0; y < gridHeight; ++y) {
    float gain[2];
    for (int h = 0; h < 2; ++h) {
      int counted = 0;
      for (int x = halves[h]; x < halves[h + 1]; ++x) {
        std::int64_t now = 0, before = 0;
        for (int c = 0; c < channels; ++c) {
          now += (perChannel ? blockMapRgb[c] : blockMap)[y * gridWidth + x];
          before += (perChannel ? previousBlockMapRgb[c] : previousBlockMap)[y * gridWidth + x];
        }
        if (before > 0)
          ratios[counted++] = static_cast<float>(now) / static_cast<float>(before);
      }
      gain[h] = counted > 0 ? UpperMedian(ratios, counted) : 1.0f;
    }
    const double common = (static_cast<double>(gain[0]) + gain[1]) / 2;
    const double half = (static_cast<double>(gain[0]) - gain[1]) / 2;
    sum += common;
    sumSquares += common * common;
    split += half * half;
  }
  const double mean = sum / gridHeight;
  const double commonVariance = std::max(0.0, sumSquares / gridHeight - mean * mean);
  const double splitVariance = split / gridHeight;
  frameBanded = commonVariance > MinBandDeviation * MinBandDeviation &&
                commonVariance > CommonOverSplit * splitVariance;
  return static_cast<float>(std::sqrt(commonVariance));
}

// Each row of the map (channel after channel, `channels` maps of the grid) divided by its own
// median block, summed over the channels, and scaled to `level`; level 0 takes the median of
// the rows' medians, which is returned, so that a second map can share it.
std::int32_t CameraTracker::EvenRows(std::int32_t *const *maps, int channels, std::int32_t level,
                                     std::int32_t *out) {
  std::int64_t *values = scratch->rowValues.data();
  std::int64_t *medians = scratch->rowMedians.data();
  for (int y = 0; y < gridHeight; ++y) {
    for (int x = 0; x < gridWidth; ++x) {
      std::int64_t v = 0;
      for (int c = 0; c < channels; ++c)
        v += maps[c][y * gridWidth + x];
      values[x] = v;
    }
    medians[y] = std::max<std::int64_t>(1, UpperMedian(values, gridWidth));
  }
  if (level == 0) {
    std::copy_n(medians, gridHeight, values);
    level = static_cast<std::int32_t>(UpperMedian(values, gridHeight));
  }
  const std::size_t blocks = static_cast<std::size_t>(gridWidth) * gridHeight;
  for (int y = 0; y < gridHeight; ++y) {
    const float scale = static_cast<float>(level) / static_cast<float>(medians[y]);
    for (int c = 0; c < channels; ++c)
      for (int x = 0; x < gridWidth; ++x)
        out[c * blocks + y * gridWidth + x] =
            static_cast<std::int32_t>(static_cast<float>(maps[c][y * gridWidth + x]) * scale + 0.5f);
  }
  return level;
}
