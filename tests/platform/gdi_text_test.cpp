// Fonts by face name and text drawn where asked. Needs the Liberation fonts (fonts-liberation).

#include <gtest/gtest.h>

#include <vector>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/fonts.h"
#include "platform/gdi.h"
#include "platform/gdi_internal.h"

namespace {

constexpr COLORREF kYellow = RGB(250, 250, 150);
constexpr std::uint16_t kBlue = 0x001F;

HFONT MakeFont(const char16_t *face, int height, int width, int weight) {
  LOGFONTW lf;
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfWeight = weight;
  lf.lfCharSet = DEFAULT_CHARSET;
  std::memcpy(lf.lfFaceName, face, std::char_traits<char16_t>::length(face) * 2);
  return CreateFontIndirectW(&lf);
}

struct TextCanvas {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap;
  HFONT font;
  TextCanvas(int w, int h, HFONT f) : bitmap(CreateBitmap(w, h, 1, 16, nullptr)), font(f) {
    SelectObject(dc, bitmap);
    SelectObject(dc, font);
    Clear();
  }
  ~TextCanvas() {
    DeleteDC(dc);
    DeleteObject(bitmap);
    DeleteObject(font);
  }
  void Clear() {
    auto &p = BitmapSurface(bitmap)->pixels;
    std::fill(p.begin(), p.end(), kBlue);
  }
  const Surface &Pixels() { return *BitmapSurface(bitmap); }
  RECT Ink() { // the box of every changed pixel; empty when none
    RECT box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    const Surface &s = Pixels();
    for (int y = 0; y < s.height; ++y)
      for (int x = 0; x < s.width; ++x)
        if (s.Row(y)[x] != kBlue)
          box = RECT{std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                     std::max(box.bottom, y + 1)};
    return box;
  }
};

TEST(Fonts, WindowsFacesResolveToTheirMetricTwins) {
  FontMatch match;
  ASSERT_TRUE(MatchFontFile(u"Times New Roman", FW_BOLD, false, &match));
  EXPECT_EQ(match.family, "Liberation Serif");
  EXPECT_TRUE(match.bold);
  EXPECT_NE(match.file.find("Bold"), std::string::npos);
  ASSERT_TRUE(MatchFontFile(u"Courier New", FW_BOLD, false, &match));
  EXPECT_EQ(match.family, "Liberation Mono");
  ASSERT_TRUE(MatchFontFile(u"Times New Roman", FW_NORMAL, false, &match));
  EXPECT_FALSE(match.bold);
  // An unknown face still draws, with some face.
  ASSERT_TRUE(MatchFontFile(u"No Such Face 12345", FW_NORMAL, false, &match));
  EXPECT_FALSE(match.file.empty());
}

TEST(Fonts, CellHeightFollowsTheRequestAndWidthStretchesTheFace) {
  for (int height : {12, 18, 19, 20, 26, 40}) {
    HFONT font = MakeFont(u"Times New Roman", height, 0, FW_BOLD);
    TextCanvas c(4, 4, font);
    POINT size;
    ASSERT_TRUE(GetTextExtentPoint32W(c.dc, u"Ag", 2, &size));
    EXPECT_LE(size.y, height);
    EXPECT_GE(size.y, height - 1);
  }
  // The name-entry font: 18 high, every character 12 wide.
  TextCanvas mono(4, 4, MakeFont(u"Courier New", 18, 12, FW_BOLD));
  POINT size;
  ASSERT_TRUE(GetTextExtentPoint32W(mono.dc, u"Podaj imię:", 11, &size));
  EXPECT_EQ(size.x, 11 * 12);
  ASSERT_TRUE(GetTextExtentPoint32W(mono.dc, u"iiiiMMMM_", 9, &size));
  EXPECT_EQ(size.x, 9 * 12);
  EXPECT_LE(size.y, 18);
  EXPECT_GE(size.y, 17);
}

TEST(Text, DrawnInTheTextColourInsideItsCellAndNowhereElse) {
  TextCanvas c(240, 80, MakeFont(u"Times New Roman", 26, 0, FW_BOLD));
  SetTextColor(c.dc, kYellow);
  SetBkMode(c.dc, TRANSPARENT);
  POINT size;
  ASSERT_TRUE(GetTextExtentPoint32W(c.dc, u"Game Over", 9, &size));
  ASSERT_TRUE(ExtTextOutW(c.dc, 70, 27, 0, nullptr, u"Game Over", 9, nullptr));
  RECT ink = c.Ink();
  EXPECT_GE(ink.left, 70);
  EXPECT_LE(ink.left, 72);
  EXPECT_GE(ink.top, 27);
  EXPECT_LE(ink.right, 70 + size.x);
  EXPECT_GE(ink.right, 70 + size.x - 3);
  EXPECT_LE(ink.bottom, 27 + size.y);
  int solid = 0;
  for (std::uint16_t p : c.Pixels().pixels)
    solid += p == ToRgb565(kYellow);
  EXPECT_GT(solid, 100); // bold strokes are fully covered

  // Opaque mode fills the whole cell with the background colour first.
  c.Clear();
  SetBkMode(c.dc, OPAQUE);
  SetBkColor(c.dc, RGB(0, 0, 0));
  ASSERT_TRUE(ExtTextOutW(c.dc, 10, 5, 0, nullptr, u"Game Over", 9, nullptr));
  ink = c.Ink();
  EXPECT_EQ(ink.left, 10);
  EXPECT_EQ(ink.top, 5);
  EXPECT_EQ(ink.right, 10 + size.x);
  EXPECT_EQ(ink.bottom, 5 + size.y);
  EXPECT_EQ(c.Pixels().Row(5)[10], 0);
}

TEST(Text, GlyphsReachingOutOfTheCellKeepThePenWhereAsked) {
  TextCanvas a(120, 60, MakeFont(u"Times New Roman", 19, 0, FW_BOLD));
  TextCanvas b(120, 60, MakeFont(u"Times New Roman", 19, 0, FW_BOLD));
  SetBkMode(a.dc, TRANSPARENT);
  SetBkMode(b.dc, TRANSPARENT);
  // Accents above, a descender below: the T shares its baseline and place with a lone T.
  ASSERT_TRUE(ExtTextOutW(a.dc, 20, 20, 0, nullptr, u"T", 1, nullptr));
  ASSERT_TRUE(ExtTextOutW(b.dc, 20, 20, 0, nullptr, u"T\u01FAj", 3, nullptr));
  POINT t;
  GetTextExtentPoint32W(a.dc, u"T", 1, &t);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 20 + t.x - 2; ++x)
      ASSERT_EQ(a.Pixels().Row(y)[x], b.Pixels().Row(y)[x]) << x << "," << y;
  // A 'j' leans left of its pen by its left bearing.
  a.Clear();
  ASSERT_TRUE(ExtTextOutW(a.dc, 20, 20, 0, nullptr, u"j", 1, nullptr));
  EXPECT_EQ(a.Ink().left, 19); // Liberation Serif Bold's j: left bearing -1 at this size
}

