// The rules of drawing a frame that pictures alone do not pin down: the sprite each segment
// takes across both seams (the corners without a seam are in a golden picture), the one-frame banner,
// decimals of odd values, long face names. The frames themselves are golden pictures (tests/golden/).

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "game/hud.h"
#include "game/snake_board.h"
#include "platform/gdi.h"
#include "support/game_harness.h"
#include "ui/game_text.h"

namespace {

using Cells = std::vector<std::pair<int, int>>;

void Lay(SnakeBoard &board, const Cells &cells) {
  board.length = int(cells.size());
  for (int i = 0; i < board.length; ++i)
    std::tie(board.bodyX[i], board.bodyY[i]) = cells[i];
}

TEST(BoardDrawing, SpritesFollowBendsAcrossBothSeams) {
  GameSettings settings;
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
  };
  for (const Case &c : cases) {
    Lay(board, c.cells);
    board.UnwrapForDrawing();
    for (int i = 0; i < board.length; ++i)
      EXPECT_EQ(board.SegmentSprite(i), c.slots[i])
          << "segment " << i << " of a snake at " << c.cells[0].first << "," << c.cells[0].second;
  }
}

TEST(BoardDrawing, TheBannerShowsForOneFrameAndLongTextIsCut) {
  LoneBoard lone;
  auto whiteInBanner = [&] {
    int count = 0;
    for (int y = 268 - 30; y < 268 - 5; ++y)
      for (int x = 3; x < 200; ++x)
        count += lone.Frame().Row(y)[x] == 0xFFFF;
    return count;
  };
  lone.board.ShowBanner(u"Better background needed");
  lone.board.DrawFrame(lone.dc, 0, 0, false);
  EXPECT_GT(whiteInBanner(), 50);
  lone.board.DrawFrame(lone.dc, 0, 0, false);
  EXPECT_EQ(whiteInBanner(), 0);

  const std::u16string longText(300, u'x');
  lone.board.ShowBanner(longText.c_str());
  EXPECT_EQ(std::u16string(lone.board.bannerText), longText.substr(0, 99));
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

TEST(BoardDrawing, GameFontCutsALongFaceNameAndIsReleased) {
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT previous = nullptr;
  HFONT font =
      SelectGameFont(dc, 19, 0, FW_BOLD, true, u"A face name far longer than thirty-two units", &previous);
  LOGFONTW made;
  ASSERT_EQ(GetObjectW(font, int(sizeof made), &made), int(sizeof made));
  EXPECT_EQ(std::u16string(made.lfFaceName), u"A face name far longer than thi");
  ReleaseGameFont(dc, font, previous);
  EXPECT_EQ(GetObjectW(font, int(sizeof made), &made), 0); // deleted
  DeleteDC(dc);
}

} // namespace
