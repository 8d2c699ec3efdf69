#include "motion/tracker_kernels.h"

#include <algorithm>
#include <cstring>
#include <immintrin.h>

// The AVX-512 (BW) versions of the tracker kernels, the same loops as the AVX2 ones on
// twice the lanes. Only called when the processor reports avx512bw.

namespace tracker_kernels::avx512 {
namespace {

#define VEXMOOR_AVX512 __attribute__((target("avx512f,avx512bw")))

VEXMOOR_AVX512 inline __m512i Thirds(__m512i p) {
  const __m512i rb = _mm512_maddubs_epi16(_mm512_and_si512(p, _mm512_set1_epi16(static_cast<short>(0xF81F))),
                                          _mm512_set1_epi16(0x0840));
  const __m512i g = _mm512_and_si512(p, _mm512_set1_epi16(0x07E0));
  return _mm512_mulhi_epu16(_mm512_add_epi16(rb, g), _mm512_set1_epi16(EighthThird));
}

// The 32-bit lanes of a widened 16-bit vector, back in dx order: unpack works within each
// 128-bit quarter, so lo holds dx 0-3, 8-11, 16-19, 24-27 and hi the rest.
VEXMOOR_AVX512 inline void StoreWidened(__m512i lo, __m512i hi, std::int32_t *out) {
  const __m512i first = _mm512_setr_epi64(0, 1, 8, 9, 2, 3, 10, 11);
  const __m512i second = _mm512_setr_epi64(4, 5, 12, 13, 6, 7, 14, 15);
  _mm512_storeu_si512(out, _mm512_permutex2var_epi64(lo, first, hi));
  _mm512_storeu_si512(out + 16, _mm512_permutex2var_epi64(lo, second, hi));
}

} // namespace

VEXMOOR_AVX512 void AccumulateIntensityBlocks(const std::uint16_t *pixels, int width, int blockSize,
                                              int gridWidth, int gridHeight, std::uint16_t *columns,
                                              std::int32_t *blockMap) {
  const int used = gridWidth * blockSize;
  for (int by = 0; by < gridHeight; ++by) {
    for (int y = by * blockSize; y < (by + 1) * blockSize; ++y) {
      const std::uint16_t *row = pixels + static_cast<std::size_t>(y) * width;
      const std::uint16_t *ahead = PrefetchRow(pixels, y, width, gridHeight * blockSize);
      // The last columns go through a masked load and store; masked-off lanes touch no memory.
      for (int x = 0; x < used; x += 32) {
        const __mmask32 lanes = used - x >= 32 ? ~__mmask32{0} : (__mmask32{1} << (used - x)) - 1;
        _mm_prefetch(reinterpret_cast<const char *>(ahead + x), _MM_HINT_T0);
        const __m512i thirds = Thirds(_mm512_maskz_loadu_epi16(lanes, row + x));
        _mm512_mask_storeu_epi16(columns + x, lanes,
                                 _mm512_add_epi16(_mm512_maskz_loadu_epi16(lanes, columns + x), thirds));
      }
    }
    ReduceColumns(columns, blockSize, gridWidth, blockMap + by * gridWidth);
    std::memset(columns, 0, sizeof(std::uint16_t) * used);
  }
}

VEXMOOR_AVX512 void BlockSadRow16(const std::uint16_t *window, const std::uint16_t *previous, int stride,
                                  int halfWidth, int halfHeight, int flushEvery, std::int32_t *sads) {
  const __m512i zero = _mm512_setzero_si512();
  const FlushSpan span = SpanFor(flushEvery, halfWidth);
  for (int dx0 = 0; dx0 < halfWidth; dx0 += 32) {
    __m512i lo = zero, hi = zero;
    for (int row0 = 0; row0 < halfHeight; row0 += span.rows) {
      for (int col0 = 0; col0 < halfWidth; col0 += span.cols) {
        __m512i part = zero;
        for (int row = row0, rowEnd = std::min(row0 + span.rows, halfHeight); row < rowEnd; ++row) {
          const std::uint16_t *w = window + row * stride;
          const std::uint16_t *p = previous + row * stride + dx0;
          for (int col = col0, colEnd = std::min(col0 + span.cols, halfWidth); col < colEnd; ++col) {
            const __m512i d =
                _mm512_sub_epi16(_mm512_set1_epi16(static_cast<short>(w[col])), _mm512_loadu_si512(p + col));
            part = _mm512_add_epi16(part, _mm512_maskz_abs_epi16(~__mmask32{0}, d));
          }
        }
        lo = _mm512_add_epi32(lo, _mm512_unpacklo_epi16(part, zero));
        hi = _mm512_add_epi32(hi, _mm512_unpackhi_epi16(part, zero));
      }
    }
    StoreWidened(lo, hi, sads + dx0);
  }
}

VEXMOOR_AVX512 void BlockSadRow32(const std::int32_t *window, const std::int32_t *previous, int stride,
                                  int halfWidth, int halfHeight, std::int32_t *sads) {
  for (int dx0 = 0; dx0 < halfWidth; dx0 += 32) {
    __m512i t0 = _mm512_setzero_si512(), t1 = t0;
    for (int row = 0; row < halfHeight; ++row) {
      const std::int32_t *w = window + row * stride;
      const std::int32_t *p = previous + row * stride + dx0;
      for (int col = 0; col < halfWidth; ++col) {
        const __m512i b = _mm512_set1_epi32(w[col]);
        t0 = _mm512_add_epi32(
            t0, _mm512_maskz_abs_epi32(0xFFFF, _mm512_sub_epi32(b, _mm512_loadu_si512(p + col))));
        t1 = _mm512_add_epi32(
            t1, _mm512_maskz_abs_epi32(0xFFFF, _mm512_sub_epi32(b, _mm512_loadu_si512(p + col + 16))));
      }
    }
    _mm512_storeu_si512(sads + dx0, t0);
    _mm512_storeu_si512(sads + dx0 + 16, t1);
  }
}

} // namespace tracker_kernels::avx512
