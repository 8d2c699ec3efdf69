#include "motion/tracker_kernels.h"

#include <algorithm>
#include <immintrin.h>

// The search runs over dx in the vector lanes: one window entry, broadcast, is compared
// with the previous row at every candidate offset at once. Lanes past halfWidth read the
// caller's padding and are never stored beyond sads' slack.

namespace tracker_kernels {
namespace {

// Three vectors of 8 cover the 20 to 22 candidates of the usual grids in one pass.
constexpr int Lanes16 = 3;

void SadRow16Sse2(const std::uint16_t *window, const std::uint16_t *previous, int stride, int halfWidth,
                  int halfHeight, int flushEvery, std::int32_t *sads) {
  const __m128i zero = _mm_setzero_si128();
  const FlushSpan span = SpanFor(flushEvery, halfWidth);
  for (int dx0 = 0; dx0 < halfWidth; dx0 += 8 * Lanes16) {
    __m128i total[2 * Lanes16] = {zero, zero, zero, zero, zero, zero};
    for (int row0 = 0; row0 < halfHeight; row0 += span.rows) {
      for (int col0 = 0; col0 < halfWidth; col0 += span.cols) {
        __m128i part[Lanes16] = {zero, zero, zero};
        for (int row = row0, rowEnd = std::min(row0 + span.rows, halfHeight); row < rowEnd; ++row) {
          const std::uint16_t *w = window + row * stride;
          const std::uint16_t *p = previous + row * stride + dx0;
          for (int col = col0, colEnd = std::min(col0 + span.cols, halfWidth); col < colEnd; ++col) {
            const __m128i b = _mm_set1_epi16(static_cast<short>(w[col]));
            for (int k = 0; k < Lanes16; ++k) {
              const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + col + 8 * k));
              part[k] = _mm_add_epi16(part[k], _mm_sub_epi16(_mm_max_epi16(b, v), _mm_min_epi16(b, v)));
            }
          }
        }
        for (int k = 0; k < Lanes16; ++k) {
          total[2 * k] = _mm_add_epi32(total[2 * k], _mm_unpacklo_epi16(part[k], zero));
          total[2 * k + 1] = _mm_add_epi32(total[2 * k + 1], _mm_unpackhi_epi16(part[k], zero));
        }
      }
    }
    for (int k = 0; k < 2 * Lanes16; ++k)
      _mm_storeu_si128(reinterpret_cast<__m128i *>(sads + dx0 + 4 * k), total[k]);
  }
}

void SadRow32Sse2(const std::int32_t *window, const std::int32_t *previous, int stride, int halfWidth,
                  int halfHeight, std::int32_t *sads) {
  for (int dx0 = 0; dx0 < halfWidth; dx0 += 8) {
    __m128i total[2] = {_mm_setzero_si128(), _mm_setzero_si128()};
    for (int row = 0; row < halfHeight; ++row) {
      const std::int32_t *w = window + row * stride;
      const std::int32_t *p = previous + row * stride + dx0;
      for (int col = 0; col < halfWidth; ++col) {
        const __m128i b = _mm_set1_epi32(w[col]);
        for (int k = 0; k < 2; ++k) {
          const __m128i d =
              _mm_sub_epi32(b, _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + col + 4 * k)));
          const __m128i sign = _mm_srai_epi32(d, 31);
          total[k] = _mm_add_epi32(total[k], _mm_sub_epi32(_mm_xor_si128(d, sign), sign));
        }
      }
    }
    for (int k = 0; k < 2; ++k)
      _mm_storeu_si128(reinterpret_cast<__m128i *>(sads + dx0 + 4 * k), total[k]);
  }
}

// 16-bit lanes widen within each 128-bit half: lo holds dx 0-3 and 8-11, hi 4-7 and 12-15.
__attribute__((target("avx2"))) void SadRow16Avx2(const std::uint16_t *window, const std::uint16_t *previous,
                                                  int stride, int halfWidth, int halfHeight, int flushEvery,
                                                  std::int32_t *sads) {
  const __m256i zero = _mm256_setzero_si256();
  const FlushSpan span = SpanFor(flushEvery, halfWidth);
  for (int dx0 = 0; dx0 < halfWidth; dx0 += 32) {
    __m256i lo0 = zero, hi0 = zero, lo1 = zero, hi1 = zero;
    for (int row0 = 0; row0 < halfHeight; row0 += span.rows) {
      for (int col0 = 0; col0 < halfWidth; col0 += span.cols) {
        __m256i part0 = zero, part1 = zero;
        for (int row = row0, rowEnd = std::min(row0 + span.rows, halfHeight); row < rowEnd; ++row) {
          const std::uint16_t *w = window + row * stride;
          const std::uint16_t *p = previous + row * stride + dx0;
          for (int col = col0, colEnd = std::min(col0 + span.cols, halfWidth); col < colEnd; ++col) {
            const __m256i b = _mm256_set1_epi16(static_cast<short>(w[col]));
            const __m256i v0 = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p + col));
            const __m256i v1 = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p + col + 16));
            part0 = _mm256_add_epi16(part0, _mm256_abs_epi16(_mm256_sub_epi16(b, v0)));
            part1 = _mm256_add_epi16(part1, _mm256_abs_epi16(_mm256_sub_epi16(b, v1)));
          }
        }
        lo0 = _mm256_add_epi32(lo0, _mm256_unpacklo_epi16(part0, zero));
        hi0 = _mm256_add_epi32(hi0, _mm256_unpackhi_epi16(part0, zero));
        lo1 = _mm256_add_epi32(lo1, _mm256_unpacklo_epi16(part1, zero));
        hi1 = _mm256_add_epi32(hi1, _mm256_unpackhi_epi16(part1, zero));
      }
    }
    __m256i *out = reinterpret_cast<__m256i *>(sads + dx0);
    _mm256_storeu_si256(out, _mm256_permute2x128_si256(lo0, hi0, 0x20));
    _mm256_storeu_si256(out + 1, _mm256_permute2x128_si256(lo0, hi0, 0x31));
    _mm256_storeu_si256(out + 2, _mm256_permute2x128_si256(lo1, hi1, 0x20));
    _mm256_storeu_si256(out + 3, _mm256_permute2x128_si256(lo1, hi1, 0x31));
  }
}

