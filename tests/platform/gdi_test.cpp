// The drawing layer where the golden pictures (tests/golden/) do not reach: clipping of any
// coordinates, copies against a model, bad handles, object lifetimes, odd text and fallback
// glyphs (the Liberation fonts and an emoji font, fonts-noto-color-emoji).

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "platform/gdi.h"
#include "platform/gdi_internal.h"

namespace {

constexpr std::uint16_t kBlue = 0x001F, kWhite = 0xFFFF, kBlack = 0;
constexpr COLORREF kYellow = RGB(250, 250, 150);

// A memory context drawing on a bitmap of its own, filled with one colour; frees both, and the font
// it was given.
struct Canvas {
  HDC dc;
  HBITMAP bitmap;
  HFONT font;
  Canvas(int w, int h, std::uint16_t fill = kBlue, HFONT f = nullptr)
      : dc(CreateCompatibleDC(nullptr)), bitmap(CreateBitmap(w, h, 1, 16, nullptr)), font(f) {
    SelectObject(dc, bitmap);
    SelectObject(dc, font); // a null font is refused, harmlessly
    Fill(fill);
  }
  ~Canvas() {
    DeleteDC(dc);
    DeleteObject(bitmap);
    DeleteObject(font);
  }
  Surface &Pixels() { return *BitmapSurface(bitmap); }
  void Fill(std::uint16_t colour) { std::fill(Pixels().pixels.begin(), Pixels().pixels.end(), colour); }
  std::uint16_t At(int x, int y) { return Pixels().Row(y)[x]; }
};

HFONT Font(const char16_t *face, int height, int width = 0) {
  LOGFONTW lf{.lfHeight = height, .lfWidth = width, .lfWeight = FW_BOLD, .lfCharSet = DEFAULT_CHARSET};
  std::memcpy(lf.lfFaceName, face, std::char_traits<char16_t>::length(face) * 2);
  return CreateFontIndirectW(&lf);
}

// A bitmap whose pixel (x, y) holds a colour made from its position, so each copy is traceable.
HBITMAP Numbered(int w, int h) {
  std::vector<std::uint16_t> bits;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      bits.push_back(std::uint16_t(0x100 + y * 64 + x));
  return CreateBitmap(w, h, 1, 16, bits.data());
}

// The plain model of a nearest-neighbour stretch: each destination pixel inside the target takes
// the source pixel under its centre, if that lies inside the source.
Surface ModelStretch(Surface dst, const Surface &src, int x, int y, int w, int h, int xs, int ys, int ws,
                     int hs, bool keyed) {
  // Only destination pixels that can land inside the target are visited (widths may be huge).
  for (long long j = std::max(0LL, -(long long)y); j < h && y + j < dst.height; ++j)
    for (long long i = std::max(0LL, -(long long)x); i < w && x + i < dst.width; ++i) {
      long long sx = xs + (2LL * i + 1) * ws / (2LL * w), sy = ys + (2LL * j + 1) * hs / (2LL * h);
      if (sx >= 0 && sy >= 0 && sx < src.width && sy < src.height &&
          (!keyed || src.Row(int(sy))[sx] != kWhite))
        dst.Row(int(y + j))[x + i] = src.Row(int(sy))[sx];
    }
  return dst;
}

class Gdi : public ::testing::Test {
protected:
  void SetUp() override { before = GdiObjectCount(); }
  void TearDown() override {
    EXPECT_EQ(GdiObjectCount(), before) << "objects leaked by the test or the code";
  }
  int before = 0;
};

TEST_F(Gdi, FillsClipToTheSurfaceWhateverTheCoordinates) {
  Canvas c(5, 4);
  ASSERT_TRUE(Rectangle(c.dc, -3, -2, 2, 3)); // its right and bottom edges show in black
  EXPECT_EQ((std::vector{c.At(1, 0), c.At(0, 2), c.At(0, 0), c.At(2, 0)}),
            (std::vector<std::uint16_t>{kBlack, kBlack, kWhite, kBlue}));
  EXPECT_TRUE(Rectangle(c.dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX));
  EXPECT_EQ(c.At(2, 2), kWhite);
  EXPECT_TRUE(Rectangle(c.dc, 100, 100, 200, 200) && Rectangle(c.dc, -200, -200, -100, -100));
  RECT far{INT_MIN, 3, INT_MAX, INT_MAX};
  EXPECT_TRUE(FillRect(c.dc, &far, (HBRUSH)GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(std::pair(c.At(4, 3), c.At(4, 2)), std::pair(kBlack, kWhite));
}

TEST_F(Gdi, CopiesAndStretchesMatchTheNearestNeighbourModel) {
  HBITMAP source = Numbered(16, 16);
  std::vector<std::uint16_t> &bits = BitmapSurface(source)->pixels;
  for (std::size_t i = 0; i < bits.size(); i += 5)
    bits[i] = kWhite;                     // the key: skipped when keyed
  bits[1] = ToRgb565(RGB(240, 255, 255)); // just off the key: drawn
  HDC src = CreateCompatibleDC(nullptr);
  SelectObject(src, source);
  struct Case {
    int x, y, w, h, xs, ys, ws, hs;
  } cases[] = {{2, 3, 16, 16, 0, 0, 16, 16},
               {-5, -7, 16, 16, 0, 0, 16, 16},
               {20, 10, 16, 16, 0, 0, 16, 16},
               {4, 4, 10, 10, -3, -2, 10, 10},
               {1, 1, 12, 12, 0, 0, 16, 16},
               {-4, 25, 12, 12, 0, 0, 16, 16},
               {0, 0, 32, 32, 0, 0, 16, 16},
               {3, -1, 30, 7, 8, 8, 16, 16},
               {5, 5, 7, 9, 15, 15, 4, 4},
               {0, 0, 1, 1, 0, 0, 16, 16},
               {INT_MIN / 2, 0, INT_MAX, 8, 0, 0, 16, 16}};
  for (const Case &k : cases) {
    for (bool keyed : {false, true}) {
      Canvas c(30, 28);
      Surface expected =
          ModelStretch(c.Pixels(), *BitmapSurface(source), k.x, k.y, k.w, k.h, k.xs, k.ys, k.ws, k.hs, keyed);
      if (keyed)
        ASSERT_TRUE(
            TransparentImage(c.dc, k.x, k.y, k.w, k.h, src, k.xs, k.ys, k.ws, k.hs, RGB(250, 254, 251)));
      else if (k.w == k.ws && k.h == k.hs)
        ASSERT_TRUE(BitBlt(c.dc, k.x, k.y, k.w, k.h, src, k.xs, k.ys, SRCCOPY));
      else
        ASSERT_TRUE(StretchBlt(c.dc, k.x, k.y, k.w, k.h, src, k.xs, k.ys, k.ws, k.hs, SRCCOPY));
      EXPECT_EQ(c.Pixels().pixels, expected.pixels) << k.x << "," << k.y << " " << k.w << "x" << k.h;
    }
  }
  // A copy within one surface reads the original, whichever way the areas overlap.
  for (int d : {1, -1}) {
    Surface expected =
        ModelStretch(*BitmapSurface(source), *BitmapSurface(source), d, d, 16, 16, 0, 0, 16, 16, false);
    ASSERT_TRUE(BitBlt(src, d, d, 16, 16, src, 0, 0, SRCCOPY));
    EXPECT_EQ(BitmapSurface(source)->pixels, expected.pixels) << d;
  }
  DeleteDC(src);
  DeleteObject(source);
}

TEST_F(Gdi, BadHandlesAndArgumentsAreRefusedWithoutHarm) {
  Canvas c(4, 4);
  EXPECT_FALSE(BitBlt(c.dc, 0, 0, 4, 4, nullptr, 0, 0, SRCCOPY));
  EXPECT_FALSE(BitBlt(nullptr, 0, 0, 4, 4, c.dc, 0, 0, SRCCOPY));
  EXPECT_FALSE(BitBlt(c.dc, 0, 0, 4, 4, c.dc, 0, 0, 0x00EE0086)); // only plain copies
  EXPECT_FALSE(StretchBlt(c.dc, 0, 0, -4, 4, c.dc, 0, 0, 4, 4, SRCCOPY));
  EXPECT_FALSE(Rectangle(nullptr, 0, 0, 1, 1));
  EXPECT_FALSE(FillRect(c.dc, nullptr, (HBRUSH)GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(SelectObject(c.dc, HGDIOBJ(nullptr)), nullptr);
  EXPECT_FALSE(DeleteObject(HGDIOBJ(nullptr)));
  EXPECT_EQ(GetObjectW(HGDIOBJ(nullptr), 0, nullptr), 0);
  EXPECT_EQ(CreatePatternBrush(nullptr), nullptr);
  EXPECT_EQ(CreateFontIndirectW(nullptr), nullptr);
  EXPECT_EQ(CreateSurfaceDC(nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(0, 5, 1, 16, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(-3, 5, 1, 16, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(1 << 20, 1 << 20, 1, 16, nullptr), nullptr);
  // A handle of the wrong kind, or one already deleted, is not followed.
  HBRUSH brush = CreateSolidBrush(0);
  EXPECT_EQ(BitmapSurface(reinterpret_cast<HBITMAP>(brush)), nullptr);
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_FALSE(DeleteObject(brush));
  EXPECT_EQ(SelectObject(c.dc, brush), nullptr);
  EXPECT_FALSE(FillRect(c.dc, &(const RECT &)RECT{0, 0, 4, 4}, brush));
  HDC gone = CreateCompatibleDC(nullptr);
  DeleteDC(gone);
  EXPECT_FALSE(DeleteDC(gone));
  EXPECT_FALSE(Rectangle(gone, 0, 0, 1, 1));
}

TEST_F(Gdi, DeletingSelectedOrStockObjectsLeavesNothingDangling) {
  // Stock objects survive deletion.
  EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH)));
  Canvas c(4, 4);
  RECT all{0, 0, 4, 4};
  EXPECT_TRUE(FillRect(c.dc, &all, (HBRUSH)GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(c.At(3, 3), kBlack);

  // A deleted bitmap that is still selected keeps being the target until it is let go.
  const int count = GdiObjectCount();
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateBitmap(3, 3, 1, 16, nullptr);
  SelectObject(dc, bitmap);
  HBRUSH brush = CreateSolidBrush(RGB(255, 0, 0));
  SelectObject(dc, brush);
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_EQ(BitmapSurface(bitmap), nullptr); // gone for callers
  EXPECT_TRUE(Rectangle(dc, 0, 0, 3, 3));    // still safe to draw
  EXPECT_EQ(GdiObjectCount(), count + 3);
  SelectObject(dc, GetStockObject(WHITE_BRUSH)); // letting go of the brush frees it
  EXPECT_EQ(GdiObjectCount(), count + 2);
  DeleteDC(dc);
  EXPECT_EQ(GdiObjectCount(), count);

  // One bitmap is drawn on through one context at a time, and never through a window's context.
  HBITMAP shared = CreateBitmap(2, 2, 1, 24, nullptr);
  EXPECT_EQ(BitmapSurface(shared)->pixels,
            std::vector<std::uint16_t>(4, kBlack)); // new ones are black RGB565
  HDC first = CreateCompatibleDC(nullptr), second = CreateCompatibleDC(nullptr);
  EXPECT_NE(SelectObject(first, shared), nullptr);
  EXPECT_EQ(SelectObject(second, shared), nullptr);
  Surface window(4, 4);
  HDC windowDC = CreateSurfaceDC(&window);
  EXPECT_EQ(SelectObject(windowDC, shared), nullptr);
  DeleteDC(first);
  EXPECT_NE(SelectObject(second, shared), nullptr);
  DeleteDC(second);
  DeleteDC(windowDC);
  DeleteObject(shared);
}

TEST_F(Gdi, TextIsClippedAtTheEdgesAndSafeWithOddText) {
  Canvas c(30, 12, kBlue, Font(u"Times New Roman", 19));
  SetTextColor(c.dc, kYellow);
  for (POINT at : {POINT{-15, -8}, POINT{25, 8}, POINT{-100000, 5}, POINT{INT32_MAX - 5, INT32_MIN}})
    EXPECT_TRUE(ExtTextOutW(c.dc, at.x, at.y, 0, nullptr, u"Starve:12.5", 11, nullptr));
  const char16_t odd[] = {u'a', 0xD800, u'b', 0xDC00, 0, 0xD83D, 0xDE00};
  EXPECT_TRUE(ExtTextOutW(c.dc, 0, 0, 0, nullptr, odd, 7, nullptr) &&
              ExtTextOutW(c.dc, 0, 0, 0, nullptr, u"", 0, nullptr));
  EXPECT_FALSE(ExtTextOutW(c.dc, 0, 0, 0, nullptr, nullptr, 3, nullptr) ||
               ExtTextOutW(nullptr, 0, 0, 0, nullptr, u"x", 1, nullptr));
  // Absurd sizes are held to something drawable.
  Canvas huge(8, 8, kBlue, Font(u"Courier New", 1 << 30, 1 << 30));
  EXPECT_TRUE(ExtTextOutW(huge.dc, 0, 0, 0, nullptr, u"W", 1, nullptr));
}

// A character no font has and an unpaired surrogate show one and the same replacement (the
// colour emoji that fallback fonts draw are in the golden name entry, tests/golden/).
TEST_F(Gdi, CharactersNoFontHasShowOneReplacement) {
  Canvas c(120, 24, kBlack, Font(u"Courier New", 18, 12));
  auto drawn = [&](std::u16string text) {
    c.Fill(kBlack);
    EXPECT_TRUE(ExtTextOutW(c.dc, 2, 2, 0, nullptr, text.data(), std::uint32_t(text.size()), nullptr));
    return c.Pixels().pixels;
  };
  const auto unknown = drawn(std::u16string{u'A', char16_t(0xDBFF), char16_t(0xDFFD), u'B'}); // U+10FFFD
  EXPECT_EQ(drawn(std::u16string{u'A', char16_t(0xD800), u'B'}), unknown);
  EXPECT_NE(drawn(u"A?B"), unknown);
  EXPECT_NE(drawn(u"AB"), unknown);
}

} // namespace
