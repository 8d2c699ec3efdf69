// The game screen's rules through the real message loop in virtual time; its pictures are
// golden (tests/golden/), whole recorded games are replayed (tests/replay/).

#include <gtest/gtest.h>

#include "game/game_screen.h"
#include "game/snake_board.h"
#include "platform/backend.h"
#include "platform/window.h"
#include "resources/resource_ids.h"
#include "state/app_state.h"
#include "support/game_harness.h"

namespace {

class GameScreen : public ::testing::Test {
protected:
  GameHarness h;
  void SetUp() override { h.OpenGameScreen(10); }
};

// Replays show the first speed-ups; here, the floor.
TEST_F(GameScreen, SpeedUpShrinksThePeriodByAFifthDownToOneMillisecond) {
  g_app.tickInterval = 200.0f;
  SpeedUp();
  EXPECT_EQ(TimerPeriod(nullptr, IDT_GAME), 160u);
  for (int i = 0; i < 30; ++i)
    SpeedUp();
  EXPECT_EQ(TimerPeriod(nullptr, IDT_GAME), 1u);
  EXPECT_FLOAT_EQ(g_app.tickInterval, 1.0f);
}

// An option the player toggles sticks across levels; one not touched follows each level's
// default, and its check mark follows it.
TEST_F(GameScreen, ToggledOptionsStickAndCheckMarksFollowTheState) {
  h.Command(20, IDM_SELF_COLLISION); // on, and now chosen
  h.Command(30, IDM_LEVEL_1);        // Level 1's default would be off
  h.At(40, [] {
    EXPECT_TRUE(g_app.board->selfCollision);
    EXPECT_FALSE(g_app.blockScreenOption);
  });
  h.Command(50, IDM_LEVEL_1 + 4); // Level 5: "Block screen" follows its default
  h.At(60, [] {
    EXPECT_TRUE(MenuChecked(g_app.gameMenu, IDM_BLOCK_SCREEN));
    EXPECT_FALSE(MenuChecked(g_app.gameMenu, IDM_LEVEL_1));
  });
  h.Run(100);
}

// A desktop webcam stands still when the screen turns: its vector reaches the board as it is.
// A camera that turns with the screen (a phone's) has its vector turned a quarter at each
// paint. The pad's never turns.
TEST_F(GameScreen, LandscapeTurnsOnlyACameraThatTurnsWithTheScreen) {
  h.Key(30, VK_F9);
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

struct Moment {
  int headX, headY, length, score;
  float elapsed, starve;
  bool operator==(const Moment &) const = default;
};

Moment Now() {
  const SnakeBoard &b = *g_app.board;
  return Moment{b.bodyX[0], b.bodyY[0], b.length, g_app.score, g_app.elapsedTime, g_app.starveLeft};
}

// A Level 4 game paused twice (the P key, then the window losing the focus) for 1100 ms in all
// is, after it, where the same game without pauses was 1100 ms earlier: clocks, countdown and
// board stood still, and the ticks went on in their old rhythm.
TEST(GamePause, StopsClocksAndBoardAndTheGameResumesExactly) {
  Moment unpaused{};
  {
    GameHarness h;
    h.OpenGameScreen(10);
    h.Command(50, IDM_LEVEL_1 + 3);
    h.eachIdle = FoodAway;
    h.Key(1000, VK_DOWN);
    h.At(2500, [&] { unpaused = Now(); });
    h.Run(2600);
  }
  GameHarness h;
  h.OpenGameScreen(10);
  h.Command(50, IDM_LEVEL_1 + 3);
  h.eachIdle = FoodAway;
  Moment paused{};
  h.Key(400, 'P');
  h.At(410, [&] {
    paused = Now();
    EXPECT_EQ(TimerPeriod(g_app.gameDialog, IDT_GAME), 0u);
    RedrawWindow(g_app.gameDialog, nullptr, nullptr, RDW_INVALIDATE); // a paint takes no step
  });
  h.At(1390, [&] { EXPECT_EQ(Now(), paused); });
  h.Key(1400, VK_PAUSE);
  h.Key(2000, VK_DOWN);
  h.screen->QueueFocus(2200, false);
  h.At(2250, [&] { EXPECT_EQ(TimerPeriod(g_app.gameDialog, IDT_GAME), 0u); });
  h.screen->QueueFocus(2260, true); // coming back leaves the game paused
  h.Key(2300, 'P');
  h.At(3600, [&] {
    EXPECT_EQ(Now(), unpaused);
    EXPECT_TRUE(g_app.gameRunning);
  });
  h.Run(3700);
}

} // namespace
