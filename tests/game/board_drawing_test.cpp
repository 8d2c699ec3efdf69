#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "game/hud.h"
#include "game/snake_board.h"
#include "platform/gdi.h"
#include "platform/gdi_internal.h"
#include "platform/resources.h"
#include "resources/embedded_bitmaps.h"

int GdiObjectCount();

namespace {

using Cells = std::vector<std::pair<int, int>>;

constexpr int kW = 240;
constexpr int kH = 268;
constexpr int kIds[17] = {146, 147, 139, 145, 149, 150, 148, 141, 140,
                          144, 153, 151, 143, 152, 142, 154, 155};
constexpr int kFood = 14, kHedge = 15, kGrass = 16;

// A colour of its own for each sprite, exact in RGB565 and never white or black.
COLORREF SpriteColour(int k) { return RGB(std::uint8_t(8 * (k + 1)), std::uint8_t(4 * (k + 20)), 64); }

// A 24-bit BMP: the left half in the colour, the right half white (transparent), unless solid.
std::vector<unsigned char> MakeBmp(int side, COLORREF colour, bool solid) {
  const int stride = (side * 3 + 3) & ~3;
  const int size = 54 + stride * side;
  std::vector<unsigned char> b(size, 0);
  auto put32 = [&](int at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
      b[at + i] = std::uint8_t(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, size);
  put32(10, 54);
  put32(14, 40);
  put32(18, side);
  put32(22, side);
  b[26] = 1;
  b[28] = 24;
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      const COLORREF c = solid || x < side / 2 ? colour : 0xFFFFFF;
      unsigned char *p = &b[54 + y * stride + x * 3];
      p[0] = GetBValue(c);
      p[1] = GetGValue(c);
      p[2] = GetRValue(c);
    }
  }
  return b;
}

class BoardDrawingTest : public ::testing::Test {
protected:
  GameSettings settings;
  std::vector<std::vector<unsigned char>> files;
  ResourceTable table;
  HINSTANCE module = nullptr;
  HBITMAP frame = nullptr;
  HDC dc = nullptr;

  void SetUp() override {
    for (int k = 0; k < 17; ++k)
      files.push_back(MakeBmp(k == kHedge ? 110 : 16, SpriteColour(k), k == kGrass || k == kHedge));
    for (int k = 0; k < 17; ++k)
      table.bitmaps.push_back({kIds[k], files[k].data(), unsigned(files[k].size())});
    module = CreateModule(&table);
    frame = CreateBitmap(kW, kH, 1, 16, nullptr);
    dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, frame);
  }
  void TearDown() override {
    DeleteDC(dc);
    DeleteObject(frame);
    DestroyModule(module);
  }

  void Prepare(SnakeBoard &board, const Cells &cells) {
    board.LoadSprites(module);
    board.boardRect = RECT{0, 20, kW, kH};
    board.length = int(cells.size());
    for (int i = 0; i < board.length; ++i) {
      board.bodyX[i] = cells[i].first;
      board.bodyY[i] = cells[i].second;
    }
    board.foodX = board.foodY = 19;
  }

  std::uint16_t Pixel(int x, int y) { return BitmapSurface(frame)->Row(y)[x]; }
  static std::uint16_t Colour(int k) { return ToRgb565(SpriteColour(k)); }
  // The pixel that shows a cell's sprite (its left, coloured half) on the 12 x 12 grid.
  std::uint16_t CellPixel(int column, int row, int dx = 2) {
    return Pixel(column * 12 + dx, 20 + row * 12 + 6);
  }
};

