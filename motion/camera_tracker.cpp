#include "motion/camera_tracker.h"

#include "motion/tracker_scratch.h"

#include <cstdlib>
#include <limits>
#include <new>

namespace {

// The largest frame accepted. Within it no 32-bit block sum, block-search sum or low half
// of a profile sum can overflow (the search sums stay below 125 x the pixel count).
constexpr std::int64_t MaxFrameSide = 16384;
constexpr std::int64_t MaxFramePixels = std::int64_t{1} << 24;
// The block search costs about (blocks / 4)^2 differences; beyond this it would take seconds.
constexpr std::int64_t MaxGridBlocks = 65536;

template <typename T> T *NewArray(std::int64_t count, bool &ok) {
  T *array = new (std::nothrow) T[count]();
  ok = ok && array != nullptr;
  return array;
}

template <typename T> void DeleteArray(T *&array) {
  delete[] array;
  array = nullptr;
}

} // namespace

CameraTracker::CameraTracker() = default;

CameraTracker::~CameraTracker() {
  // Releasing the graph stops the stream, so no frame can arrive while the buffers go.
  if (graphBuilt && releaseGraph)
    releaseGraph(graph);
  FreeBuffers();
}

void CameraTracker::SetThresholds(float blockPeakRatio, float profilePeakRatio, float blockMinContrast,
                                  float profileMinContrast) {
  this->blockPeakRatio = blockPeakRatio;
  this->profilePeakRatio = profilePeakRatio;
  this->blockMinContrast = blockMinContrast;
  this->profileMinContrast = profileMinContrast;
}

void CameraTracker::SetMode(int mode, bool perChannel, int gridTarget) {
  this->mode = static_cast<unsigned>(mode) <= ProfileMatching || mode == PlayerTracking
                   ? static_cast<TrackingMode>(mode)
                   : Combined;
  // The magnitude of the most negative int does not fit; the largest target stands in.
  this->gridTarget =
      gridTarget == std::numeric_limits<int>::min() ? std::numeric_limits<int>::max() : std::abs(gridTarget);
  this->perChannel = perChannel && this->mode != PlayerTracking;
}

int CameraTracker::ChooseBlockSize(int largest, int gridTarget) {
  // 64-bit so that the one quotient that overflows an int (most negative / -1) cannot trap.
  const std::int64_t size = std::int64_t{largest} / (gridTarget == 0 ? 40 : gridTarget);
  if (size < 1)
    return 1;
  return size > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max() : static_cast<int>(size);
}

bool CameraTracker::Ready() const {
  return configured && format.biWidth == frameWidth &&
         (format.biHeight == frameHeight || format.biHeight == -frameHeight) &&
         blockSize == configuredBlockSize && mode == configuredMode && perChannel == configuredPerChannel &&
         gridWidth == frameWidth / blockSize && gridHeight == frameHeight / blockSize;
}

void CameraTracker::FreeBuffers() {
  for (int set = 0; set < 2; ++set) {
    DeleteArray(columnProfile[set]);
    DeleteArray(rowProfile[set]);
    for (int c = 0; c < 3; ++c) {
      DeleteArray(columnProfileRgb[set][c]);
      DeleteArray(rowProfileRgb[set][c]);
    }
  }
  DeleteArray(blockMap);
  DeleteArray(previousBlockMap);
  for (int c = 0; c < 3; ++c) {
    DeleteArray(blockMapRgb[c]);
    DeleteArray(previousBlockMapRgb[c]);
  }
  delete scratch;
  scratch = nullptr;
  configured = false;
}

bool CameraTracker::ConfigureFormat() {
  FreeBuffers();
  havePrevious = false;
  reportX = reportY = 0;
  reportValid = false;
  rejectedHistory = bandedHistory = 0;

  const std::int64_t width = format.biWidth;
  const std::int64_t height = std::llabs(static_cast<std::int64_t>(format.biHeight));
  if (format.biBitCount != 16 || width < 1 || height < 1 || width > MaxFrameSide || height > MaxFrameSide ||
      width * height > MaxFramePixels || blockSize < 1)
    return false;
  const std::int64_t grid = (width / blockSize) * (height / blockSize);
  if (width / blockSize < 2 || height / blockSize < 2 || grid > MaxGridBlocks)
    return false;

  frameWidth = static_cast<std::int32_t>(width);
  frameHeight = static_cast<std::int32_t>(height);
  configuredBlockSize = blockSize;
  configuredMode = mode;
  configuredPerChannel = perChannel;
  gridWidth = frameWidth / blockSize;
  gridHeight = frameHeight / blockSize;
  if (!AllocateBuffers()) {
    FreeBuffers();
    return false;
  }
  configured = true;
  return true;
}

