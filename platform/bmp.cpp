// BMP files to RGB565 surfaces. Every offset and size comes from the file, so each is checked
// against the buffer before it is used.

#include <cstdint>
#include <utility>

#include "platform/gdi_internal.h"

namespace {

constexpr long long kMaxSide = 16384;
constexpr long long kMaxPixels = 64LL * 1024 * 1024;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;

std::uint32_t Read16(const unsigned char *p) { return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8; }
std::uint32_t Read32(const unsigned char *p) { return Read16(p) | Read16(p + 2) << 16; }

} // namespace

bool DecodeBmp(const unsigned char *bytes, unsigned size, Surface *out) {
  if (!bytes || !out || size < 14 + 12 || bytes[0] != 'B' || bytes[1] != 'M')
    return false;
  const std::uint32_t dataOffset = Read32(bytes + 10);
  const unsigned char *info = bytes + 14;
  const std::uint32_t infoSize = Read32(info);
  if (infoSize > size - 14)
    return false;

  long long width, height;
  std::uint32_t bitCount, compression = kBiRgb;
  if (infoSize == 12) { // the old core header
    width = Read16(info + 4);
    height = std::int16_t(Read16(info + 6));
    bitCount = Read16(info + 10);
  } else if (infoSize >= 40) {
    width = std::int32_t(Read32(info + 4));
    height = std::int32_t(Read32(info + 8));
    bitCount = Read16(info + 14);
    compression = Read32(info + 16);
  } else {
    return false;
  }
  const bool topDown = height < 0;
  if (topDown)
    height = -height;
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide || width * height > kMaxPixels)
    return false;
  if (bitCount != 24 && bitCount != 32)
    return false;
  if (compression == kBiBitfields) {
    // Accepted only when the masks say plain 8-bit blue, green, red: what 32-bit writers emit.
    const unsigned long long masksAt = 14ULL + (infoSize >= 52 ? 40 : infoSize);
    if (bitCount != 32 || masksAt + 12 > size)
      return false;
    const unsigned char *masks = bytes + masksAt;
    if (Read32(masks) != 0x00FF0000u || Read32(masks + 4) != 0x0000FF00u || Read32(masks + 8) != 0x000000FFu)
      return false;
  } else if (compression != kBiRgb) {
    return false;
  }

  const long long bytesPerPixel = bitCount / 8;
  const long long stride = (width * bitCount + 31) / 32 * 4;
  // The last row needs only its pixels, not its padding.
  const long long needed = (long long)dataOffset + stride * (height - 1) + width * bytesPerPixel;
  if (dataOffset < 14 + infoSize || needed > (long long)size)
    return false;

  Surface decoded{int(width), int(height)};
  for (long long row = 0; row < height; ++row) {
    const unsigned char *in = bytes + dataOffset + stride * row;
    std::uint16_t *target = decoded.Row(int(topDown ? row : height - 1 - row));
    for (long long x = 0; x < width; ++x, in += bytesPerPixel)
      target[x] = ToRgb565(RGB(in[2], in[1], in[0]));
  }
  *out = std::move(decoded);
  return true;
}