TEST_F(BoardDrawingTest, GrassCoversTheBoardAndTheHedgeHasItsSquare) {
  SnakeBoard board(&settings);
  Prepare(board, {{2, 1}, {1, 1}});
  board.level = 4;
  FillBlack(dc, kW, kH);
  board.DrawFrame(dc, 0, 0, false);

  const std::uint16_t grass = Colour(kGrass), hedge = Colour(kHedge);
  EXPECT_EQ(Pixel(5, 19), 0); // the strip above is left alone
  EXPECT_EQ(Pixel(0, 20), 0); // the pen outlines the board
  EXPECT_EQ(Pixel(239, 267), 0);
  EXPECT_EQ(Pixel(1, 21), grass);
  EXPECT_EQ(Pixel(238, 266), grass);
  EXPECT_EQ(Pixel(5, 263), grass); // below the last whole row of cells
  EXPECT_EQ(Pixel(60, 80), hedge);
  EXPECT_EQ(Pixel(179, 199), hedge);
  EXPECT_EQ(Pixel(59, 100), grass);
  EXPECT_EQ(Pixel(100, 79), grass);
  EXPECT_EQ(Pixel(180, 100), grass);
  EXPECT_EQ(Pixel(100, 200), grass);

  board.level = 3;
  board.DrawFrame(dc, 0, 0, false);
  EXPECT_EQ(Pixel(100, 100), grass);
}

TEST_F(BoardDrawingTest, SpritesFollowBendsAcrossBothSeams) {
  SnakeBoard board(&settings);
  struct Case {
    Cells cells;
    std::vector<int> slots;
  };
  const Case cases[] = {
      // Heading right, the head has just wrapped to column 0: no corner, no head facing left.
      {{{0, 5}, {19, 5}, {18, 5}, {18, 6}, {18, 7}},
       {HeadRight, StraightHorizontal, CornerDownRight, StraightVertical, TailBodyAbove}},
      // Heading up through the top edge.
      {{{3, 19}, {3, 0}, {3, 1}}, {HeadUp, StraightVertical, TailBodyAbove}},
      // Heading left through the left edge, tail behind on the right.
      {{{19, 4}, {0, 4}, {1, 4}}, {HeadLeft, StraightHorizontal, TailBodyLeft}},
      // Heading down through the bottom edge.
      {{{7, 0}, {7, 19}, {7, 18}}, {HeadDown, StraightVertical, TailBodyBelow}},
      // Round the corner of the board, crossing both seams at once.
      {{{0, 0}, {19, 0}, {19, 19}, {18, 19}}, {HeadRight, CornerUpRight, CornerLeftDown, TailBodyRight}},
      // The four corners without any wrap, each from both sides.
      {{{5, 4}, {5, 5}, {6, 5}}, {HeadUp, CornerUpRight, TailBodyLeft}},
      {{{6, 5}, {5, 5}, {5, 4}}, {HeadRight, CornerUpRight, TailBodyBelow}},
      {{{5, 4}, {5, 5}, {4, 5}}, {HeadUp, CornerUpLeft, TailBodyRight}},
      {{{4, 5}, {5, 5}, {5, 6}}, {HeadLeft, CornerLeftDown, TailBodyAbove}},
      {{{5, 6}, {5, 5}, {6, 5}}, {HeadDown, CornerDownRight, TailBodyLeft}},
  };
  for (const Case &c : cases) {
    Prepare(board, c.cells);
    board.UnwrapForDrawing();
    for (int i = 0; i < board.length; ++i)
      EXPECT_EQ(board.SegmentSprite(i), c.slots[i])
          << "segment " << i << " of a snake at " << c.cells[0].first << "," << c.cells[0].second;
  }
}

TEST_F(BoardDrawingTest, FrameDrawsEachSegmentAtItsWrappedCellWithWhiteTransparent) {
  SnakeBoard board(&settings);
  Prepare(board, {{0, 5}, {19, 5}, {18, 5}, {18, 6}, {18, 7}});
  board.foodX = 18;
  board.foodY = 7; // on the tail
  FillBlack(dc, kW, kH);
  board.DrawFrame(dc, 0, 0, false);

  EXPECT_EQ(CellPixel(0, 5), Colour(HeadRight));
  EXPECT_EQ(CellPixel(19, 5), Colour(StraightHorizontal));
  EXPECT_EQ(CellPixel(18, 5), Colour(CornerDownRight));
  EXPECT_EQ(CellPixel(18, 6), Colour(StraightVertical));
  EXPECT_EQ(CellPixel(18, 7), Colour(kFood));
  EXPECT_EQ(CellPixel(19, 5, 9), Colour(kGrass)); // the white half lets the grass through
}

