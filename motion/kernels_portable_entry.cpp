#include "motion/tracker_kernels.h"

// The kernels' entry points in the portable build, which has no other version to choose.

namespace tracker_kernels {

Level ActiveLevel() { return Level::Portable; }
void LimitLevel(Level) {}

void AccumulateIntensityBlocks(const std::uint16_t *pixels, int width, int blockSize, int gridWidth,
                               int gridHeight, std::uint16_t *columns, std::int32_t *blockMap) {
  portable::AccumulateIntensityBlocks(pixels, width, blockSize, gridWidth, gridHeight, columns, blockMap);
}

void BlockSadRow16(const std::uint16_t *window, const std::uint16_t *previous, int stride, int halfWidth,
                   int halfHeight, int flushEvery, std::int32_t *sads) {
  portable::BlockSadRow16(window, previous, stride, halfWidth, halfHeight, flushEvery, sads);
}

void BlockSadRow32(const std::int32_t *window, const std::int32_t *previous, int stride, int halfWidth,
                   int halfHeight, std::int32_t *sads) {
  portable::BlockSadRow32(window, previous, stride, halfWidth, halfHeight, sads);
}

std::uint32_t OrOf(const std::int32_t *sums, std::size_t count) { return portable::OrOf(sums, count); }
void Narrow(const std::int32_t *sums, int count, std::uint16_t *out) { portable::Narrow(sums, count, out); }

} // namespace tracker_kernels
