#include "motion/camera_tracker.h"

#include "motion/tracker_kernels.h"
#include "motion/tracker_scratch.h"

#include <algorithm>
#include <cstring>

void CameraTracker::AccumulateFrame(const std::uint16_t *pixels) {
  if (!pixels || !Ready())
    return;
  const std::size_t blocks = static_cast<std::size_t>(gridWidth) * gridHeight;
  const int set = currentSet ? 1 : 0;
  if (KeepsProfiles()) {
    for (int c = 0; c < (perChannel ? 3 : 1); ++c) {
      std::int64_t *column = perChannel ? columnProfileRgb[set][c] : columnProfile[set];
      std::int64_t *row = perChannel ? rowProfileRgb[set][c] : rowProfile[set];
      std::fill_n(column, frameWidth, 0);
      std::fill_n(row, frameHeight, 0);
    }
  }
  if (KeepsBlocks()) {
    for (int c = 0; c < (perChannel ? 3 : 1); ++c) {
      std::int32_t *current = perChannel ? blockMapRgb[c] : blockMap;
      std::int32_t *previous = perChannel ? previousBlockMapRgb[c] : previousBlockMap;
      std::memcpy(previous, current, blocks * sizeof(std::int32_t));
      std::memset(current, 0, blocks * sizeof(std::int32_t));
    }
  }

  const bool fastBlocks = KeepsBlocks() && !perChannel && blockSize <= tracker_kernels::MaxFastBlockSize;
  if (fastBlocks)
    tracker_kernels::AccumulateIntensityBlocks(pixels, frameWidth, blockSize, gridWidth, gridHeight,
                                               scratch->fastBlockColumns.data(), blockMap);
  if (KeepsProfiles() || !fastBlocks)
    AccumulateGeneral(pixels, KeepsProfiles(), KeepsBlocks() && !fastBlocks);
}

// The statistics the vector kernel does not produce: profiles, per-channel block maps and
// blocks too large for its 16-bit column sums. Column sums gather in 32 bits (at most
// 252 x 16384) and go to the 64-bit profiles once per frame.
void CameraTracker::AccumulateGeneral(const std::uint16_t *pixels, bool profiles, bool blocks) {
  const int channels = perChannel ? 3 : 1;
  const int set = currentSet ? 1 : 0;
  const int width = frameWidth;
  const int usedColumns = gridWidth * blockSize;
  const int usedRows = gridHeight * blockSize;
  std::uint32_t *columns = scratch->profileColumns.data();
  std::uint32_t *blockColumns = scratch->blockColumns.data();
  if (profiles)
    std::fill(scratch->profileColumns.begin(), scratch->profileColumns.end(), 0u);
  if (blocks)
    std::fill(scratch->blockColumns.begin(), scratch->blockColumns.end(), 0u);

  for (int y = 0; y < frameHeight; ++y) {
    const std::uint16_t *row = pixels + static_cast<std::size_t>(y) * width;
    if (profiles) {
      std::uint32_t rowSums[3] = {};
      for (int x = 0; x < width; ++x) {
        const std::uint32_t p = row[x];
        const std::uint32_t r = (p >> 11) << 3, g = ((p >> 5) & 63) << 2, b = (p & 31) << 3;
        if (perChannel) {
          columns[x] += r;
          columns[width + x] += g;
          columns[2 * width + x] += b;
          rowSums[0] += r;
          rowSums[1] += g;
          rowSums[2] += b;
        } else {
          columns[x] += r + g + b;
          rowSums[0] += r + g + b;
        }
      }
      for (int c = 0; c < channels; ++c)
        (perChannel ? rowProfileRgb[set][c] : rowProfile[set])[y] = rowSums[c];
    }
    if (blocks && y < usedRows) {
      for (int x = 0; x < usedColumns; ++x) {
        const std::uint32_t p = row[x];
        const std::uint32_t r = (p >> 11) << 3, g = ((p >> 5) & 63) << 2, b = (p & 31) << 3;
        if (perChannel) {
          blockColumns[x] += r;
          blockColumns[usedColumns + x] += g;
          blockColumns[2 * usedColumns + x] += b;
        } else {
          blockColumns[x] += (r + g + b) / 3;
        }
      }
      if ((y + 1) % blockSize == 0) {
        const int by = y / blockSize;
        for (int c = 0; c < channels; ++c) {
          std::int32_t *map = (perChannel ? blockMapRgb[c] : blockMap) + by * gridWidth;
          std::uint32_t *sums = blockColumns + c * usedColumns;
          for (int bx = 0; bx < gridWidth; ++bx) {
            std::uint32_t total = 0;
            for (int k = 0; k < blockSize; ++k)
              total += sums[bx * blockSize + k];
            map[bx] = static_cast<std::int32_t>(total);
          }
          std::fill_n(sums, usedColumns, 0u);
        }
      }
    }
  }
  if (profiles) {
    for (int c = 0; c < channels; ++c) {
      std::int64_t *profile = perChannel ? columnProfileRgb[set][c] : columnProfile[set];
      for (int x = 0; x < width; ++x)
        profile[x] = columns[c * width + x];
    }
  }
}