TEST_F(BoardDrawingTest, StepsOnlyWhenRunningAndAskedThenDrawsTheNewPosition) {
  SnakeBoard board(&settings);
  Prepare(board, {{4, 0}, {3, 0}, {2, 0}});
  board.foodX = 6;
  board.foodY = 0;
  EXPECT_EQ(board.DrawFrame(dc, 20, 0, true), Moved);
  EXPECT_EQ(board.bodyX[0], 4);
  board.Start();
  EXPECT_EQ(board.DrawFrame(dc, 20, 0, false), Moved);
  EXPECT_EQ(board.bodyX[0], 4);
  EXPECT_EQ(board.DrawFrame(dc, 20, 0, true), Moved);
  EXPECT_EQ(CellPixel(5, 0), Colour(HeadRight));
  EXPECT_EQ(board.DrawFrame(dc, 20, 0, true), Ate);
  EXPECT_EQ(board.bodyX[0], 6);
}

TEST_F(BoardDrawingTest, BannerShowsForOneFrameOnly) {
  SnakeBoard board(&settings);
  Prepare(board, {{4, 0}, {3, 0}});
  board.ShowBanner(u"Better background needed");
  EXPECT_EQ(board.bannerX, 3);
  EXPECT_EQ(board.bannerY, kH - 30);
  EXPECT_EQ(board.bannerHeight, 20);
  EXPECT_EQ(board.bannerColour, 0xFFFFFFu);

  auto whiteInBanner = [&] {
    int count = 0;
    for (int y = kH - 30; y < kH - 5; ++y)
      for (int x = 3; x < 200; ++x)
        count += Pixel(x, y) == 0xFFFF;
    return count;
  };
  board.DrawFrame(dc, 0, 0, false);
  EXPECT_GT(whiteInBanner(), 50);
  EXPECT_FALSE(board.bannerPending);
  board.DrawFrame(dc, 0, 0, false);
  EXPECT_EQ(whiteInBanner(), 0);

  // A long text is cut to 99 units and stays terminated.
  std::u16string longText(300, u'x');
  board.ShowBanner(longText.c_str());
  EXPECT_EQ(std::u16string(board.bannerText), longText.substr(0, 99));
}

TEST_F(BoardDrawingTest, AFrameLeavesNoObjectBehind) {
  SnakeBoard board(&settings);
  Prepare(board, {{4, 0}, {3, 0}, {2, 0}});
  board.level = 4;
  board.Start();
  board.DrawFrame(dc, 0, 0, true);
  const int before = GdiObjectCount();
  for (int i = 0; i < 5; ++i) {
    board.ShowBanner(u"Better background needed");
    board.DrawFrame(dc, 0, 0, true);
    float starve = -1.0f;
    DrawHud(dc, kW, 20, 3, 1.5f, 4, &starve);
    DrawGameOver(dc, kW, kH);
  }
  EXPECT_EQ(GdiObjectCount(), before);
  // Loading again replaces the sprites instead of adding to them.
  board.LoadSprites(module);
  EXPECT_EQ(GdiObjectCount(), before);
}

TEST_F(BoardDrawingTest, TheProgramsOwnSpritesAllLoadAtTheirSizes) {
  ResourceTable own;
  for (int i = 0; i < kEmbeddedBitmapCount; ++i)
    own.bitmaps.push_back({kEmbeddedBitmaps[i].id, kEmbeddedBitmaps[i].bytes, kEmbeddedBitmaps[i].size});
  HINSTANCE program = CreateModule(&own);
  SnakeBoard board(&settings);
  board.LoadSprites(program);
  auto side = [](HBITMAP b) {
    BITMAP info;
    return GetObjectW(b, int(sizeof info), &info) ? std::make_pair(info.bmWidth, info.bmHeight)
                                                  : std::make_pair(0, 0);
  };
  for (HBITMAP sprite : board.segmentSprites)
    EXPECT_EQ(side(sprite), std::make_pair(16, 16));
  EXPECT_EQ(side(board.foodSprite), std::make_pair(16, 16));
  EXPECT_EQ(side(board.grassTile), std::make_pair(16, 16));
  EXPECT_EQ(side(board.hedgeSprite), std::make_pair(110, 110));
  board.LoadSprites(nullptr);
  DestroyModule(program);
}

} // namespace
