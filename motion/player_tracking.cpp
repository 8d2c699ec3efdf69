#include "motion/camera_tracker.h"

#include "motion/tracker_scratch.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

// A webcam that faces the player stands still: most of the picture is a still background
// whose zero motion would win any whole-picture match. Only the blocks that changed since
// the previous frame, and that differ from the background learnt over the last frames (what
// moved in, not the wall it uncovered), are matched, each against the previous frame around it.
//
// A hand is small, smooth and striped by its fingers: block sums match it at several offsets
// almost equally well, often at the mirror image of the true one, and a vertical move of
// vertical fingers hardly changes its inside. What changed, though, always goes where the hand
// goes: the middle of the changed blocks moves with it (between this frame's change and the
// previous one's, by about the mean of the last two frames' motion), whatever its texture.
// The match is therefore drawn towards that shift, once the change is large enough in both
// frames to have a middle. Where no offset stands out the shift itself is the report, if the
// change has lasted three frames (a still head caught by the rolling shutter half before and
// half after a one-pixel sway changes for two) and the light did not change band by band.
//
// Mains flicker and automatic exposure change the brightness of whole bands of rows between
// frames (a rolling shutter reads the rows one after another while the light pulses), which
// would make every block change. Each block row's change of light is the median ratio of its
// blocks to the previous frame's (a head or a hand covers less than half a row, so the still
// background decides it), and the current row is divided by it before anything is compared.
// The background is compared the same way, through the median ratio of the row to it.

namespace {

// Fewer changed blocks than this is noise, not a moving head or hand.
constexpr int MinChangedBlocks = 8;
// How fast the background follows the picture: 1/16 of the difference per frame.
constexpr float BackgroundRate = 1.0f / 16.0f;
// A block has changed when its difference stands this many times above the frame's median
// difference (the sensor noise, since most blocks are still), and above MinChangePerPixel.
constexpr int NoiseFactor = 5;
constexpr int MinChangePerPixel = 2;
// How much worse a match one search reach away from the changed blocks' shift may be than one
// on it (than one in place, while the shift does not hold).
constexpr double ShiftWeight = 3.0;
// Changed blocks in this frame and the previous one for their shift to count.
constexpr int MinShiftBlocks = 2 * MinChangedBlocks;
// Below this mean intensity (of 249) the picture is too dark to follow anything.
constexpr float MinBrightness = 6.0f;

// The candidates' differences are added eight at a time, which the compiler turns into vector
// instructions.
constexpr int Lanes = 8;

void AddDistances(std::uint32_t *__restrict sads, const std::int32_t *__restrict candidates, int count,
                  std::int32_t value) {
  for (int j = 0; j < count; j += Lanes)
    for (int k = 0; k < Lanes; ++k) {
      const std::int32_t d = value - candidates[j + k];
      sads[j + k] += static_cast<std::uint32_t>(d < 0 ? -d : d);
    }
}

// The median of value(x) / reference(x) over the entries with a reference, 1 without any.
// Rows of 32 blocks or more are sampled every other block: the estimate hardly changes.
template <typename T>
float MedianRatio(const std::int32_t *value, const T *reference, int count, float *ratios) {
  int counted = 0;
  const int step = count >= 32 ? 2 : 1;
  for (int x = 0; x < count; x += step)
    if (reference[x] >= 1)
      ratios[counted++] = static_cast<float>(value[x]) / static_cast<float>(reference[x]);
  if (counted == 0)
    return 1.0f;
  std::nth_element(ratios, ratios + counted / 2, ratios + counted);
  return std::clamp(ratios[counted / 2], 0.25f, 4.0f);
}

} // namespace