__attribute__((target("avx2"))) void SadRow32Avx2(const std::int32_t *window, const std::int32_t *previous,
                                                  int stride, int halfWidth, int halfHeight,
                                                  std::int32_t *sads) {
  for (int dx0 = 0; dx0 < halfWidth; dx0 += 24) {
    __m256i t0 = _mm256_setzero_si256(), t1 = t0, t2 = t0;
    for (int row = 0; row < halfHeight; ++row) {
      const std::int32_t *w = window + row * stride;
      const std::int32_t *p = previous + row * stride + dx0;
      for (int col = 0; col < halfWidth; ++col) {
        const __m256i b = _mm256_set1_epi32(w[col]);
        const __m256i *q = reinterpret_cast<const __m256i *>(p + col);
        t0 = _mm256_add_epi32(t0, _mm256_abs_epi32(_mm256_sub_epi32(b, _mm256_loadu_si256(q))));
        t1 = _mm256_add_epi32(t1, _mm256_abs_epi32(_mm256_sub_epi32(b, _mm256_loadu_si256(q + 1))));
        t2 = _mm256_add_epi32(t2, _mm256_abs_epi32(_mm256_sub_epi32(b, _mm256_loadu_si256(q + 2))));
      }
    }
    __m256i *out = reinterpret_cast<__m256i *>(sads + dx0);
    _mm256_storeu_si256(out, t0);
    _mm256_storeu_si256(out + 1, t1);
    _mm256_storeu_si256(out + 2, t2);
  }
}

} // namespace

std::uint32_t OrOf(const std::int32_t *sums, std::size_t count) {
  __m128i bits = _mm_setzero_si128();
  std::size_t i = 0;
  for (; i + 4 <= count; i += 4)
    bits = _mm_or_si128(bits, _mm_loadu_si128(reinterpret_cast<const __m128i *>(sums + i)));
  bits = _mm_or_si128(bits, _mm_shuffle_epi32(bits, _MM_SHUFFLE(1, 0, 3, 2)));
  bits = _mm_or_si128(bits, _mm_shuffle_epi32(bits, _MM_SHUFFLE(2, 3, 0, 1)));
  std::uint32_t result = static_cast<std::uint32_t>(_mm_cvtsi128_si32(bits));
  for (; i < count; ++i)
    result |= static_cast<std::uint32_t>(sums[i]);
  return result;
}

void Narrow(const std::int32_t *sums, int count, std::uint16_t *out) {
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(sums + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(sums + i + 4));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), _mm_packs_epi32(a, b));
  }
  for (; i < count; ++i)
    out[i] = static_cast<std::uint16_t>(sums[i]);
}

void BlockSadRow16(const std::uint16_t *window, const std::uint16_t *previous, int stride, int halfWidth,
                   int halfHeight, int flushEvery, std::int32_t *sads) {
  switch (ActiveLevel()) {
  case Level::Avx512:
    return avx512::BlockSadRow16(window, previous, stride, halfWidth, halfHeight, flushEvery, sads);
  case Level::Avx2:
    return SadRow16Avx2(window, previous, stride, halfWidth, halfHeight, flushEvery, sads);
  case Level::Sse2:
    return SadRow16Sse2(window, previous, stride, halfWidth, halfHeight, flushEvery, sads);
  case Level::Portable:
    return portable::BlockSadRow16(window, previous, stride, halfWidth, halfHeight, flushEvery, sads);
  }
}

void BlockSadRow32(const std::int32_t *window, const std::int32_t *previous, int stride, int halfWidth,
                   int halfHeight, std::int32_t *sads) {
  switch (ActiveLevel()) {
  case Level::Avx512:
    return avx512::BlockSadRow32(window, previous, stride, halfWidth, halfHeight, sads);
  case Level::Avx2:
    return SadRow32Avx2(window, previous, stride, halfWidth, halfHeight, sads);
  case Level::Sse2:
    return SadRow32Sse2(window, previous, stride, halfWidth, halfHeight, sads);
  case Level::Portable:
    return portable::BlockSadRow32(window, previous, stride, halfWidth, halfHeight, sads);
  }
}

} // namespace tracker_kernels
