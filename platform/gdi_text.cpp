// Text on RGB565 surfaces: the font's coverage blended in the context's text colour.

#include <algorithm>
#include <string_view>

#include "platform/fonts.h"
#include "platform/gdi_objects.h"

namespace {

std::uint8_t Expand5(unsigned v) { return std::uint8_t((v << 3) | (v >> 2)); }
std::uint8_t Expand6(unsigned v) { return std::uint8_t((v << 2) | (v >> 4)); }

std::uint8_t Mix(unsigned from, unsigned to, unsigned alpha) {
  return std::uint8_t((from * (255 - alpha) + to * alpha + 127) / 255);
}

void BlendMask(Surface &s, const TextMask &mask, long long left, long long top, COLORREF colour) {
  const std::uint16_t solid = ToRgb565(colour);
  const unsigned r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
  const long long x0 = std::max(0LL, -left), x1 = std::min<long long>(mask.width, s.width - left);
  const long long y0 = std::max(0LL, -top), y1 = std::min<long long>(mask.height, s.height - top);
  for (long long y = y0; y < y1; ++y) {
    const std::size_t row = std::size_t(y) * std::size_t(mask.width);
    const std::uint8_t *coverage = mask.alpha.data() + row;
    const std::uint32_t *own = mask.colour.empty() ? nullptr : mask.colour.data() + row;
    std::uint16_t *out = s.Row(int(top + y));
    for (long long x = x0; x < x1; ++x) {
      const unsigned a = coverage[x];
      if (a == 0)
        continue;
      std::uint16_t &pixel = out[left + x];
      // A colour glyph (an emoji) keeps its own colours; the rest takes the text colour.
      const std::uint32_t c = own ? own[x] : 0;
      const unsigned cr = c ? (c >> 16) & 255 : r, cg = c ? (c >> 8) & 255 : g, cb = c ? c & 255 : b;
      if (a == 255) {
        pixel = c ? ToRgb565(RGB(std::uint8_t(cr), std::uint8_t(cg), std::uint8_t(cb))) : solid;
        continue;
      }
      const std::uint16_t p = pixel;
      pixel = ToRgb565(
          RGB(Mix(Expand5(p >> 11), cr, a), Mix(Expand6((p >> 5) & 63), cg, a), Mix(Expand5(p & 31), cb, a)));
    }
  }
}

} // namespace

FontFace *FaceOf(Font *font) {
  if (!font)
    return nullptr;
  if (!font->resolved) {
    font->face = OpenFontFace(font->logFont);
    font->resolved = true;
  }
  return font->face;
}

bool ExtTextOutW(HDC handle, int x, int y, std::uint32_t, const RECT *, const char16_t *text,
                 std::uint32_t count, const int *) {
  DeviceContext *dc = LiveDC(handle);
  Surface *s = TargetOf(dc);
  if (!s || (!text && count > 0))
    return false;
  FontFace *face = FaceOf(dc->font);
  if (!face)
    return false;
  std::u16string_view view(text ? text : u"", text ? count : 0);
  if (dc->backMode == OPAQUE) {
    int width = 0, height = 0;
    if (MeasureText(face, view, &width, &height)) {
      const std::uint16_t fill = ToRgb565(dc->backColour);
      const long long x1 = std::min<long long>((long long)x + width, s->width);
      const long long y1 = std::min<long long>((long long)y + height, s->height);
      for (long long row = std::max(y, 0); row < y1; ++row)
        std::fill(s->Row(int(row)) + std::max(x, 0),
                  s->Row(int(row)) + std::max<long long>(x1, std::max(x, 0)), fill);
    }
  }
  const TextMask *mask = RenderText(face, view);
  if (!mask)
    return false;
  BlendMask(*s, *mask, (long long)x - mask->originX, (long long)y - mask->originY, dc->textColour);
  return true;
}

bool GetTextExtentPoint32W(HDC handle, const char16_t *text, int count, POINT *size) {
  DeviceContext *dc = LiveDC(handle);
  if (!dc || !size || count < 0 || (!text && count > 0))
    return false;
  int width = 0, height = 0;
  if (!MeasureText(FaceOf(dc->font), std::u16string_view(text ? text : u"", text ? count : 0), &width,
                   &height))
    return false;
  size->x = width;
  size->y = height;
  return true;
}
