#pragma once
// The camera tracker's hot loops in vector form: the block sums of an intensity frame and
// the block search. Each has AVX-512 and AVX2 versions, used when the processor has them,
// an SSE2 one for every other x86-64 processor, and a portable one in plain C++ that the
// compiler vectorises, the only one in a portable build (VEXMOOR_PORTABLE: other processors,
// or -DVEXMOOR_PORTABLE=ON). All give exactly the same sums.

#include <cstddef>
#include <cstdint>

namespace tracker_kernels {

// The widest instruction set in use: the best the processor has, capped by LimitLevel
// (tests cap it to check the narrower versions against the same reference). A portable
// build is always at Portable.
enum class Level { Portable, Sse2, Avx2, Avx512 };
Level ActiveLevel();
void LimitLevel(Level highest);

// Adds floor(S / 3) of every pixel inside whole blocks into blockMap (gridWidth x gridHeight
// entries, which the caller has zeroed). blockSize 1 to MaxFastBlockSize; columns holds
// gridWidth x blockSize zeroed entries and is left zeroed.
constexpr int MaxFastBlockSize = 128;
void AccumulateIntensityBlocks(const std::uint16_t *pixels, int width, int blockSize, int gridWidth,
                               int gridHeight, std::uint16_t *columns, std::int32_t *blockMap);

// Sums of absolute differences of one row of block-search candidates: for dx in 0 to
// halfWidth - 1, sads[dx] = sum over row < halfHeight, col < halfWidth of
// |window[row][col] - previous[row][dx + col]|, with 32-bit wrapping sums. Both maps have
// rows of `stride` entries; stride >= 2 x halfWidth + 32, and sads has halfWidth + 32 entries.
// The 16-bit form needs every entry in 0..16383 and flushEvery x the largest entry <= 65535.
void BlockSadRow16(const std::uint16_t *window, const std::uint16_t *previous, int stride, int halfWidth,
                   int halfHeight, int flushEvery, std::int32_t *sads);
void BlockSadRow32(const std::int32_t *window, const std::int32_t *previous, int stride, int halfWidth,
                   int halfHeight, std::int32_t *sads);

// The bitwise OR of count sums, and sums known to lie in 0..32767 copied to 16 bits.
std::uint32_t OrOf(const std::int32_t *sums, std::size_t count);
void Narrow(const std::int32_t *sums, int count, std::uint16_t *out);

namespace avx512 {
void AccumulateIntensityBlocks(const std::uint16_t *pixels, int width, int blockSize, int gridWidth,
                               int gridHeight, std::uint16_t *columns, std::int32_t *blockMap);
void BlockSadRow16(const std::uint16_t *window, const std::uint16_t *previous, int stride, int halfWidth,
                   int halfHeight, int flushEvery, std::int32_t *sads);
void BlockSadRow32(const std::int32_t *window, const std::int32_t *previous, int stride, int halfWidth,
                   int halfHeight, std::int32_t *sads);
} // namespace avx512

namespace portable {
void AccumulateIntensityBlocks(const std::uint16_t *pixels, int width, int blockSize, int gridWidth,
                               int gridHeight, std::uint16_t *columns, std::int32_t *blockMap);
void BlockSadRow16(const std::uint16_t *window, const std::uint16_t *previous, int stride, int halfWidth,
                   int halfHeight, int flushEvery, std::int32_t *sads);
void BlockSadRow32(const std::int32_t *window, const std::int32_t *previous, int stride, int halfWidth,
                   int halfHeight, std::int32_t *sads);
std::uint32_t OrOf(const std::int32_t *sums, std::size_t count);
void Narrow(const std::int32_t *sums, int count, std::uint16_t *out);
} // namespace portable

// Shared by the versions. floor(S / 3) is (8S x EighthThird) >> 16 (see block_accumulate.cpp).
constexpr int EighthThird = 2731;
// Column sums of one block row added into its block sums.
void ReduceColumns(const std::uint16_t *columns, int blockSize, int gridWidth, std::int32_t *out);
// Where to prefetch while row y is summed: a row well ahead, within the first usedRows.
const std::uint16_t *PrefetchRow(const std::uint16_t *pixels, int y, int width, int usedRows);
int ThirdOf(std::uint16_t pixel);
// How the 16-bit search cuts the window into runs of at most flushEvery differences that
// gather in a lane before it is widened: whole rows when they fit, else row pieces.
struct FlushSpan {
  int rows, cols;
};
inline FlushSpan SpanFor(int flushEvery, int halfWidth) {
  return flushEvery >= halfWidth ? FlushSpan{flushEvery / halfWidth, halfWidth} : FlushSpan{1, flushEvery};
}

} // namespace tracker_kernels