void CameraTracker::Scratch::SizeForPlayer(int gridWidth, int gridHeight) {
  const std::size_t blocks = static_cast<std::size_t>(gridWidth) * gridHeight;
  rangeX = gridWidth / 4;
  rangeY = gridHeight / 4;
  // Candidates in whole groups of eight lanes; the padding's extra columns are never chosen.
  sadWidth = (2 * rangeX + 1 + Lanes - 1) / Lanes * Lanes;
  paddedWidth = gridWidth + sadWidth;
  haveBackground = false;
  background.assign(blocks, 0.0f);
  ratios.assign(gridWidth, 0.0f);
  backgroundGains.assign(gridHeight, 1.0f);
  evened.assign(blocks, 0);
  previousPadded.assign(static_cast<std::size_t>(paddedWidth) * (gridHeight + 2 * rangeY), 0);
  differences.assign(blocks, 0);
  ordered.assign(blocks, 0);
  changed.assign(blocks, 0);
  moved.assign(blocks, 0);
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
  std::int32_t *previous = s.previousPadded.data();
  const bool compare = frameCount > 0 && havePrevious && s.haveBackground;

  // The raw map becomes the next frame's previous one, its edges repeated outwards so that
  // every candidate reads inside it; the background follows the picture.
  auto keep = [&] {
    for (int py = 0; py < gh + 2 * ry; ++py) {
      const std::int32_t *source = blockMap + std::clamp(py - ry, 0, gh - 1) * gw;
      std::int32_t *target = previous + py * pw;
      std::fill_n(target, rx, source[0]);
      std::copy_n(source, gw, target + rx);
      std::fill(target + rx + gw, target + pw, source[gw - 1]);
    }
    for (int y = 0; y < gh; ++y) {
      const float gain = s.backgroundGains[y];
      for (int x = 0; x < gw; ++x) {
        float &b = background[y * gw + x];
        b += (static_cast<float>(blockMap[y * gw + x]) / gain - b) * BackgroundRate;
      }
    }
  };
  if (!compare) {
    s.previousChanged = s.changedBefore = 0;
    for (int b = 0; b < blocks; ++b)
      background[b] = static_cast<float>(blockMap[b]);
    std::fill(s.backgroundGains.begin(), s.backgroundGains.end(), 1.0f);
    s.haveBackground = true;
    keep();
    return;
  }

  // The current map in the previous frame's light, row by row, and its change.
  std::int32_t *differences = s.differences.data();
  float lowGain = 0.0f, highGain = 0.0f;
  for (int y = 0; y < gh; ++y) {
    const std::int32_t *before = previous + (y + ry) * pw + rx;
    const float gain = MedianRatio(blockMap + y * gw, before, gw, s.ratios.data());
    lowGain = y == 0 ? gain : std::min(lowGain, gain);
    highGain = y == 0 ? gain : std::max(highGain, gain);
    const float inverse = 1.0f / gain;
    for (int x = 0; x < gw; ++x) {
      evened[y * gw + x] =
          static_cast<std::int32_t>(static_cast<float>(blockMap[y * gw + x]) * inverse + 0.5f);
      differences[y * gw + x] = std::abs(evened[y * gw + x] - before[x]);
    }
  }
  figures.banding = highGain - lowGain;
  frameBanded = figures.banding > 0.06f;
  figures.banded = frameBanded;
  // The noise is the median difference, taken over every third block (the still background
  // is most of them either way).
  int sampled = 0;
  for (int b = 0; b < blocks; b += 3)
    s.ordered[sampled++] = differences[b];
  std::nth_element(s.ordered.begin(), s.ordered.begin() + sampled / 2, s.ordered.begin() + sampled);
  const std::int32_t noise = s.ordered[sampled / 2];
  const std::int32_t threshold =
      std::max(NoiseFactor * noise, MinChangePerPixel * configuredBlockSize * configuredBlockSize);

  // The changed blocks; of those, the ones that also differ from the background.
  int changedCount = 0, movedCount = 0;
  for (int y = 0; y < gh; ++y) {
    const float gain = MedianRatio(blockMap + y * gw, background + y * gw, gw, s.ratios.data());
    s.backgroundGains[y] = gain;
    for (int x = 0; x < gw; ++x) {
      const int b = y * gw + x;
      if (differences[b] <= threshold)
        continue;
      s.changed[changedCount++] = b;
      if (std::abs(static_cast<float>(blockMap[b]) / gain - background[b]) > static_cast<float>(threshold))
        s.moved[movedCount++] = b;
    }
  }
  figures.changedBlocks = changedCount;
  // The middle of the changed blocks, and how far it went since the previous frame, in blocks.
  float middleX = 0.0f, middleY = 0.0f;
  for (int i = 0; i < changedCount; ++i) {
    middleX += static_cast<float>(s.changed[i] % gw);
    middleY += static_cast<float>(s.changed[i] / gw);
  }
  if (changedCount > 0) {
    middleX /= static_cast<float>(changedCount);
    middleY /= static_cast<float>(changedCount);
  }
  const float shiftX = middleX - s.previousMiddleX, shiftY = middleY - s.previousMiddleY;
  s.previousMiddleX = middleX;
  s.previousMiddleY = middleY;
  // Too few changed blocks have no middle to speak of (a flash of noise, a glitch): the match
  // is then drawn towards no motion.
  const bool shiftHolds = changedCount >= MinShiftBlocks && s.previousChanged >= MinShiftBlocks;
  const float towardsX = shiftHolds ? shiftX : 0.0f, towardsY = shiftHolds ? shiftY : 0.0f;
  const bool shiftStands = shiftHolds && s.changedBefore >= MinShiftBlocks && !frameBanded;
  s.changedBefore = s.previousChanged;
  const bool useMoved = movedCount >= MinChangedBlocks;
  const std::int32_t *matched = useMoved ? s.moved.data() : s.changed.data();
  const int matchedCount = useMoved ? movedCount : changedCount;

  const float brightness = figures.brightness;
  // A head or hand that moves changes blocks in consecutive frames; a change in one frame
  // alone (a sway caught at an edge, a glitch of the sensor) is no move: with large blocks one
  // report alone would turn the snake.
  const bool settled = s.previousChanged < MinChangedBlocks;
  s.previousChanged = changedCount;
  if (changedCount < MinChangedBlocks || settled) {
    // Nothing moves in front of the still background: a trusted "no motion", unless the
    // picture is too dark to tell.
    blockValid = brightness >= MinBrightness;
    keep();
    return;
  }

  // Each block against the previous frame at every candidate offset: offsets in the vector
  // lanes, one block's value broadcast. A large change (the camera itself moved) is sampled
  // evenly down to about half the block search's work.
  const int cap = std::max(MinChangedBlocks, (gw / 2) * (gh / 2) / 3);
  const int step = (matchedCount + cap - 1) / cap;
  std::uint32_t *sads = s.playerSads.data();
  std::fill(s.playerSads.begin(), s.playerSads.end(), 0u);
  int compared = 0;
  for (int i = 0; i < matchedCount; i += step, ++compared) {
    const int b = matched[i];
    const int x = b % gw, y = b / gw;
    const std::int32_t value = evened[b];
    // Row k holds offset dy = ry - k: the content came from row y - dy.
    for (int k = 0; k <= 2 * ry; ++k)
      AddDistances(sads + k * sw, previous + (y + k) * pw + x, sw, value);
  }
  figures.comparedBlocks = compared;

  // The best offset. A few blocks' sums can match far off by chance (a hand's fingers repeat),
  // so an offset far from the changed blocks' shift must match clearly better than one near it:
  // the difference is weighed up by that distance, a share of the search's reach. Ties go to
  // the nearer offset, so no direction is favoured.
  std::uint64_t total = 0;
  double bestCost = std::numeric_limits<double>::max();
  std::uint32_t best = 0;
  int bestDx = 0, bestDy = 0;
  double bestDistance = 0.0;
  const double reach = std::hypot(static_cast<double>(rx), static_cast<double>(ry)) + 1.0;
  for (int k = 0; k <= 2 * ry; ++k) {
    for (int j = 0; j <= 2 * rx; ++j) {
      const std::uint32_t sad = sads[k * sw + j];
      const int dx = rx - j, dy = ry - k;
      const double ax = dx - towardsX, ay = dy - towardsY, distance = std::sqrt(ax * ax + ay * ay);
      total += sad;
      const double cost = sad * (1.0 + ShiftWeight * distance / reach);
      if (cost < bestCost || (cost == bestCost && distance < bestDistance)) {
        bestCost = cost;
        best = sad;
        bestDx = dx;
        bestDy = dy;
        bestDistance = distance;
      }
    }
  }
  const float mean = static_cast<float>(total / (static_cast<std::uint64_t>(2 * rx + 1) * (2 * ry + 1)));
  const bool found = brightness >= MinBrightness && mean > static_cast<float>(best) * blockPeakRatio &&
                     mean > static_cast<float>(compared) * blockMinContrast;
  if (found) {
    blockX = bestDx * configuredBlockSize;
    blockY = bestDy * configuredBlockSize;
    blockValid = true;
  } else if (brightness >= MinBrightness && shiftStands) {
    blockX = static_cast<std::int32_t>(std::lround(shiftX * static_cast<float>(configuredBlockSize)));
    blockY = static_cast<std::int32_t>(std::lround(shiftY * static_cast<float>(configuredBlockSize)));
    blockValid = true;
  }
  RecordSearch(figures.block, mean, static_cast<float>(best), static_cast<float>(compared), blockPeakRatio,
               blockMinContrast, found);
  keep();
}
