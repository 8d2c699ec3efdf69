#include "motion/tracker_kernels.h"

#include <algorithm>
#include <cstring>

// The kernels in plain C++, shaped for the compiler's vectoriser: every inner loop runs over a
// fixed number of lanes or a contiguous row with no branch, on the same integer widths as the
// x86 versions, so any processor's vector unit gives the same sums. Built in every build: the
// portable build has these alone, the x86 build can be limited to them for comparison.

namespace tracker_kernels::portable {
namespace {

// floor(S / 3) for S up to 748 is (S x 21846) >> 16, the high half of a 16-bit product.
inline std::uint16_t Third(std::uint16_t p) {
  const std::uint16_t s =
      static_cast<std::uint16_t>(((p >> 8) & 0xF8) + ((p >> 3) & 0xFC) + ((p << 3) & 0xF8));
  return static_cast<std::uint16_t>((std::uint32_t{s} * std::uint32_t{21846}) >> 16);
}

// Candidates per pass: three 8-lane vectors of 16 bits cover the 20 to 22 of the usual grids;
// the 32-bit search takes three 4-lane vectors. Lanes past halfWidth read the caller's
// padding and land in sads' slack.
constexpr int Lanes16 = 24;
constexpr int Lanes32 = 12;

} // namespace

void AccumulateIntensityBlocks(const std::uint16_t *pixels, int width, int blockSize, int gridWidth,
                               int gridHeight, std::uint16_t *columns, std::int32_t *blockMap) {
  const int used = gridWidth * blockSize;
  for (int by = 0; by < gridHeight; ++by) {
    for (int y = by * blockSize; y < (by + 1) * blockSize; ++y) {
      const std::uint16_t *row = pixels + static_cast<std::size_t>(y) * width;
      for (int x = 0; x < used; ++x)
        columns[x] = static_cast<std::uint16_t>(columns[x] + Third(row[x]));
    }
    // Column sums stay below 32768 (blockSize <= 128), so 32 bits hold a block's sum.
    std::int32_t *out = blockMap + by * gridWidth;
    for (int b = 0; b < gridWidth; ++b) {
      std::int32_t sum = 0;
      for (int k = 0; k < blockSize; ++k)
        sum += columns[b * blockSize + k];
      out[b] += sum;
    }
    std::memset(columns, 0, sizeof(std::uint16_t) * used);
  }
}

void BlockSadRow16(const std::uint16_t *window, const std::uint16_t *previous, int stride, int halfWidth,
                   int halfHeight, int flushEvery, std::int32_t *sads) {
  const FlushSpan span = SpanFor(flushEvery, halfWidth);
  for (int dx0 = 0; dx0 < halfWidth; dx0 += Lanes16) {
    std::uint32_t total[Lanes16] = {};
    for (int row0 = 0; row0 < halfHeight; row0 += span.rows) {
      for (int col0 = 0; col0 < halfWidth; col0 += span.cols) {
        std::uint16_t part[Lanes16] = {};
        for (int row = row0, rowEnd = std::min(row0 + span.rows, halfHeight); row < rowEnd; ++row) {
          const std::uint16_t *w = window + row * stride;
          const std::uint16_t *p = previous + row * stride + dx0;
          for (int col = col0, colEnd = std::min(col0 + span.cols, halfWidth); col < colEnd; ++col) {
            // Entries are below 16384, so the signed 16-bit maximum and minimum are exact.
            const std::int16_t b = static_cast<std::int16_t>(w[col]);
            for (int k = 0; k < Lanes16; ++k) {
              const std::int16_t v = static_cast<std::int16_t>(p[col + k]);
              part[k] = static_cast<std::uint16_t>(part[k] + (std::max(b, v) - std::min(b, v)));
            }
          }
        }
        for (int k = 0; k < Lanes16; ++k)
          total[k] += part[k];
      }
    }
    for (int k = 0; k < Lanes16; ++k)
      sads[dx0 + k] = static_cast<std::int32_t>(total[k]);
  }
}

void BlockSadRow32(const std::int32_t *window, const std::int32_t *previous, int stride, int halfWidth,
                   int halfHeight, std::int32_t *sads) {
  for (int dx0 = 0; dx0 < halfWidth; dx0 += Lanes32) {
    std::uint32_t total[Lanes32] = {};
    for (int row = 0; row < halfHeight; ++row) {
      const std::int32_t *w = window + row * stride;
      const std::int32_t *p = previous + row * stride + dx0;
      for (int col = 0; col < halfWidth; ++col) {
        const std::uint32_t b = static_cast<std::uint32_t>(w[col]);
        for (int k = 0; k < Lanes32; ++k) {
          // The distance of the wrapped difference, as the vector absolute value gives it.
          const std::uint32_t d = b - static_cast<std::uint32_t>(p[col + k]);
          const std::uint32_t sign = 0u - (d >> 31);
          total[k] += (d ^ sign) - sign;
        }
      }
    }
    for (int k = 0; k < Lanes32; ++k)
      sads[dx0 + k] = static_cast<std::int32_t>(total[k]);
  }
}

std::uint32_t OrOf(const std::int32_t *sums, std::size_t count) {
  std::uint32_t bits = 0;
  for (std::size_t i = 0; i < count; ++i)
    bits |= static_cast<std::uint32_t>(sums[i]);
  return bits;
}

void Narrow(const std::int32_t *sums, int count, std::uint16_t *out) {
  for (int i = 0; i < count; ++i)
    out[i] = static_cast<std::uint16_t>(sums[i]);
}

} // namespace tracker_kernels::portable