// New buffers start zeroed, so nothing ever reads memory no frame has written.
bool CameraTracker::AllocateBuffers() {
  bool ok = true;
  const int channels = perChannel ? 3 : 1;
  const std::int64_t blocks = std::int64_t{gridWidth} * gridHeight;
  if (KeepsProfiles()) {
    for (int set = 0; set < 2; ++set) {
      if (perChannel) {
        for (int c = 0; c < 3; ++c) {
          columnProfileRgb[set][c] = NewArray<std::int64_t>(frameWidth, ok);
          rowProfileRgb[set][c] = NewArray<std::int64_t>(frameHeight, ok);
        }
      } else {
        columnProfile[set] = NewArray<std::int64_t>(frameWidth, ok);
        rowProfile[set] = NewArray<std::int64_t>(frameHeight, ok);
      }
    }
  }
  if (KeepsBlocks()) {
    if (perChannel) {
      for (int c = 0; c < 3; ++c) {
        blockMapRgb[c] = NewArray<std::int32_t>(blocks, ok);
        previousBlockMapRgb[c] = NewArray<std::int32_t>(blocks, ok);
      }
    } else {
      blockMap = NewArray<std::int32_t>(blocks, ok);
      previousBlockMap = NewArray<std::int32_t>(blocks, ok);
    }
  }
  if (!ok)
    return false;

  scratch = new (std::nothrow) Scratch;
  if (!scratch)
    return false;
  try {
    const std::size_t usedColumns = static_cast<std::size_t>(gridWidth) * blockSize;
    if (KeepsProfiles()) {
      scratch->profileColumns.resize(static_cast<std::size_t>(channels) * frameWidth);
      const std::size_t longest = frameWidth > frameHeight ? frameWidth : frameHeight;
      scratch->profileCurrent.resize(channels * longest);
      scratch->profilePrevious.resize(channels * longest);
    }
    if (KeepsBlocks()) {
      scratch->blockColumns.resize(channels * usedColumns);
      if (!perChannel) {
        scratch->fastBlockColumns.resize(usedColumns);
        scratch->stride = gridWidth + 32;
        const std::size_t padded = static_cast<std::size_t>(gridHeight) * scratch->stride;
        scratch->current16.resize(padded);
        scratch->previous16.resize(padded);
        scratch->current32.resize(padded);
        scratch->previous32.resize(padded);
      }
      scratch->sads.resize(gridWidth / 2 + 32);
      scratch->ratios.resize(gridWidth);
      scratch->rowValues.resize(std::max(gridWidth, gridHeight));
      scratch->rowMedians.resize(gridHeight);
      scratch->searchSads.resize(static_cast<std::size_t>(gridWidth / 2) * (gridHeight / 2));
      scratch->evenCurrent.resize(channels * static_cast<std::size_t>(blocks));
      scratch->evenPrevious.resize(channels * static_cast<std::size_t>(blocks));
    }
    if (mode == PlayerTracking)
      scratch->SizeForPlayer(gridWidth, gridHeight);
  } catch (const std::bad_alloc &) {
    return false;
  }
  return true;
}

void CameraTracker::ProcessFrame(const std::uint16_t *pixels) {
  if (!pixels || !Ready()) {
    // Nothing to measure against: an honest "no motion known" rather than stale values.
    reportX = reportY = 0;
    reportValid = false;
    JudgeFrame();
  } else {
    AccumulateFrame(pixels);
    figures.block = figures.profileX = figures.profileY = {};
    figures.changedBlocks = figures.comparedBlocks = 0;
    frameBanded = false;
    MeasureFrame();
    // After a new format the previous frame's statistics belong to other buffers: prime first.
    if (mode == PlayerTracking) {
      // Runs on the first frame too: it learns the background from it.
      MatchPlayer();
      if (frameCount > 0 && havePrevious)
        CombineEstimates();
    } else if (frameCount > 0 && havePrevious) {
      if (KeepsBlocks())
        MatchBlocks();
      if (KeepsProfiles())
        MatchProfiles();
      CombineEstimates();
    }
    JudgeFrame();
    havePrevious = true;
    currentSet = !currentSet;
    if (frameCount < std::numeric_limits<std::int32_t>::max())
      ++frameCount;
  }
  if (onMotion)
    onMotion(reportX, reportY, reportValid);
  if (onFigures)
    onFigures(figures);
}

void CameraTracker::CombineEstimates() {
  reportValid = true;
  if (mode == BlockMatching || mode == PlayerTracking) {
    reportX = blockX;
    reportY = blockY;
    reportValid = blockValid;
    return;
  }
  if (mode == ProfileMatching) {
    reportX = profileX;
    reportY = profileY;
    reportValid = profileValid;
    return;
  }
  // Two estimates that agree in direction are trusted only as far as the shorter one.
  auto merge = [](std::int32_t a, std::int32_t b) -> std::int32_t {
    if ((a > 0 && b > 0) || (a < 0 && b < 0))
      return std::abs(a) < std::abs(b) ? a : b;
    return 0;
  };
  reportX = merge(blockX, profileX);
  reportY = merge(blockY, profileY);
  if (!blockValid && !profileValid) {
    reportValid = false;
  } else if (blockValid && !profileValid) {
    reportX = blockX;
    reportY = blockY;
  } else if (profileValid && !blockValid) {
    reportX = profileX;
    reportY = profileY;
  }
}
