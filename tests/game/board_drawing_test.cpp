// Drawing of one frame: grass, hedge, snake sprites, banner, head-up texts and "Game Over", checked
// pixel by pixel against sprites and texts the test draws itself.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "game/hud.h"
#include "game/snake_board.h"
#include "platform/gdi.h"
#include "platform/gdi_internal.h"
#include "platform/resources.h"
#include "resources/embedded_bitmaps.h"
#include "ui/game_text.h"

namespace {

using Cells = std::vector<std::pair<int, int>>;

constexpr int kW = 240, kH = 268;
constexpr int kIds[17] = {146, 147, 139, 145, 149, 150, 148, 141, 140,
                          144, 153, 151, 143, 152, 142, 154, 155};
constexpr int kFood = 14, kHedge = 15, kGrass = 16;

// A colour of its own for each sprite, exact in RGB565 and never white or black.
COLORREF SpriteColour(int k) { return RGB(std::uint8_t(8 * (k + 1)), std::uint8_t(4 * (k + 20)), 64); }

// A 24-bit BMP: the left half in the colour, the right half white (transparent), unless solid.
std::vector<unsigned char> MakeBmp(int side, COLORREF colour, bool solid) {
  const int stride = (side * 3 + 3) & ~3, size = 54 + stride * side;
  std::vector<unsigned char> b(size, 0);
  b[0] = 'B', b[1] = 'M';
  // File size, pixel offset, header size, width, height, planes, bits per pixel.
  const std::pair<int, int> fields[] = {{2, size},  {10, 54}, {14, 40}, {18, side},
                                        {22, side}, {26, 1},  {28, 24}};
  for (auto [at, value] : fields)
    for (int i = 0; i < 4; ++i)
      b[at + i] = std::uint8_t(value >> (8 * i));
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      const COLORREF c = solid || x < side / 2 ? colour : 0xFFFFFF;
      unsigned char *p = &b[54 + y * stride + x * 3];
      p[0] = GetBValue(c), p[1] = GetGValue(c), p[2] = GetRValue(c);
    }
  return b;
}

class BoardDrawingTest : public ::testing::Test {
protected:
  GameSettings settings;
  std::vector<std::vector<unsigned char>> files;
  ResourceTable table;
  HINSTANCE module = nullptr;
  HBITMAP frame = CreateBitmap(kW, kH, 1, 16, nullptr), expected = CreateBitmap(kW, kH, 1, 16, nullptr);
  HDC dc = CreateCompatibleDC(nullptr), expectedDc = CreateCompatibleDC(nullptr);

  void SetUp() override {
    for (int k = 0; k < 17; ++k)
      files.push_back(MakeBmp(k == kHedge ? 110 : 16, SpriteColour(k), k == kGrass || k == kHedge));
    for (int k = 0; k < 17; ++k)
      table.bitmaps.push_back({kIds[k], files[k].data(), unsigned(files[k].size())});
    module = CreateModule(&table);
    SelectObject(dc, frame);
    SelectObject(expectedDc, expected);
  }
  void TearDown() override {
    DeleteDC(dc);
    DeleteDC(expectedDc);
    DeleteObject(frame);
    DeleteObject(expected);
    DestroyModule(module);
  }

  void Prepare(SnakeBoard &board, const Cells &cells) {
    board.LoadSprites(module);
    board.boardRect = RECT{0, 20, kW, kH};
    board.length = int(cells.size());
    for (int i = 0; i < board.length; ++i)
      std::tie(board.bodyX[i], board.bodyY[i]) = cells[i];
    board.foodX = board.foodY = 19;
  }

  std::uint16_t Pixel(int x, int y, HBITMAP b = nullptr) { return BitmapSurface(b ? b : frame)->Row(y)[x]; }
  // Writes bold Times New Roman text the plain way into the expected frame.
  void ExpectText(int x, int y, int height, const std::u16string &text) {
    LOGFONTW font{.lfHeight = height, .lfWeight = FW_BOLD, .lfCharSet = DEFAULT_CHARSET};
    std::u16string(u"Times New Roman").copy(font.lfFaceName, 15);
    HFONT made = CreateFontIndirectW(&font);
    HFONT old = SelectObject(expectedDc, made);
    SetBkMode(expectedDc, TRANSPARENT);
    SetTextColor(expectedDc, 0x96FAFA);
    ExtTextOutW(expectedDc, x, y, 0, nullptr, text.c_str(), std::uint32_t(text.size()), nullptr);
    SelectObject(expectedDc, old);
    DeleteObject(made);
  }
  // Compares the whole frame with the expected one, which must show something.
  void ExpectFrameAsExpected() {
    int lit = 0, differing = 0;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        lit += Pixel(x, y, expected) != 0;
        differing += Pixel(x, y) != Pixel(x, y, expected);
      }
    EXPECT_GT(lit, 10);
    EXPECT_EQ(differing, 0);
  }
  static std::uint16_t Colour(int k) { return ToRgb565(SpriteColour(k)); }
  // The pixel that shows a cell's sprite (its left, coloured half) on the 12 x 12 grid.
  std::uint16_t CellPixel(int column, int row, int dx = 2) {
    return Pixel(column * 12 + dx, 20 + row * 12 + 6);
  }
};

