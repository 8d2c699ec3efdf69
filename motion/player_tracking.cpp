#include "motion/camera_tracker.h"

#include "motion/tracker_scratch.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

// A webcam that faces the player stands still: most of the picture is a still background
// whose zero motion would win any whole-picture match. Only the blocks that changed since
// the previous frame are matched, each against the previous frame around it.
//
// Mains flicker and automatic exposure change the brightness of whole bands of rows between
// frames (a rolling shutter reads the rows one after another while the light pulses), which
// would make every block change. Each block row is first divided by its brightness relative
// to a slowly learnt background (the median ratio over the row, which a head or a hand
// covering less than half of the row does not move), so only what really moved stands out.

namespace {

// Fewer changed blocks than this is noise, not a moving head or hand.
constexpr int MinChangedBlocks = 4;
// How fast the background follows the evened-out picture: 1/16 of the difference per frame.
constexpr float BackgroundRate = 1.0f / 16.0f;
// A block has changed when its difference stands this many times above the frame's median
// difference (the sensor noise, since most blocks are still), and above MinChangePerPixel.
constexpr int NoiseFactor = 5;
constexpr int MinChangePerPixel = 2;
// Below this mean intensity (of 249) the picture is too dark to follow anything.
constexpr float MinBrightness = 6.0f;

std::int32_t Median(const std::int32_t *values, int count, std::int32_t *ordered) {
  std::copy_n(values, count, ordered);
  std::nth_element(ordered, ordered + count / 2, ordered + count);
  return ordered[count / 2];
}

} // namespace

void CameraTracker::Scratch::SizeForPlayer(int gridWidth, int gridHeight) {
  const std::size_t blocks = static_cast<std::size_t>(gridWidth) * gridHeight;
  rangeX = gridWidth / 4;
  rangeY = gridHeight / 4;
  paddedWidth = gridWidth + 2 * rangeX;
  sadWidth = 2 * rangeX + 1;
  haveBackground = false;
  background.assign(blocks, 0.0f);
  ratios.assign(gridWidth, 0.0f);
  evened.assign(blocks, 0);
  previousPadded.assign(static_cast<std::size_t>(paddedWidth) * (gridHeight + 2 * rangeY), 0);
  differences.assign(blocks, 0);
  ordered.assign(blocks, 0);
  changed.assign(blocks, 0);
  playerSads.assign(static_cast<std::size_t>(2 * rangeY + 1) * sadWidth, 0);
}

