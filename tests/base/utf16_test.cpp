#include <gtest/gtest.h>

#include "base/utf16.h"

TEST(Utf16, ConvertsBothWaysAcrossThePlanes) {
  const std::u16string text = u"Podaj imię: Zoë 😀";
  const std::string utf8 = "Podaj imi\xC4\x99: Zo\xC3\xAB \xF0\x9F\x98\x80";
  EXPECT_EQ(Utf16ToUtf8(text), utf8);
  EXPECT_EQ(Utf8ToUtf16(utf8), text);
  EXPECT_EQ(Utf16ToCodePoints(text).back(), U'😀');
}

TEST(Utf16, BrokenInputBecomesReplacementCharacters) {
  const char16_t lone[] = {u'a', 0xDC00, 0xD800};
  EXPECT_EQ(Utf16ToUtf8(std::u16string_view(lone, 3)), "a\xEF\xBF\xBD\xEF\xBF\xBD");
  // A stray continuation byte, a sequence cut short, an encoded surrogate, a value past
  // U+10FFFF, and a lead byte no sequence starts with.
  EXPECT_EQ(Utf8ToUtf16("\x80"
                        "A\xE2\x82"
                        "B\xED\xA0\x80"
                        "C\xF4\x90\x80\x80"
                        "D\xFF"),
            u"\uFFFDA\uFFFDB\uFFFDC\uFFFDD\uFFFD");
  EXPECT_EQ(Utf8ToUtf16(std::string_view("a\0b", 3)), std::u16string(u"a\0b", 3));
}
