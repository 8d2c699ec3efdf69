#pragma once
// An RGB565 pixel surface: what bitmaps, window contents and the composed screen are.
// Internal to platform/.

#include <cstdint>
#include <vector>

#include "platform/types.h"

struct Surface {
  int width = 0;
  int height = 0;
  std::vector<std::uint16_t> pixels; // row-major, top row first, no padding

  Surface() = default;
  Surface(int w, int h) { Resize(w, h); }
  void Resize(int w, int h) {
    width = w > 0 ? w : 0;
    height = h > 0 ? h : 0;
    pixels.assign(std::size_t(width) * std::size_t(height), 0);
  }
  std::uint16_t *Row(int y) { return pixels.data() + std::size_t(y) * std::size_t(width); }
  const std::uint16_t *Row(int y) const { return pixels.data() + std::size_t(y) * std::size_t(width); }
};

// 8-bit channels to and from RGB565, as a 16-bit screen shows them.
constexpr std::uint16_t ToRgb565(COLORREF c) {
  return std::uint16_t(((GetRValue(c) >> 3) << 11) | ((GetGValue(c) >> 2) << 5) | (GetBValue(c) >> 3));
}
constexpr COLORREF FromRgb565(std::uint16_t p) {
  return RGB(std::uint8_t(((p >> 11) & 31) << 3), std::uint8_t(((p >> 5) & 63) << 2),
             std::uint8_t((p & 31) << 3));
}
