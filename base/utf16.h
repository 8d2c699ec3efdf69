#pragma once
// UTF-16, the program's text, to and from UTF-8 and code points, for the libraries that
// speak UTF-8 (SDL, fontconfig, GStreamer). Standard library only; used by every layer.

#include <string>
#include <string_view>

constexpr bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
constexpr bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// An unpaired surrogate becomes U+FFFD.
std::u32string Utf16ToCodePoints(std::u16string_view text);
std::string CodePointsToUtf8(std::u32string_view points);
std::string Utf16ToUtf8(std::u16string_view text);
// A byte that does not start or continue a sequence, a sequence cut short and a value past
// U+10FFFF each become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
