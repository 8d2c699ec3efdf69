#include "motion/tracker_kernels.h"

#include <atomic>
#include <cstring>
#include <immintrin.h>

namespace tracker_kernels {
namespace {

std::atomic<Level> levelLimit{Level::Avx512};

// floor(S / 3) for S up to 748 is (S x 21846) >> 16: the excess over S / 3 stays below
// 0.008, never enough to reach the next integer.
constexpr int ThirdMultiplier = 21846;

} // namespace

int ThirdOf(std::uint16_t p) {
  const int s = ((p >> 8) & 0xF8) + ((p >> 3) & 0xFC) + ((p << 3) & 0xF8);
  return (s * ThirdMultiplier) >> 16;
}

// Frames are read one row after the other, yet the hardware prefetcher alone leaves a cold
// frame several times slower than a plain read: rows about 16 KiB ahead are requested
// explicitly, one line at a time.
const std::uint16_t *PrefetchRow(const std::uint16_t *pixels, int y, int width, int usedRows) {
  const int ahead = width >= 1024 ? 8 : 8192 / width;
  return pixels + static_cast<std::size_t>(y + ahead < usedRows ? y + ahead : usedRows - 1) * width;
}

// The column sums stay below 32768 (blockSize <= 128), so the signed pairwise add of
// pmaddwd is exact.
void ReduceColumns(const std::uint16_t *columns, int blockSize, int gridWidth, std::int32_t *out) {
  const __m128i ones = _mm_set1_epi16(1);
  int b = 0;
  if (blockSize % 8 == 0) {
    for (; b < gridWidth; ++b) {
      const std::uint16_t *c = columns + b * blockSize;
      __m128i sum = _mm_setzero_si128();
      for (int k = 0; k < blockSize; k += 8)
        sum = _mm_add_epi32(sum,
                            _mm_madd_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(c + k)), ones));
      sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, _MM_SHUFFLE(1, 0, 3, 2)));
      sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, _MM_SHUFFLE(2, 3, 0, 1)));
      out[b] += _mm_cvtsi128_si32(sum);
    }
  } else if (blockSize == 4) {
    for (; b + 4 <= gridWidth; b += 4) {
      const __m128i v0 =
          _mm_madd_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(columns + b * 4)), ones);
      const __m128i v1 =
          _mm_madd_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(columns + b * 4 + 8)), ones);
      const __m128 f0 = _mm_castsi128_ps(v0), f1 = _mm_castsi128_ps(v1);
      const __m128i even = _mm_castps_si128(_mm_shuffle_ps(f0, f1, _MM_SHUFFLE(2, 0, 2, 0)));
      const __m128i odd = _mm_castps_si128(_mm_shuffle_ps(f0, f1, _MM_SHUFFLE(3, 1, 3, 1)));
      __m128i *target = reinterpret_cast<__m128i *>(out + b);
      _mm_storeu_si128(target, _mm_add_epi32(_mm_loadu_si128(target), _mm_add_epi32(even, odd)));
    }
  }
  for (; b < gridWidth; ++b) {
    std::int32_t sum = 0;
    for (int k = 0; k < blockSize; ++k)
      sum += columns[b * blockSize + k];
    out[b] += sum;
  }
}