void CameraTracker::MatchPlayer() {
  blockX = blockY = 0;
  blockValid = false;
  if (!Ready() || mode != PlayerTracking)
    return;
  Scratch &s = *scratch;
  const int gw = gridWidth, gh = gridHeight, blocks = gw * gh;
  const int rx = s.rangeX, ry = s.rangeY, pw = s.paddedWidth, sw = s.sadWidth;
  float *background = s.background.data();
  std::int32_t *evened = s.evened.data();

  // Even out each block row against the background, then let the background follow.
  if (!s.haveBackground) {
    for (int b = 0; b < blocks; ++b)
      background[b] = static_cast<float>(blockMap[b]);
    s.haveBackground = true;
  }
  float lowGain = std::numeric_limits<float>::max(), highGain = 0.0f;
  for (int y = 0; y < gh; ++y) {
    const std::int32_t *row = blockMap + y * gw;
    const float *backgroundRow = background + y * gw;
    int counted = 0;
    for (int x = 0; x < gw; ++x)
      if (backgroundRow[x] >= 1.0f)
        s.ratios[counted++] = static_cast<float>(row[x]) / backgroundRow[x];
    float gain = 1.0f;
    if (counted > 0) {
      std::nth_element(s.ratios.begin(), s.ratios.begin() + counted / 2, s.ratios.begin() + counted);
      gain = std::clamp(s.ratios[counted / 2], 0.25f, 4.0f);
    }
    lowGain = std::min(lowGain, gain);
    highGain = std::max(highGain, gain);
    const float inverse = 1.0f / gain;
    for (int x = 0; x < gw; ++x)
      evened[y * gw + x] = static_cast<std::int32_t>(static_cast<float>(row[x]) * inverse + 0.5f);
  }
  for (int b = 0; b < blocks; ++b)
    background[b] += (static_cast<float>(evened[b]) - background[b]) * BackgroundRate;
  figures.banding = highGain - lowGain;

  std::int32_t *previous = s.previousPadded.data();
  auto keep = [&] {
    // The evened map becomes the next frame's previous one, its edges repeated outwards.
    for (int py = 0; py < gh + 2 * ry; ++py) {
      const std::int32_t *source = evened + std::clamp(py - ry, 0, gh - 1) * gw;
      std::int32_t *target = previous + py * pw;
      for (int px = 0; px < pw; ++px)
        target[px] = source[std::clamp(px - rx, 0, gw - 1)];
    }
  };
  if (frameCount == 0 || !havePrevious) {
    keep();
    return;
  }

  // Blocks that changed since the previous frame, above the frame's own noise.
  std::int32_t *differences = s.differences.data();
  for (int y = 0; y < gh; ++y) {
    const std::int32_t *before = previous + (y + ry) * pw + rx;
    for (int x = 0; x < gw; ++x)
      differences[y * gw + x] = std::abs(evened[y * gw + x] - before[x]);
  }
  const std::int32_t noise = Median(differences, blocks, s.ordered.data());
  const std::int32_t threshold =
      std::max(NoiseFactor * noise, MinChangePerPixel * configuredBlockSize * configuredBlockSize);
  int changedCount = 0;
  for (int b = 0; b < blocks; ++b)
    if (differences[b] > threshold)
      s.changed[changedCount++] = b;
  figures.changedBlocks = changedCount;

  const float brightness = figures.brightness;
  if (changedCount < MinChangedBlocks) {
    // Nothing moves in front of the still background: a trusted "no motion", unless the
    // picture is too dark to tell.
    blockValid = brightness >= MinBrightness;
    keep();
    return;
  }

  // Each changed block against the previous frame at every candidate offset: offsets in the
  // vector lanes, one block's value broadcast. A large change (the camera itself moved, the
  // light changed) is sampled evenly down to about half the block search's work.
  const int cap = std::max(MinChangedBlocks, (gw / 2) * (gh / 2) / 2);
  const int step = (changedCount + cap - 1) / cap;
  std::uint32_t *sads = s.playerSads.data();
  std::fill(s.playerSads.begin(), s.playerSads.end(), 0u);
  int compared = 0;
  for (int i = 0; i < changedCount; i += step, ++compared) {
    const int b = s.changed[i];
    const int x = b % gw, y = b / gw;
    const std::int32_t value = evened[b];
    for (int k = 0; k <= 2 * ry; ++k) {
      // Row k holds offset dy = ry - k: the content came from row y - dy.
      const std::int32_t *candidates = previous + (y + k) * pw + x;
      std::uint32_t *row = sads + k * sw;
      for (int j = 0; j < sw; ++j)
        row[j] += static_cast<std::uint32_t>(std::abs(value - candidates[j]));
    }
  }
  figures.comparedBlocks = compared;

  // The best offset; ties go to the shorter one, so no direction is favoured.
  std::uint64_t total = 0;
  std::uint32_t best = std::numeric_limits<std::uint32_t>::max();
  int bestDx = 0, bestDy = 0, bestLength = 0;
  for (int k = 0; k <= 2 * ry; ++k) {
    for (int j = 0; j < sw; ++j) {
      const std::uint32_t sad = sads[k * sw + j];
      const int dx = rx - j, dy = ry - k, length = dx * dx + dy * dy;
      total += sad;
      if (sad < best || (sad == best && length < bestLength)) {
        best = sad;
        bestDx = dx;
        bestDy = dy;
        bestLength = length;
      }
    }
  }
  const float mean = static_cast<float>(total / (static_cast<std::uint64_t>(sw) * (2 * ry + 1)));
  if (brightness >= MinBrightness && mean > static_cast<float>(best) * blockPeakRatio &&
      mean > static_cast<float>(compared) * blockMinContrast) {
    blockX = bestDx * configuredBlockSize;
    blockY = bestDy * configuredBlockSize;
    blockValid = true;
  }
  RecordSearch(figures.block, mean, static_cast<float>(best), static_cast<float>(compared), blockPeakRatio,
               blockMinContrast, blockValid);
  keep();
}
