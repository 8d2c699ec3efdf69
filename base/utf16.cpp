#include "base/utf16.h"

std::u32string Utf16ToCodePoints(std::u16string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      out.push_back(0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00));
      ++i;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      out.push_back(0xFFFD);
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::string CodePointsToUtf8(std::u32string_view points) {
  std::string out;
  out.reserve(points.size());
  for (char32_t c : points) {
    if (c < 0x80) {
      out.push_back(char(c));
    } else if (c < 0x800) {
      out.push_back(char(0xC0 | (c >> 6)));
      out.push_back(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(char(0xE0 | (c >> 12)));
      out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(char(0x80 | (c & 0x3F)));
    } else {
      out.push_back(char(0xF0 | (c >> 18)));
      out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(char(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) { return CodePointsToUtf8(Utf16ToCodePoints(text)); }

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i++]);
    char32_t c;
    int extra;
    if (lead < 0x80) {
      c = lead, extra = 0;
    } else if ((lead & 0xE0) == 0xC0) {
      c = lead & 0x1F, extra = 1;
    } else if ((lead & 0xF0) == 0xE0) {
      c = lead & 0x0F, extra = 2;
    } else if ((lead & 0xF8) == 0xF0) {
      c = lead & 0x07, extra = 3;
    } else {
      out.push_back(u'\uFFFD');
      continue;
    }
    for (; extra > 0 && i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80; --extra, ++i)
      c = (c << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
    if (extra > 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      out.push_back(u'\uFFFD');
    } else if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(char16_t(0xD800 + (c >> 10)));
      out.push_back(char16_t(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(char16_t(c));
    }
  }
  return out;
}
