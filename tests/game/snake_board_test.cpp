#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

#include "game/snake_board.h"

namespace {

using Cells = std::vector<std::pair<int, int>>;

class SnakeBoardTest : public ::testing::Test {
protected:
  GameSettings settings;

  // Puts a running board in a known position: the body from head to tail, the direction,
  // both thresholds at their floor and the food out of the way.
  static void Lay(SnakeBoard &board, const Cells &cells, int dirX, int dirY) {
    board.length = int(cells.size());
    for (int i = 0; i < board.length; ++i) {
      board.bodyX[i] = cells[i].first;
      board.bodyY[i] = cells[i].second;
    }
    board.dirX = dirX;
    board.dirY = dirY;
    board.started = true;
    board.running = true;
    board.thresholdX = board.thresholdY = 3.0f;
    board.foodX = board.foodY = 19;
  }

  static Cells Body(const SnakeBoard &board) {
    Cells cells;
    for (int i = 0; i < board.length; ++i)
      cells.emplace_back(board.bodyX[i], board.bodyY[i]);
    return cells;
  }
};

TEST_F(SnakeBoardTest, ResetLaysTheSnakeAlongTheTopRowHeadRight) {
  SnakeBoard board(&settings);
  EXPECT_EQ(Body(board), (Cells{{4, 0}, {3, 0}, {2, 0}, {1, 0}, {0, 0}}));
  EXPECT_EQ(board.dirX, 0);
  EXPECT_EQ(board.dirY, 0);
  EXPECT_FALSE(board.running);
  EXPECT_FALSE(board.started);
  EXPECT_EQ(board.thresholdX, 3.0f);
  EXPECT_EQ(board.thresholdY, 3.0f);
  EXPECT_FALSE(board.foodY == 0 && board.foodX <= 4);
}

TEST_F(SnakeBoardTest, FirstStepGoesRightWhateverTheSteeringButKeepsTheThresholds) {
  SnakeBoard board(&settings);
  board.foodX = board.foodY = 19;
  board.Start();
  EXPECT_EQ(board.Advance(0, 20), Moved);
  EXPECT_EQ(board.bodyX[0], 5);
  EXPECT_EQ(board.bodyY[0], 0);
  EXPECT_EQ(board.dirX, 1);
  EXPECT_EQ(board.dirY, 0);
  EXPECT_FLOAT_EQ(board.thresholdY, 13.5f);
  EXPECT_EQ(board.thresholdX, 3.0f);

  // A reset starts the next game with the same rule.
  board.Reset();
  board.foodX = board.foodY = 19;
  board.Start();
  board.Advance(-20, 0);
  EXPECT_EQ(board.bodyX[0], 5);
}

TEST_F(SnakeBoardTest, ThresholdsDecayEveryStepDownToTheFloor) {
  SnakeBoard board(&settings);
  Lay(board, {{10, 10}, {9, 10}, {8, 10}}, 1, 0);
  board.Advance(0, 20);
  EXPECT_FLOAT_EQ(board.thresholdY, 13.5f);
  board.Advance(0, 0);
  EXPECT_FLOAT_EQ(board.thresholdY, 12.15f);
  for (int i = 0; i < 30; ++i)
    board.Advance(0, 0);
  EXPECT_EQ(board.thresholdY, 3.0f);
  EXPECT_EQ(board.thresholdX, 3.0f);
  board.Advance(20, 0);
  EXPECT_FLOAT_EQ(board.thresholdX, 13.5f);
  board.Advance(0, 0);
  EXPECT_FLOAT_EQ(board.thresholdX, 12.15f);

  // With the threshold at 13.5 a weaker vector does not turn; a stronger one does.
  Lay(board, {{10, 10}, {9, 10}, {8, 10}}, 1, 0);
  board.thresholdY = 13.5f;
  board.Advance(0, 12);
  EXPECT_EQ(std::make_pair(board.dirX, board.dirY), std::make_pair(1, 0));
  Lay(board, {{10, 10}, {9, 10}, {8, 10}}, 1, 0);
  board.thresholdY = 13.5f;
  board.Advance(0, 14);
  EXPECT_EQ(std::make_pair(board.dirX, board.dirY), std::make_pair(0, -1));
  EXPECT_EQ(board.bodyY[0], 9);
}

TEST_F(SnakeBoardTest, SteeringPicksOneAxisNeverReversesAndEdgesWrap) {
  SnakeBoard board(&settings);
  struct Case {
    int x, y, dirX, dirY, steerX, steerY, wantX, wantY;
  };
  const Case cases[] = {
      {10, 10, 1, 0, 5, 10, 10, 9},    // the stronger vertical wins: up
      {10, 10, 1, 0, 10, 10, 10, 9},   // a tie goes to the vertical
      {10, 10, 0, -1, 10, 5, 11, 10},  // the stronger horizontal wins: right
      {10, 10, 1, 0, -5, -10, 10, 11}, // down
      {10, 10, 0, 1, -10, -5, 9, 10},  // left
      {10, 10, 1, 0, -20, 0, 11, 10},  // no reversal from right
      {10, 10, 0, -1, 0, -20, 10, 9},  // no reversal from up
      {19, 7, 1, 0, 0, 0, 0, 7},       // wraps at every edge
      {3, 0, 0, -1, 0, 0, 3, 19},      {0, 5, -1, 0, 0, 0, 19, 5}, {6, 19, 0, 1, 0, 0, 6, 0},
  };
  for (const Case &c : cases) {
    Lay(board, {{c.x, c.y}, {(c.x - c.dirX + 20) % 20, (c.y - c.dirY + 20) % 20}}, c.dirX, c.dirY);
    EXPECT_EQ(board.Advance(c.steerX, c.steerY), Moved);
    EXPECT_EQ(std::make_pair(board.bodyX[0], board.bodyY[0]), std::make_pair(c.wantX, c.wantY))
        << "from " << c.x << "," << c.y << " steering " << c.steerX << "," << c.steerY;
    EXPECT_EQ(std::make_pair(board.bodyX[1], board.bodyY[1]), std::make_pair(c.x, c.y));
  }

  // The comparison uses this step's magnitudes even for an axis below its threshold: going
  // right with a high horizontal threshold, (10, 5) keeps the snake going right.
  Lay(board, {{10, 10}, {9, 10}}, 1, 0);
  board.thresholdX = 13.5f;
  board.Advance(10, 5);
  EXPECT_EQ(std::make_pair(board.dirX, board.dirY), std::make_pair(1, 0));
}

TEST_F(SnakeBoardTest, HedgeStopsTheSnakeBeforeItMoves) {
  SnakeBoard board(&settings);
  board.level = 4;
  const Cells before{{4, 10}, {3, 10}, {2, 10}};
  Lay(board, before, 1, 0);
  board.vacatedX = board.vacatedY = 0;
  EXPECT_EQ(board.Advance(0, 0), HitHedge);
  EXPECT_FALSE(board.running);
  EXPECT_EQ(Body(board), before);
  EXPECT_EQ(std::make_pair(board.vacatedX, board.vacatedY), std::make_pair(0, 0));

  // The hedge ends before column and row 15; other levels have none.
  Lay(board, {{16, 10}, {17, 10}}, -1, 0);
  EXPECT_EQ(board.Advance(0, 0), Moved);
  Lay(board, {{10, 16}, {10, 17}}, 0, -1);
  EXPECT_EQ(board.Advance(0, 0), Moved);
  board.level = 3;
  Lay(board, {{4, 10}, {3, 10}}, 1, 0);
  EXPECT_EQ(board.Advance(0, 0), Moved);
}

TEST_F(SnakeBoardTest, HeadMayTakeTheCellTheTailJustLeft) {
  SnakeBoard board(&settings);
  board.selfCollision = true;
  Lay(board, {{1, 0}, {1, 1}, {0, 1}, {0, 0}}, 0, -1);
  board.Advance(-20, 0); // left, into the tail's cell
  EXPECT_EQ(Body(board), (Cells{{0, 0}, {1, 0}, {1, 1}, {0, 1}}));
  EXPECT_TRUE(board.running);
  EXPECT_EQ(std::make_pair(board.vacatedX, board.vacatedY), std::make_pair(0, 0));

  // One segment longer, the same move runs into the body.
  Lay(board, {{1, 0}, {1, 1}, {0, 1}, {0, 0}, {19, 0}}, 0, -1);
  EXPECT_EQ(board.Advance(-20, 0), HitSelf);
  EXPECT_FALSE(board.running);

  // Without the option the head passes over the body.
  board.selfCollision = false;
  Lay(board, {{1, 0}, {1, 1}, {0, 1}, {0, 0}, {19, 0}}, 0, -1);
  EXPECT_EQ(board.Advance(-20, 0), Moved);
  EXPECT_TRUE(board.running);
}

TEST_F(SnakeBoardTest, EatingIsTestedBeforeSelfCollision) {
  SnakeBoard board(&settings);
  board.selfCollision = true;
  Lay(board, {{1, 0}, {1, 1}, {0, 1}, {0, 0}, {19, 0}}, 0, -1);
  board.foodX = 0;
  board.foodY = 0;
  std::srand(7);
  EXPECT_EQ(board.Advance(-20, 0), Ate);
  EXPECT_TRUE(board.running);
}

TEST_F(SnakeBoardTest, EatingPlacesNewFoodAndGrowAddsTheVacatedCell) {
  SnakeBoard board(&settings);
  std::srand(3);
  Lay(board, {{10, 10}, {9, 10}, {8, 10}}, 1, 0);
  board.foodX = 11;
  board.foodY = 10;
  EXPECT_EQ(board.Advance(0, 0), Ate);
  for (const auto &cell : Body(board))
    EXPECT_NE(cell, std::make_pair(board.foodX, board.foodY));
  EXPECT_NE(std::make_pair(board.foodX, board.foodY), std::make_pair(11, 10));
  board.Grow();
  EXPECT_EQ(Body(board), (Cells{{11, 10}, {10, 10}, {9, 10}, {8, 10}}));

  // The snake stops growing at 19 segments on the default board.
  for (int i = 0; i < 30; ++i) {
    board.Advance(0, 0);
    board.Grow();
  }
  EXPECT_EQ(board.length, 19);
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
    for (const auto &cell : Body(board))
      ASSERT_NE(cell, std::make_pair(x, y));
    sawEdgeOfSquare = sawEdgeOfSquare || (x == 16 && y >= 5 && y <= 15);
  }
  EXPECT_TRUE(sawEdgeOfSquare);
}

