// Whole games on the headless screen, through the real message loop in virtual time.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "game/game_screen.h"
#include "game/snake_board.h"
#include "platform/backend.h"
#include "platform/window.h"
#include "resources/resource_ids.h"
#include "scores/score_table.h"
#include "state/app_state.h"
#include "support/game_harness.h"

namespace {

class GameScreen : public ::testing::Test {
protected:
  GameHarness h;
  void SetUp() override { h.OpenGameScreen(10); }
};

TEST_F(GameScreen, LevelThreeSpeedsUpAfterFiveFoodsAndGrowsTheSnake) {
  h.Command(50, IDM_LEVEL_1 + 2);
  int fed = 0;
  h.eachIdle = [&] {
    if (g_app.gameRunning && g_app.score < 5) {
      FeedAhead();
      fed = g_app.score;
    } else {
      FoodAway();
    }
  };
  bool checked = false;
  h.At(1500, [&] {
    checked = true;
    EXPECT_EQ(g_app.score, 5);
    EXPECT_EQ(g_app.board->length, 10);
    EXPECT_FLOAT_EQ(g_app.tickInterval, 160.0f);
    EXPECT_EQ(TimerPeriod(g_app.gameDialog, IDT_GAME), 160u);
    EXPECT_TRUE(g_app.gameRunning);
  });
  EXPECT_EQ(h.Run(2000), 0);
  EXPECT_TRUE(checked);
  EXPECT_GE(fed, 4);
}

TEST_F(GameScreen, SpeedUpShrinksThePeriodByAFifthDownToOneMillisecond) {
  g_app.tickInterval = 200.0f;
  std::vector<std::uint32_t> periods;
  for (int i = 0; i < 30; ++i) {
    SpeedUp();
    periods.push_back(TimerPeriod(nullptr, IDT_GAME));
  }
  std::vector<std::uint32_t> first(periods.begin(), periods.begin() + 6);
  EXPECT_EQ(first, (std::vector<std::uint32_t>{160, 128, 102, 81, 65, 52}));
  EXPECT_EQ(periods.back(), 1u);
  EXPECT_FLOAT_EQ(g_app.tickInterval, 1.0f);
}

TEST_F(GameScreen, LevelFourStarvesAfterItsAllowanceAndShowsZero) {
  h.Command(50, IDM_LEVEL_1 + 3);
  h.eachIdle = FoodAway;
  bool running7s = false, over9s = false;
  h.At(50 + 7500, [&] { running7s = g_app.gameRunning; });
  h.At(50 + 8700, [&] {
    over9s = !g_app.gameRunning && g_app.gamePlayed;
    EXPECT_GE(g_app.starveLeft, 0.0f); // shown as 0.0, never negative
    EXPECT_EQ(g_app.score, 0);
  });
  h.Run(9500);
  EXPECT_TRUE(running7s);
  EXPECT_TRUE(over9s);
}

TEST_F(GameScreen, BlockScreenFreezesBoardAndClocksWhenTheCameraSeesNothing) {
  h.Command(20, IDM_CAMERA);
  h.Command(50, IDM_LEVEL_1 + 3); // Level 4 turns "Block screen" on
  h.eachIdle = FoodAway;
  int headAt1500 = -1;
  float timeAt1500 = -1;
  h.At(1500, [&] {
    EXPECT_TRUE(g_app.blockScreenOption);
    EXPECT_FALSE(g_app.motionSeenLastTick);
    headAt1500 = g_app.board->bodyX[0];
    timeAt1500 = g_app.elapsedTime;
  });
  h.At(3000, [&] {
    EXPECT_EQ(g_app.board->bodyX[0], headAt1500);
    EXPECT_FLOAT_EQ(g_app.elapsedTime, timeAt1500);
    EXPECT_LE(g_app.elapsedTime, 0.4f);
    // Turning the option off lets the game go on.
    PostMessageW(g_app.gameDialog, WM_COMMAND, IDM_BLOCK_SCREEN, 0);
  });
  h.At(4000, [&] { EXPECT_NE(g_app.board->bodyX[0], headAt1500); });
  h.Run(4100);
}

TEST_F(GameScreen, ToggledOptionsStickAndCheckMarksFollowTheState) {
  h.At(15, [] {
    EXPECT_TRUE(MenuChecked(g_app.gameMenu, IDM_LEVEL_1));
    EXPECT_TRUE(MenuChecked(g_app.gameMenu, IDM_PAD)); // the camera failed
    EXPECT_FALSE(MenuChecked(g_app.gameMenu, IDM_CAMERA));
  });
  h.Command(20, IDM_SELF_COLLISION); // on, and now chosen
  h.Command(30, IDM_LEVEL_1);        // Level 1's default would be off
  h.At(40, [] {
    EXPECT_TRUE(g_app.selfCollisionOption);
    EXPECT_TRUE(g_app.board->selfCollision);
    EXPECT_TRUE(MenuChecked(g_app.gameMenu, IDM_SELF_COLLISION));
    EXPECT_FALSE(g_app.blockScreenOption);
  });
  h.Command(50, IDM_LEVEL_1 + 4); // Level 5: "Block screen" follows its default
  h.At(60, [] {
    EXPECT_TRUE(g_app.blockScreenOption);
    EXPECT_TRUE(MenuChecked(g_app.gameMenu, IDM_BLOCK_SCREEN));
    EXPECT_TRUE(MenuChecked(g_app.gameMenu, IDM_LEVEL_1 + 4));
    EXPECT_FALSE(MenuChecked(g_app.gameMenu, IDM_LEVEL_1));
    EXPECT_EQ(g_app.gameLevel, 4);
  });
  h.Run(100);
}

TEST_F(GameScreen, GameOverShowsOnlyAfterAGameEndsAtTheHedge) {
  int before = -1;
  h.At(40, [&] { before = HudPixels(70, 147, 200, 175); });
  h.Command(50, IDM_LEVEL_1 + 4);
  h.eachIdle = FoodAway;
  h.Key(100, VK_DOWN); // after the first step right, down column 5 into the hedge
  h.At(1600, [&] {
    EXPECT_FALSE(g_app.gameRunning);
    EXPECT_EQ(g_app.board->bodyX[0], 5);
    EXPECT_EQ(g_app.board->bodyY[0], 4); // the snake did not enter the hedge
    EXPECT_GT(HudPixels(70, 147, 200, 175), 50);
    SaveScreen("level5-over");
  });
  h.Run(1700);
  EXPECT_EQ(before, 0);
}

// A desktop webcam stands still when the screen turns: its vector reaches the board as it is.
// A camera that turns with the screen (a phone's) has its vector turned a quarter at each
// paint. The pad's never turns.
TEST_F(GameScreen, LandscapeTurnsOnlyACameraThatTurnsWithTheScreen) {
  h.Key(30, VK_F9);
  h.At(40, [] {
    EXPECT_EQ(g_app.orientation, 1);
    EXPECT_EQ(g_app.screenWidth, 320);
    EXPECT_EQ(g_app.board->boardRect.right, 320);
    EXPECT_EQ(g_app.board->boardRect.bottom, 188);
  });
  auto paintWith = [](int x, int y) {
    g_app.steerX = x, g_app.steerY = y;
    RedrawWindow(g_app.gameDialog, nullptr, nullptr, RDW_INVALIDATE);
  };
  h.At(1010, [&] {
    g_app.padControl = 0;
    paintWith(5, 0);
  });
  h.At(1011, [&] {
    EXPECT_EQ(std::pair(g_app.steerX, g_app.steerY), std::pair(5, 0));
    SetCameraTurnsWithScreen(true);
    paintWith(5, 0);
  });
  h.At(1012, [&] {
    EXPECT_EQ(std::pair(g_app.steerX, g_app.steerY), std::pair(0, 5));
    g_app.padControl = 1;
    g_app.padX = 16, g_app.padY = 0;
    paintWith(5, 0);
  });
  h.At(1013, [] {
    EXPECT_EQ(std::pair(g_app.steerX, g_app.steerY), std::pair(16, 0));
    SetCameraTurnsWithScreen(false);
  });
  h.Run(1100);
}

TEST_F(GameScreen, MenuKeysStartAGameAndExitClosesTheProgramSavingScores) {
  h.Key(20, VK_F1); // "Menu"
  h.Key(30, '1');   // "New game"
  bool started = false;
  h.At(40, [&] { started = g_app.gameRunning && g_app.gamePlayed; });
  h.Command(500, IDM_EXIT);
  EXPECT_EQ(h.Run(100000), 0);
  EXPECT_TRUE(started);
  EXPECT_EQ(g_app.scores, nullptr);
  EXPECT_EQ(g_app.board, nullptr);
  struct stat st {};
  ASSERT_EQ(stat(h.resultsFile.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 7012);
}

TEST_F(GameScreen, AQualifyingScoreAsksForANameAndEntersTheTable) {
  h.Command(50, IDM_LEVEL_1);
  h.eachIdle = FeedUpTo(2);
  h.Command(700, IDM_NEW_GAME); // ends the game with 2 points: the name entry opens
  h.Text(800, u"Zoé");
  h.Key(900, VK_F1);  // "Ok": the score goes in, the best scores show
  h.Key(1000, VK_F1); // "Ok" again: back to the new game
  h.At(1100, [] {
    ASSERT_TRUE(g_app.scores);
    EXPECT_EQ(g_app.scores->levels[0][0].score, 2);
    EXPECT_EQ(std::u16string(g_app.scores->levels[0][0].name), u"Zoé");
    EXPECT_EQ(g_app.scores->lastIndex, 0);
    EXPECT_TRUE(g_app.gameRunning);
  });
  h.Run(1200);
}

TEST_F(GameScreen, CloseRequestDuringNameEntryEndsTheProgramAndKeepsTheFile) {
  h.Command(50, IDM_LEVEL_1);
  h.eachIdle = [] {
    if (g_app.gameRunning && g_app.score < 1)
      FeedAhead();
  };
  h.Command(500, IDM_NEW_GAME);
  EXPECT_EQ(h.Run(700), 0); // the close request arrives while the name is asked
  struct stat st {};
  ASSERT_EQ(stat(h.resultsFile.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 7012);
}

// A Level 5 game with a grown, bent snake, in portrait and then in landscape. With
// VEXMOOR_SHOTS set, the screens are saved for looking at.
TEST_F(GameScreen, LevelFiveBoardInBothOrientations) {
  h.Command(50, IDM_LEVEL_1 + 4);
  int shots = 0;
  h.eachIdle = [&] {
    SnakeBoard *b = g_app.board;
    if (!b || !g_app.gameRunning)
      return;
    if (g_app.score < 9)
      FeedAhead();
    else
      FoodAway();
    // Right along the top, down outside the hedge, then left below it.
    int x = b->bodyX[0], y = b->bodyY[0];
    const GameSettings &s = g_app.settings;
    if (y == 17)
      g_app.padX = s.padLeft, g_app.padY = 0;
    else if (x >= 17)
      g_app.padX = 0, g_app.padY = s.padDown;
    else
      g_app.padX = s.padRight, g_app.padY = 0;
    if (shots == 0 && x == 12 && y == 17) {
      EXPECT_EQ(b->length, 14);
      SaveScreen("level5-portrait");
      ++shots;
      RotateScreen();
    } else if (shots == 1 && x == 9 && y == 17) {
      EXPECT_EQ(ScreenSurface().width, 320);
      SaveScreen("level5-landscape");
      ++shots;
    }
  };
  h.Run(20000);
  EXPECT_EQ(shots, 2);
}

} // namespace
