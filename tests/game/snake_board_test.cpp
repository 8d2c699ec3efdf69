#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <tuple>
#include <utility>
#include <vector>

#include "game/snake_board.h"

namespace {

using Cell = std::pair<int, int>;
using Cells = std::vector<Cell>;

class SnakeBoardTest : public ::testing::Test {
protected:
  GameSettings settings;

  // A running board: the body from head to tail, both thresholds at their floor, the food away.
  static SnakeBoard &Lay(SnakeBoard &board, const Cells &cells, int dirX, int dirY) {
    board.length = int(cells.size());
    for (int i = 0; i < board.length; ++i)
      std::tie(board.bodyX[i], board.bodyY[i]) = cells[i];
    board.dirX = dirX, board.dirY = dirY;
    board.started = board.running = true;
    board.thresholdX = board.thresholdY = 3.0f;
    board.foodX = board.foodY = 19;
    return board;
  }
  static Cells Body(const SnakeBoard &board) {
    Cells cells;
    for (int i = 0; i < board.length; ++i)
      cells.emplace_back(board.bodyX[i], board.bodyY[i]);
    return cells;
  }
  static Cell Head(const SnakeBoard &board) { return {board.bodyX[0], board.bodyY[0]}; }
  static Cell Heading(const SnakeBoard &board) { return {board.dirX, board.dirY}; }
};

// The first step of a game goes right whatever the steering, yet raises the steered axis's
// threshold, which then decays a tenth a step down to its floor.
TEST_F(SnakeBoardTest, FirstStepGoesRightAndRaisesTheSteeredThresholdWhichDecays) {
  SnakeBoard board(&settings);
  EXPECT_FALSE(board.foodY == 0 && board.foodX <= 4); // not on the snake
  board.foodX = board.foodY = 19;
  board.Start();
  EXPECT_EQ(board.Advance(0, 20), Moved);
  EXPECT_EQ(Head(board), Cell(5, 0));
  EXPECT_EQ(Heading(board), Cell(1, 0));
  EXPECT_FLOAT_EQ(board.thresholdY, 13.5f);
  EXPECT_EQ(board.thresholdX, 3.0f);
  board.Advance(0, 0);
  EXPECT_FLOAT_EQ(board.thresholdY, 12.15f);
  for (int i = 0; i < 30; ++i)
    board.Advance(0, 0);
  EXPECT_EQ(board.thresholdY, 3.0f);
}

TEST_F(SnakeBoardTest, SteeringPicksOneAxisNeverReversesAndEdgesWrap) {
  SnakeBoard board(&settings);
  struct Case {
    int x, y, dirX, dirY, steerX, steerY, wantX, wantY;
    float thresholdX = 3.0f, thresholdY = 3.0f;
  };
  const Case cases[] = {
      {10, 10, 1, 0, 5, 10, 10, 9},               // the stronger vertical wins: up
      {10, 10, 1, 0, 10, 10, 10, 9},              // a tie goes to the vertical
      {10, 10, 0, -1, 10, 5, 11, 10},             // the stronger horizontal wins: right
      {10, 10, 1, 0, -5, -10, 10, 11},            // down
      {10, 10, 0, 1, -10, -5, 9, 10},             // left
      {10, 10, 1, 0, -20, 0, 11, 10},             // no reversal from right
      {10, 10, 0, -1, 0, -20, 10, 9},             // no reversal from up
      {10, 10, 1, 0, 0, 12, 11, 10, 3.0f, 13.5f}, // below a raised threshold: no turn
      {10, 10, 1, 0, 0, 14, 10, 9, 3.0f, 13.5f},  // above it: up
      // this step's magnitudes decide the axis even for one below its threshold
      {10, 10, 1, 0, 10, 5, 11, 10, 13.5f, 3.0f},
      // wraps at every edge
      {19, 7, 1, 0, 0, 0, 0, 7},
      {3, 0, 0, -1, 0, 0, 3, 19},
      {0, 5, -1, 0, 0, 0, 19, 5},
      {6, 19, 0, 1, 0, 0, 6, 0},
  };
  for (const Case &c : cases) {
    Lay(board, {{c.x, c.y}, {(c.x - c.dirX + 20) % 20, (c.y - c.dirY + 20) % 20}}, c.dirX, c.dirY);
    board.thresholdX = c.thresholdX, board.thresholdY = c.thresholdY;
    EXPECT_EQ(board.Advance(c.steerX, c.steerY), Moved);
    EXPECT_EQ(Head(board), Cell(c.wantX, c.wantY))
        << "from " << c.x << "," << c.y << " steering " << c.steerX << "," << c.steerY;
    EXPECT_EQ(Cell(board.bodyX[1], board.bodyY[1]), Cell(c.x, c.y));
  }
}

TEST_F(SnakeBoardTest, HedgeStopsTheSnakeBeforeItMoves) {
  SnakeBoard board(&settings);
  board.level = 4;
  const Cells before{{4, 10}, {3, 10}};
  EXPECT_EQ(Lay(board, before, 1, 0).Advance(0, 0), HitHedge);
  EXPECT_FALSE(board.running);
  EXPECT_EQ(Body(board), before);
  // The hedge ends before column and row 15; other levels have none.
  EXPECT_EQ(Lay(board, {{16, 10}, {17, 10}}, -1, 0).Advance(0, 0), Moved);
  EXPECT_EQ(Lay(board, {{10, 16}, {10, 17}}, 0, -1).Advance(0, 0), Moved);
  board.level = 3;
  EXPECT_EQ(Lay(board, before, 1, 0).Advance(0, 0), Moved);
}

TEST_F(SnakeBoardTest, SelfCollisionIsTestedAfterTheTailMovesAndAfterEating) {
  SnakeBoard board(&settings);
  const Cells ring{{1, 0}, {1, 1}, {0, 1}, {0, 0}, {19, 0}};
  board.selfCollision = true;
  // Left, into the cell the tail just left.
  EXPECT_EQ(Lay(board, Cells(ring.begin(), ring.begin() + 4), 0, -1).Advance(-20, 0), Moved);
  EXPECT_EQ(Body(board), (Cells{{0, 0}, {1, 0}, {1, 1}, {0, 1}}));
  EXPECT_EQ(Cell(board.vacatedX, board.vacatedY), Cell(0, 0));
  EXPECT_TRUE(board.running);

  // One segment longer, the same move runs into the body, unless it eats there or the option is off.
  const struct {
    bool selfCollision, foodThere;
    StepResult want;
  } cases[] = {{true, false, HitSelf}, {true, true, Ate}, {false, false, Moved}};
  std::srand(7);
  for (const auto &c : cases) {
    board.selfCollision = c.selfCollision;
    Lay(board, ring, 0, -1);
    board.foodX = board.foodY = c.foodThere ? 0 : 19;
    EXPECT_EQ(board.Advance(-20, 0), c.want);
    EXPECT_EQ(board.running, c.want != HitSelf);
  }
}

TEST_F(SnakeBoardTest, FoodAvoidsTheBodyAndTheWiderHedgeSquare) {
  SnakeBoard board(&settings);
  board.level = 4;
  Lay(board, {{2, 2}, {1, 2}, {0, 2}, {0, 3}, {0, 4}}, 1, 0);
  std::srand(11);
  bool sawEdgeOfSquare = false;
  for (int i = 0; i < 3000; ++i) {
    board.PlaceFood();
    const int x = board.foodX, y = board.foodY;
    ASSERT_TRUE(x >= 0 && x < 20 && y >= 0 && y < 20);
    ASSERT_FALSE(x >= 5 && x <= 15 && y >= 5 && y <= 15) << x << "," << y;
    for (const Cell &cell : Body(board))
      ASSERT_NE(cell, Cell(x, y));
    sawEdgeOfSquare = sawEdgeOfSquare || (x == 16 && y >= 5 && y <= 15);
  }
  EXPECT_TRUE(sawEdgeOfSquare);
}

TEST_F(SnakeBoardTest, SettingsOutsideTheirRangesStayWithinTheArrays) {
  struct Case {
    int boardSize, bodyCapacity, startLength, wantSize, wantLength, wantGrown;
  };
  // The third: a capacity below the board size bounds the snake by the arrays.
  const Case cases[] = {
      {20, 20, 50, 20, 19, 19}, {20, 20, 0, 20, 2, 3}, {20, 6, 9, 20, 5, 5}, {0, 0, 5, 3, 2, 2}};
  for (const Case &c : cases) {
    settings.boardSize = c.boardSize, settings.bodyCapacity = c.bodyCapacity;
    settings.startLength = c.startLength;
    SnakeBoard board(&settings);
    EXPECT_EQ(board.BoardSize(), c.wantSize);
    EXPECT_EQ(board.length, c.wantLength);
    EXPECT_EQ(board.bodyX[0], c.wantLength - 1);
    board.Grow();
    EXPECT_EQ(board.length, c.wantGrown);
    board.Start();
    for (int i = 0; i < 20; ++i)
      board.Advance(i % 3 - 1, i % 5 - 2);
    EXPECT_TRUE(board.foodX >= 0 && board.foodX < c.wantSize && board.foodY >= 0 && board.foodY < c.wantSize);
  }
}

// The lowest thresholds a settings file may give (a floor of 0, no decay): a still picture
// never turns the snake, the least motion does.
TEST_F(SnakeBoardTest, AtAZeroThresholdOnlyMotionTurns) {
  settings.minThreshold = 0;
  settings.thresholdDecay = 0.0f;
  SnakeBoard board(&settings);
  Lay(board, {{10, 10}, {9, 10}}, 1, 0).thresholdY = 0.0f;
  board.Advance(0, 0);
  EXPECT_EQ(Heading(board), Cell(1, 0));
  board.Advance(0, 1);
  EXPECT_EQ(Heading(board), Cell(0, -1));
}

} // namespace