TEST_F(SnakeBoardTest, SettingsOutsideTheirRangesStayWithinTheArrays) {
  {
    settings.startLength = 50;
    SnakeBoard board(&settings);
    EXPECT_EQ(board.length, 19);
    EXPECT_EQ(board.bodyX[0], 18);
  }
  {
    settings.startLength = 0;
    SnakeBoard board(&settings);
    EXPECT_EQ(board.length, 2);
  }
  {
    // A capacity smaller than the board bounds the snake by the arrays.
    settings.startLength = 9;
    settings.bodyCapacity = 6;
    SnakeBoard board(&settings);
    EXPECT_EQ(board.length, 5);
    board.Grow();
    EXPECT_EQ(board.length, 5);
  }
  {
    settings.boardSize = 0;
    settings.bodyCapacity = 0;
    settings.startLength = 5;
    SnakeBoard board(&settings);
    EXPECT_EQ(board.BoardSize(), 3);
    EXPECT_EQ(board.length, 2);
    board.Start();
    for (int i = 0; i < 20; ++i)
      board.Advance(i % 3 - 1, i % 5 - 2);
    EXPECT_TRUE(board.foodX >= 0 && board.foodX < 3 && board.foodY >= 0 && board.foodY < 3);
  }
}

TEST_F(SnakeBoardTest, OddThresholdSettingsNeitherCrashNorFreezeTheSteering) {
  settings.thresholdDecay = std::nanf("");
  settings.minThreshold = -4;
  SnakeBoard board(&settings);
  Lay(board, {{10, 10}, {9, 10}}, 1, 0);
  board.Advance(0, 0); // a zero vector never turns, even below a negative threshold
  EXPECT_EQ(std::make_pair(board.dirX, board.dirY), std::make_pair(1, 0));
  EXPECT_EQ(board.thresholdX, -4.0f);
  board.Advance(INT_MIN, 0);
  EXPECT_EQ(std::make_pair(board.dirX, board.dirY), std::make_pair(1, 0));
  board.Advance(0, INT_MIN);
  EXPECT_EQ(std::make_pair(board.dirX, board.dirY), std::make_pair(0, 1));

  settings.thresholdDecay = -1.0f;
  settings.minThreshold = 3;
  Lay(board, {{10, 10}, {9, 10}}, 1, 0);
  board.Advance(0, 20);
  EXPECT_EQ(board.thresholdY, 3.0f);
}

TEST_F(SnakeBoardTest, FoodPlacementEndsOnACrowdedSmallBoard) {
  // 4 x 4 at Level 5: the food square covers 9 cells and the snake 3, leaving 4.
  settings.boardSize = 4;
  settings.bodyCapacity = 4;
  settings.startLength = 3;
  SnakeBoard board(&settings);
  board.level = 4;
  std::srand(5);
  for (int i = 0; i < 200; ++i) {
    board.PlaceFood();
    ASSERT_TRUE(board.foodX == 0 || board.foodY == 0) << board.foodX << "," << board.foodY;
    ASSERT_FALSE(board.foodY == 0 && board.foodX <= 2);
  }
}

} // namespace
