#include "ui/game_text.h"

#include <algorithm>
#include <cmath>

#include "platform/gdi.h"

namespace {

// Beyond this the integer part no longer fits the conversion, and no game clock gets there.
constexpr double kLargestShown = 1e15;
constexpr int kMostDecimals = 9;

void AppendDigits(std::u16string &text, long long value, int minDigits) {
  char16_t digits[24];
  int count = 0;
  do {
    digits[count++] = char16_t(u'0' + value % 10);
    value /= 10;
  } while (value > 0 && count < 24);
  for (int i = count; i < minDigits; ++i)
    text.push_back(u'0');
  while (count > 0)
    text.push_back(digits[--count]);
}

} // namespace

HFONT SelectGameFont(HDC hdc, int height, int width, int weight, bool italic, const char16_t *face,
                     HFONT *previous) {
  LOGFONTW font;
  font.lfHeight = height;
  font.lfWidth = width;
  font.lfEscapement = 0;
  font.lfOrientation = 0;
  font.lfWeight = weight;
  font.lfItalic = italic ? 1 : 0;
  font.lfUnderline = 0;
  font.lfStrikeOut = 0;
  font.lfCharSet = DEFAULT_CHARSET;
  const int faceMax = int(sizeof(font.lfFaceName) / sizeof(font.lfFaceName[0]));
  for (int i = 0; face != nullptr && i < faceMax - 1 && face[i] != 0; ++i)
    font.lfFaceName[i] = face[i];
  font.lfFaceName[faceMax - 1] = 0;

  HFONT made = CreateFontIndirectW(&font);
  *previous = made != nullptr ? SelectObject(hdc, made) : nullptr;
  SetBkMode(hdc, TRANSPARENT);
  return made;
}

void ReleaseGameFont(HDC hdc, HFONT font, HFONT previous) {
  if (font == nullptr)
    return;
  if (previous != nullptr)
    SelectObject(hdc, previous);
  DeleteObject(font);
}

void TextAt(HDC hdc, int x, int y, const std::u16string &text) {
  ExtTextOutW(hdc, x, y, 0, nullptr, text.c_str(), std::uint32_t(text.size()), nullptr);
}

void FillBlack(HDC hdc, int width, int height) {
  HGDIOBJ previous = SelectObject(hdc, GetStockObject(BLACK_BRUSH));
  Rectangle(hdc, 0, 0, width, height);
  if (previous != nullptr)
    SelectObject(hdc, previous);
}

std::u16string FormatDecimal(double value, int decimals) {
  if (!std::isfinite(value))
    value = 0.0;
  const bool negative = value < 0.0;
  const double magnitude = std::min(std::fabs(value), kLargestShown);
  const long long whole = static_cast<long long>(magnitude);
  decimals = std::min(decimals, kMostDecimals);

  long long fraction = 0;
  if (decimals >= 1) {
    double rest = magnitude - double(whole);
    for (int i = 0; i < decimals; ++i)
      rest *= 10.0;
    fraction = static_cast<long long>(rest);
  }

  std::u16string text;
  if (negative && (whole != 0 || fraction != 0))
    text.push_back(u'-');
  AppendDigits(text, whole, 1);
  if (decimals >= 1) {
    text.push_back(u'.');
    // Padded, so that 3.05 with two decimals reads 3.05 and not 3.5.
    AppendDigits(text, fraction, decimals);
  }
  return text;
}