TEST_F(BoardDrawingTest, FrameDrawsGrassHedgeAndEachSegmentAtItsWrappedCell) {
  SnakeBoard board(&settings);
  Prepare(board, {{0, 5}, {19, 5}, {18, 5}, {18, 6}, {18, 7}});
  board.foodX = 18, board.foodY = 7; // on the tail
  board.level = 4;
  FillBlack(dc, kW, kH);
  board.DrawFrame(dc, 0, 0, false);

  EXPECT_EQ(CellPixel(0, 5), Colour(HeadRight));
  EXPECT_EQ(CellPixel(19, 5), Colour(StraightHorizontal));
  EXPECT_EQ(CellPixel(18, 5), Colour(CornerDownRight));
  EXPECT_EQ(CellPixel(18, 6), Colour(StraightVertical));
  EXPECT_EQ(CellPixel(18, 7), Colour(kFood));
  EXPECT_EQ(CellPixel(19, 5, 9), Colour(kGrass)); // the white half lets the grass through

  // Black: the strip above the board and the pen's outline. Grass: inside the outline, below
  // the last whole row of cells, and just outside the hedge's square (60..179, 80..199).
  const std::uint16_t grass = Colour(kGrass), hedge = Colour(kHedge);
  const struct {
    int x, y;
    std::uint16_t want;
  } points[] = {{5, 19, 0},        {0, 20, 0},       {239, 267, 0},     {1, 21, grass},
                {238, 266, grass}, {5, 263, grass},  {60, 80, hedge},   {179, 199, hedge},
                {59, 100, grass},  {100, 79, grass}, {180, 100, grass}, {100, 200, grass}};
  for (const auto &p : points)
    EXPECT_EQ(Pixel(p.x, p.y), p.want) << "at " << p.x << "," << p.y;

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
      // Through the top, left and bottom edges, then round the board's corner across both seams.
      {{{3, 19}, {3, 0}, {3, 1}}, {HeadUp, StraightVertical, TailBodyAbove}},
      {{{19, 4}, {0, 4}, {1, 4}}, {HeadLeft, StraightHorizontal, TailBodyLeft}},
      {{{7, 0}, {7, 19}, {7, 18}}, {HeadDown, StraightVertical, TailBodyBelow}},
      {{{0, 0}, {19, 0}, {19, 19}, {18, 19}}, {HeadRight, CornerUpRight, CornerLeftDown, TailBodyRight}},
      // The four corners without any wrap, one of them from both sides.
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

TEST_F(BoardDrawingTest, StepsOnlyWhenRunningAndAskedThenDrawsTheNewPosition) {
  SnakeBoard board(&settings);
  Prepare(board, {{4, 0}, {3, 0}, {2, 0}});
  EXPECT_EQ(board.DrawFrame(dc, 20, 0, true), Moved);
  EXPECT_EQ(board.bodyX[0], 4);
  board.Start();
  EXPECT_EQ(board.DrawFrame(dc, 20, 0, false), Moved);
  EXPECT_EQ(board.bodyX[0], 4);
  EXPECT_EQ(board.DrawFrame(dc, 20, 0, true), Moved);
  EXPECT_EQ(CellPixel(5, 0), Colour(HeadRight));
}

TEST_F(BoardDrawingTest, BannerShowsForOneFrameOnlyAndLongTextIsCut) {
  SnakeBoard board(&settings);
  Prepare(board, {{4, 0}, {3, 0}});
  auto whiteInBanner = [&] {
    int count = 0;
    for (int y = kH - 30; y < kH - 5; ++y)
      for (int x = 3; x < 200; ++x)
        count += Pixel(x, y) == 0xFFFF;
    return count;
  };
  board.ShowBanner(u"Better background needed");
  board.DrawFrame(dc, 0, 0, false);
  EXPECT_GT(whiteInBanner(), 50);
  EXPECT_FALSE(board.bannerPending);
  board.DrawFrame(dc, 0, 0, false);
  EXPECT_EQ(whiteInBanner(), 0);

  const std::u16string longText(300, u'x');
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
  board.LoadSprites(module); // loading again replaces the sprites
  EXPECT_EQ(GdiObjectCount(), before);
}

TEST_F(BoardDrawingTest, TheProgramsOwnSpritesAllLoadAtTheirSizes) {
  ResourceTable own;
  for (int i = 0; i < kEmbeddedBitmapCount; ++i)
    own.bitmaps.push_back({kEmbeddedBitmaps[i].id, kEmbeddedBitmaps[i].bytes, kEmbeddedBitmaps[i].size});
  HINSTANCE program = CreateModule(&own);
  SnakeBoard board(&settings);
  board.LoadSprites(program);
  std::vector<HBITMAP> sprites(std::begin(board.segmentSprites), std::end(board.segmentSprites));
  sprites.insert(sprites.end(), {board.foodSprite, board.grassTile, board.hedgeSprite});
  // Each slot holds the picture of its resource id: heads up, down, right, left; tails; pieces.
  const int ids[] = {146, 147, 139, 145, 149, 150, 148, 141, 140, 144, 153, 151, 143, 152, 142, 155, 154};
  for (std::size_t i = 0; i < sprites.size(); ++i) {
    BITMAP info;
    GetObjectW(sprites[i], int(sizeof info), &info);
    const int side = sprites[i] == board.hedgeSprite ? 110 : 16;
    EXPECT_EQ(std::make_pair(info.bmWidth, info.bmHeight), std::make_pair(side, side));
    HBITMAP expected = LoadBitmapW(program, ids[i]);
    ASSERT_TRUE(expected);
    EXPECT_EQ(BitmapSurface(sprites[i])->pixels, BitmapSurface(expected)->pixels) << "slot " << i;
    DeleteObject(expected);
  }
  board.LoadSprites(nullptr);
  DestroyModule(program);
}

TEST(FormatDecimal, TruncatesAndGivesSoundTextForOddValues) {
  const struct {
    double value;
    int decimals;
    std::u16string text;
  } cases[] = {
      {12.37, 1, u"12.3"},       {0.99, 1, u"0.9"},    {7.9, 0, u"7"},           {1234567.0, 0, u"1234567"},
      {3.0, 1, u"3.0"},          {3.0625, 2, u"3.06"}, {-1.5, 1, u"-1.5"},       {-0.04, 1, u"0.0"},
      {std::nan(""), 1, u"0.0"}, {2.5, -3, u"2"},      {0.5, 40, u"0.500000000"}};
  for (const auto &c : cases)
    EXPECT_EQ(FormatDecimal(c.value, c.decimals), c.text) << c.value << " with " << c.decimals;
  EXPECT_EQ(FormatDecimal(1e300, 1).substr(0, 4), u"1000");
}

TEST_F(BoardDrawingTest, HudTextsSitAtTheirPlacesAndTheCountdownIsNeverNegative) {
  float starve = 5.0f;
  DrawHud(dc, kW, 20, 7, 12.37f, 2, &starve); // no countdown below Level 4
  ExpectText(kW - 10, 1, 19, u"7");
  ExpectText(1, 1, 19, u"Time: 12.3");
  ExpectFrameAsExpected();
  EXPECT_EQ(starve, 5.0f);

  FillBlack(dc, kW, kH);
  FillBlack(expectedDc, kW, kH);
  starve = -0.4f;
  DrawHud(dc, kW, 20, 12, 0.0f, 3, &starve);
  ExpectText(kW - 18, 1, 19, u"12"); // the score still ends at the right edge
  ExpectText(1, 1, 19, u"Time: 0.0");
  ExpectText(kW / 2 - 20, 1, 19, u"Starve:0.0");
  ExpectFrameAsExpected();
  EXPECT_EQ(starve, 0.0f);
  starve = 6.25f;
  DrawHud(dc, kW, 20, 0, 0.0f, 4, &starve);
  EXPECT_EQ(starve, 6.25f);
}

TEST_F(BoardDrawingTest, GameOverSitsInTheMiddle) {
  DrawGameOver(dc, kW, kH);
  ExpectText((kW - 100) / 2, kH / 2 - 13, 26, u"Game Over");
  ExpectFrameAsExpected();
}

TEST_F(BoardDrawingTest, GameFontCutsALongFaceNameAndIsReleased) {
  HFONT previous = nullptr;
  HFONT font =
      SelectGameFont(dc, 19, 0, FW_BOLD, true, u"A face name far longer than thirty-two units", &previous);
  LOGFONTW made;
  ASSERT_EQ(GetObjectW(font, int(sizeof made), &made), int(sizeof made));
  EXPECT_EQ(std::u16string(made.lfFaceName), u"A face name far longer than thi");
  EXPECT_EQ(SetBkMode(dc, OPAQUE), TRANSPARENT);
  ReleaseGameFont(dc, font, previous);
  EXPECT_EQ(GetObjectW(font, int(sizeof made), &made), 0); // deleted
}

} // namespace