namespace {

__m128i ThirdsSse2(__m128i p) {
  const __m128i rb = _mm_add_epi16(_mm_and_si128(_mm_srli_epi16(p, 8), _mm_set1_epi16(0xF8)),
                                   _mm_and_si128(_mm_slli_epi16(p, 3), _mm_set1_epi16(0xF8)));
  const __m128i s = _mm_add_epi16(rb, _mm_and_si128(_mm_srli_epi16(p, 3), _mm_set1_epi16(0xFC)));
  return _mm_mulhi_epu16(s, _mm_set1_epi16(ThirdMultiplier));
}

void AccumulateSse2(const std::uint16_t *pixels, int width, int blockSize, int gridWidth, int gridHeight,
                    std::uint16_t *columns, std::int32_t *blockMap) {
  const int used = gridWidth * blockSize;
  const int vectorEnd = used & ~7;
  for (int by = 0; by < gridHeight; ++by) {
    for (int y = by * blockSize; y < (by + 1) * blockSize; ++y) {
      const std::uint16_t *row = pixels + static_cast<std::size_t>(y) * width;
      const std::uint16_t *ahead = PrefetchRow(pixels, y, width, gridHeight * blockSize);
      for (int x = 0; x < vectorEnd; x += 8) {
        if ((x & 31) == 0)
          _mm_prefetch(reinterpret_cast<const char *>(ahead + x), _MM_HINT_T0);
        __m128i *target = reinterpret_cast<__m128i *>(columns + x);
        const __m128i thirds = ThirdsSse2(_mm_loadu_si128(reinterpret_cast<const __m128i *>(row + x)));
        _mm_storeu_si128(target, _mm_add_epi16(_mm_loadu_si128(target), thirds));
      }
      for (int x = vectorEnd; x < used; ++x)
        columns[x] = static_cast<std::uint16_t>(columns[x] + ThirdOf(row[x]));
    }
    ReduceColumns(columns, blockSize, gridWidth, blockMap + by * gridWidth);
    std::memset(columns, 0, sizeof(std::uint16_t) * used);
  }
}

// Eight times S in three operations: masked with 0xF81F, a pixel's high byte is R and its
// low byte the 5 blue bits, so one pmaddubsw with weights 8 and 64 gives 8R + 8B, and the
// green bits masked in place are 8G. floor(S / 3) is then (8S x 2731) >> 16, exact since
// the excess over S / 3 stays below S / 24576.
__attribute__((target("avx2"))) inline __m256i ThirdsAvx2(__m256i p) {
  const __m256i rb = _mm256_maddubs_epi16(_mm256_and_si256(p, _mm256_set1_epi16(static_cast<short>(0xF81F))),
                                          _mm256_set1_epi16(0x0840));
  const __m256i g = _mm256_and_si256(p, _mm256_set1_epi16(0x07E0));
  return _mm256_mulhi_epu16(_mm256_add_epi16(rb, g), _mm256_set1_epi16(EighthThird));
}

__attribute__((target("avx2"))) void AccumulateAvx2(const std::uint16_t *pixels, int width, int blockSize,
                                                    int gridWidth, int gridHeight, std::uint16_t *columns,
                                                    std::int32_t *blockMap) {
  const int used = gridWidth * blockSize;
  const int vectorEnd = used & ~15;
  for (int by = 0; by < gridHeight; ++by) {
    for (int y = by * blockSize; y < (by + 1) * blockSize; ++y) {
      const std::uint16_t *row = pixels + static_cast<std::size_t>(y) * width;
      const std::uint16_t *ahead = PrefetchRow(pixels, y, width, gridHeight * blockSize);
      for (int x = 0; x < vectorEnd; x += 16) {
        if ((x & 31) == 0)
          _mm_prefetch(reinterpret_cast<const char *>(ahead + x), _MM_HINT_T0);
        __m256i *target = reinterpret_cast<__m256i *>(columns + x);
        const __m256i thirds = ThirdsAvx2(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(row + x)));
        _mm256_storeu_si256(target, _mm256_add_epi16(_mm256_loadu_si256(target), thirds));
      }
      for (int x = vectorEnd; x < used; ++x)
        columns[x] = static_cast<std::uint16_t>(columns[x] + ThirdOf(row[x]));
    }
    ReduceColumns(columns, blockSize, gridWidth, blockMap + by * gridWidth);
    std::memset(columns, 0, sizeof(std::uint16_t) * used);
  }
}

} // namespace

Level ActiveLevel() {
  static const Level supported = __builtin_cpu_supports("avx512bw") ? Level::Avx512
                                 : __builtin_cpu_supports("avx2")   ? Level::Avx2
                                                                    : Level::Sse2;
  const Level limit = levelLimit.load(std::memory_order_relaxed);
  return supported < limit ? supported : limit;
}

void LimitLevel(Level highest) { levelLimit.store(highest, std::memory_order_relaxed); }

void AccumulateIntensityBlocks(const std::uint16_t *pixels, int width, int blockSize, int gridWidth,
                               int gridHeight, std::uint16_t *columns, std::int32_t *blockMap) {
  switch (ActiveLevel()) {
  case Level::Avx512:
    avx512::AccumulateIntensityBlocks(pixels, width, blockSize, gridWidth, gridHeight, columns, blockMap);
    break;
  case Level::Avx2:
    AccumulateAvx2(pixels, width, blockSize, gridWidth, gridHeight, columns, blockMap);
    break;
  case Level::Sse2:
    AccumulateSse2(pixels, width, blockSize, gridWidth, gridHeight, columns, blockMap);
    break;
  case Level::Portable:
    portable::AccumulateIntensityBlocks(pixels, width, blockSize, gridWidth, gridHeight, columns, blockMap);
    break;
  }
}

} // namespace tracker_kernels
