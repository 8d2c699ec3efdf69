// Fills, copies, clipping and object lifetimes of the drawing layer, checked pixel by pixel.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "platform/gdi.h"
#include "platform/gdi_internal.h"

namespace {

constexpr std::uint16_t kRed = 0xF800, kGreen = 0x07E0, kBlue = 0x001F, kWhite = 0xFFFF, kBlack = 0;

// A memory context drawing on a bitmap of its own, filled with one colour; frees both.
struct Canvas {
  HDC dc;
  HBITMAP bitmap;
  Canvas(int w, int h, std::uint16_t fill = kBlue)
      : dc(CreateCompatibleDC(nullptr)), bitmap(CreateBitmap(w, h, 1, 16, nullptr)) {
    SelectObject(dc, bitmap);
    std::fill(Pixels().pixels.begin(), Pixels().pixels.end(), fill);
  }
  ~Canvas() {
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  Surface &Pixels() { return *BitmapSurface(bitmap); }
  std::uint16_t At(int x, int y) { return Pixels().Row(y)[x]; }
};

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
      long long dx = x + i, dy = y + j;
      long long sx = xs + (2LL * i + 1) * ws / (2LL * w), sy = ys + (2LL * j + 1) * hs / (2LL * h);
      if (dx < 0 || dy < 0 || dx >= dst.width || dy >= dst.height || sx < 0 || sy < 0 || sx >= src.width ||
          sy >= src.height)
        continue;
      std::uint16_t p = src.Row(int(sy))[sx];
      if (!keyed || p != kWhite)
        dst.Row(int(dy))[dx] = p;
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

TEST_F(Gdi, BitmapsAreBlackRgb565WhateverTheDepthAsked) {
  for (unsigned bpp : {1u, 16u, 24u, 32u}) {
    HBITMAP bitmap = CreateBitmap(7, 5, 1, bpp, nullptr);
    ASSERT_NE(bitmap, nullptr);
    BITMAP info;
    ASSERT_EQ(GetObjectW(bitmap, sizeof info, &info), int(sizeof info));
    EXPECT_EQ(info.bmWidth, 7);
    EXPECT_EQ(info.bmHeight, 5);
    EXPECT_EQ(info.bmBitsPixel, 16);
    EXPECT_EQ(info.bmWidthBytes, 14);
    for (std::uint16_t p : BitmapSurface(bitmap)->pixels)
      EXPECT_EQ(p, 0);
    DeleteObject(bitmap);
  }
  EXPECT_EQ(CreateBitmap(0, 5, 1, 16, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(-3, 5, 1, 16, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(1 << 20, 1 << 20, 1, 16, nullptr), nullptr);
}

TEST_F(Gdi, RectangleOutlinesWithThePenAndFillsWithTheBrush) {
  Canvas c(8, 6);
  // A fresh context: black pen, white brush.
  ASSERT_TRUE(Rectangle(c.dc, 1, 1, 6, 5));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) {
      bool inside = x >= 1 && x < 6 && y >= 1 && y < 5;
      bool border = inside && (x == 1 || x == 5 || y == 1 || y == 4);
      EXPECT_EQ(c.At(x, y), !inside ? kBlue : border ? kBlack : kWhite) << x << "," << y;
    }
  // No pen: the brush covers the whole rectangle; coordinates given the wrong way round are turned.
  SelectObject(c.dc, GetStockObject(NULL_PEN));
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  HBRUSH old = SelectObject(c.dc, red);
  EXPECT_EQ((HGDIOBJ)old, GetStockObject(WHITE_BRUSH));
  ASSERT_TRUE(Rectangle(c.dc, 3, 3, 0, 0));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(c.At(x, y), kRed);
  EXPECT_EQ(c.At(3, 3), kWhite);
  SelectObject(c.dc, old);
  DeleteObject(red);
}

TEST_F(Gdi, PatternBrushTilesFromTheOriginAndOwnsItsPattern) {
  HBITMAP tile = Numbered(3, 2);
  HBRUSH pattern = CreatePatternBrush(tile);
  DeleteObject(tile); // the brush keeps a copy
  Canvas c(16, 12);
  SelectObject(c.dc, pattern);
  SelectObject(c.dc, GetStockObject(NULL_PEN));
  ASSERT_TRUE(Rectangle(c.dc, 4, 3, 14, 11));
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 16; ++x) {
      bool inside = x >= 4 && x < 14 && y >= 3 && y < 11;
      EXPECT_EQ(c.At(x, y), inside ? 0x100 + (y % 2) * 64 + x % 3 : kBlue) << x << "," << y;
    }
  // With the default pen the board's outline is black and the tiling stays anchored.
  SelectObject(c.dc, GetStockObject(BLACK_PEN));
  ASSERT_TRUE(Rectangle(c.dc, 0, 0, 16, 12));
  EXPECT_EQ(c.At(0, 5), kBlack);
  EXPECT_EQ(c.At(15, 11), kBlack);
  EXPECT_EQ(c.At(1, 1), 0x100 + 64 + 1);
  EXPECT_EQ(c.At(14, 10), 0x100 + 0 + 2);
  RECT r{5, 5, 7, 6};
  ASSERT_TRUE(FillRect(c.dc, &r, pattern));
  EXPECT_EQ(c.At(5, 5), 0x100 + 64 + 2);
  SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(pattern);
}

TEST_F(Gdi, FillsClipToTheSurfaceWhateverTheCoordinates) {
  Canvas c(5, 4);
  ASSERT_TRUE(Rectangle(c.dc, -3, -2, 2, 3));
  EXPECT_EQ(c.At(1, 0), kBlack); // right edge of the outline
  EXPECT_EQ(c.At(0, 2), kBlack); // bottom edge
  EXPECT_EQ(c.At(0, 0), kWhite);
  EXPECT_EQ(c.At(2, 0), kBlue);
  EXPECT_TRUE(Rectangle(c.dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX));
  EXPECT_EQ(c.At(2, 2), kWhite);
  EXPECT_TRUE(Rectangle(c.dc, 100, 100, 200, 200));
  EXPECT_TRUE(Rectangle(c.dc, -200, -200, -100, -100));
  RECT far{INT_MIN, 3, INT_MAX, INT_MAX};
  EXPECT_TRUE(FillRect(c.dc, &far, (HBRUSH)GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(c.At(4, 3), kBlack);
  EXPECT_EQ(c.At(4, 2), kWhite);
}

TEST_F(Gdi, CopiesAndStretchesMatchTheNearestNeighbourModelAtEveryEdge) {
  HBITMAP source = Numbered(16, 16);
  HDC src = CreateCompatibleDC(nullptr);
  SelectObject(src, source);
  struct Case {
    int x, y, w, h, xs, ys, ws, hs;
  } cases[] = {
      {2, 3, 16, 16, 0, 0, 16, 16},
      {-5, -7, 16, 16, 0, 0, 16, 16},
      {20, 10, 16, 16, 0, 0, 16, 16},
      {4, 4, 10, 10, -3, -2, 10, 10},
      {1, 1, 12, 12, 0, 0, 16, 16},
      {-4, 25, 12, 12, 0, 0, 16, 16},
      {0, 0, 32, 32, 0, 0, 16, 16},
      {3, -1, 30, 7, 8, 8, 16, 16},
      {5, 5, 7, 9, 15, 15, 4, 4},
      {0, 0, 1, 1, 0, 0, 16, 16},
      {INT_MIN / 2, 0, INT_MAX, 8, 0, 0, 16, 16},
  };
  for (const Case &k : cases) {
    for (bool keyed : {false, true}) {
      Canvas c(30, 28);
      Surface expected =
          ModelStretch(c.Pixels(), *BitmapSurface(source), k.x, k.y, k.w, k.h, k.xs, k.ys, k.ws, k.hs, keyed);
      if (keyed)
        ASSERT_TRUE(
            TransparentImage(c.dc, k.x, k.y, k.w, k.h, src, k.xs, k.ys, k.ws, k.hs, RGB(255, 255, 255)));
      else if (k.w == k.ws && k.h == k.hs)
        ASSERT_TRUE(BitBlt(c.dc, k.x, k.y, k.w, k.h, src, k.xs, k.ys, SRCCOPY));
      else
        ASSERT_TRUE(StretchBlt(c.dc, k.x, k.y, k.w, k.h, src, k.xs, k.ys, k.ws, k.hs, SRCCOPY));
      EXPECT_EQ(c.Pixels().pixels, expected.pixels) << k.x << "," << k.y << " " << k.w << "x" << k.h;
    }
  }
  DeleteDC(src);
  DeleteObject(source);
}

TEST_F(Gdi, TransparentImageSkipsTheKeyAsA16BitScreenSeesIt) {
  // A sprite of white, near-white (the same on a 16-bit screen) and a colour just off it.
  const std::uint16_t nearWhite = ToRgb565(RGB(250, 254, 251));
  const std::uint16_t offWhite = ToRgb565(RGB(240, 255, 255));
  ASSERT_EQ(nearWhite, kWhite);
  std::vector<std::uint16_t> bits(16 * 16, kWhite);
  for (int i = 0; i < 16; ++i)
    bits[std::size_t(i) * 16 + i] = kRed; // a diagonal on a white ground
  bits[15] = offWhite;
  HBITMAP sprite = CreateBitmap(16, 16, 1, 16, bits.data());
  HDC src = CreateCompatibleDC(nullptr);
  SelectObject(src, sprite);
  Canvas c(24, 24, kGreen);
  ASSERT_TRUE(TransparentImage(c.dc, 12, 0, 12, 12, src, 0, 0, 16, 16, RGB(255, 255, 255)));
  int red = 0, green = 0, other = 0;
  for (int y = 0; y < 12; ++y)
    for (int x = 12; x < 24; ++x)
      (c.At(x, y) == kRed ? red : c.At(x, y) == kGreen ? green : other)++;
  EXPECT_EQ(red, 12); // the diagonal survives the stretch to 12 x 12
  EXPECT_EQ(other, 1);
  EXPECT_EQ(c.At(23, 0), offWhite);
  EXPECT_EQ(c.At(0, 0), kGreen); // nothing outside the destination
  DeleteDC(src);
  DeleteObject(sprite);
}

TEST_F(Gdi, CopyWithinOneSurfaceReadsTheOriginal) {
  HBITMAP numbered = Numbered(8, 8);
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, numbered);
  Surface before = *BitmapSurface(numbered);
  ASSERT_TRUE(BitBlt(dc, 1, 1, 6, 6, dc, 0, 0, SRCCOPY));
  for (int y = 1; y < 7; ++y)
    for (int x = 1; x < 7; ++x)
      EXPECT_EQ(BitmapSurface(numbered)->Row(y)[x], before.Row(y - 1)[x - 1]);
  DeleteDC(dc);
  DeleteObject(numbered);
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
  HBITMAP shared = CreateBitmap(2, 2, 1, 16, nullptr);
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

TEST_F(Gdi, SurfaceContextsDrawOntoTheSurfaceTheyWereGiven) {
  Surface window(6, 4);
  HDC dc = CreateSurfaceDC(&window);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(CreateSurfaceDC(nullptr), nullptr);
  RECT r{1, 1, 3, 2};
  FillRect(dc, &r, (HBRUSH)GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(window.Row(1)[1], kWhite);
  EXPECT_EQ(window.Row(1)[3], 0);
  Canvas c(6, 4);
  ASSERT_TRUE(BitBlt(c.dc, 0, 0, 6, 4, dc, 0, 0, SRCCOPY));
  EXPECT_EQ(c.At(2, 1), kWhite);
  DeleteDC(dc);
}

} // namespace