TEST(Text, ClippedAtTheEdgesAndSafeWithOddText) {
  TextCanvas c(30, 12, MakeFont(u"Times New Roman", 19, 0, FW_BOLD));
  SetTextColor(c.dc, kYellow);
  for (POINT at : {POINT{-15, -8}, POINT{25, 8}, POINT{-100000, 5}, POINT{INT32_MAX - 5, INT32_MIN}})
    EXPECT_TRUE(ExtTextOutW(c.dc, at.x, at.y, 0, nullptr, u"Starve:12.5", 11, nullptr));
  const char16_t odd[] = {u'a', 0xD800, u'b', 0xDC00, 0, 0xD83D, 0xDE00};
  EXPECT_TRUE(ExtTextOutW(c.dc, 0, 0, 0, nullptr, odd, 7, nullptr));
  EXPECT_TRUE(ExtTextOutW(c.dc, 0, 0, 0, nullptr, u"", 0, nullptr));
  EXPECT_FALSE(ExtTextOutW(c.dc, 0, 0, 0, nullptr, nullptr, 3, nullptr));
  EXPECT_FALSE(ExtTextOutW(nullptr, 0, 0, 0, nullptr, u"x", 1, nullptr));
  // Absurd sizes are held to something drawable.
  TextCanvas huge(8, 8, MakeFont(u"Courier New", 1 << 30, 1 << 30, FW_BOLD));
  EXPECT_TRUE(ExtTextOutW(huge.dc, 0, 0, 0, nullptr, u"W", 1, nullptr));
}

TEST(Text, Utf16BecomesUtf8WithReplacementForLoneSurrogates) {
  EXPECT_EQ(Utf16ToUtf8(u"Podaj imię:"), "Podaj imi\xC4\x99:");
  const char16_t pair[] = {0xD83D, 0xDE00};
  EXPECT_EQ(Utf16ToUtf8(std::u16string_view(pair, 2)), "\xF0\x9F\x98\x80");
  const char16_t lone[] = {u'a', 0xDC00, 0xD800};
  EXPECT_EQ(Utf16ToUtf8(std::u16string_view(lone, 3)), "a\xEF\xBF\xBD\xEF\xBF\xBD");
}

} // namespace

namespace {

// Liberation Serif, which stands in for Times New Roman, has no replacement character: a
// lone surrogate is then shown as '?', not as the face's empty missing-glyph box.
TEST(Text, LoneSurrogateIsShownAsAQuestionMarkWhereTheFaceLacksTheReplacement) {
  TextCanvas c(120, 40, MakeFont(u"Times New Roman", 19, 0, FW_BOLD));
  SetTextColor(c.dc, kYellow);
  SetBkMode(c.dc, TRANSPARENT);
  const char16_t lone[] = {u'A', char16_t(0xD800), u'B'};
  ASSERT_TRUE(ExtTextOutW(c.dc, 2, 2, 0, nullptr, lone, 3, nullptr));
  std::vector<std::uint16_t> shown = c.Pixels().pixels;
  c.Clear();
  ASSERT_TRUE(ExtTextOutW(c.dc, 2, 2, 0, nullptr, u"A?B", 3, nullptr));
  EXPECT_EQ(shown, c.Pixels().pixels);
}

} // namespace
