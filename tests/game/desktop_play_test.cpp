// A desktop player's ways through whole games on the headless screen: menu digits and Enter
// around the name entry, the pause, and a game controller.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "game/snake_board.h"
#include "platform/backend.h"
#include "platform/window.h"
#include "resources/resource_ids.h"
#include "scores/score_table.h"
#include "state/app_state.h"
#include "support/game_harness.h"

namespace {

std::u16string NameField() {
  char16_t text[256];
  int n = GetWindowTextW(GetDlgItem(g_app.nameDialog, IDC_NAME_EDIT), text, 256);
  return std::u16string(text, std::size_t(std::max(n, 0)));
}

// The digit that ends a game through the menu does not also arrive in the name field; Enter
// confirms the name as "Ok" does, and Escape is still the Back key there.
TEST(DesktopPlay, AMenuDigitTypesNothingAndEnterConfirmsTheName) {
  GameHarness h;
  h.OpenGameScreen(10);
  h.Command(50, IDM_LEVEL_1);
  h.eachIdle = FeedUpTo(2);
  h.Key(700, VK_F1);
  h.Key(710, '1', u"1"); // "New game": the game with 2 points ends, the name is asked
  h.At(750, [] {
    ASSERT_TRUE(g_app.nameDialog);
    EXPECT_EQ(NameField(), u"");
  });
  for (char16_t c : std::u16string(u"Annx"))
    h.Key(800 + c, std::uint32_t(c >= u'a' ? c - 32 : c), std::u16string(1, c));
  h.Key(950, VK_ESCAPE);
  h.At(960, [] { EXPECT_EQ(NameField(), u"Ann"); });
  h.Key(1000, VK_RETURN);
  h.At(1050, [] {
    EXPECT_EQ(g_app.nameDialog, nullptr);
    ASSERT_TRUE(g_app.scoresDialog); // the best scores follow
    EXPECT_EQ(std::u16string(g_app.scores->levels[0][0].name), u"Ann");
    EXPECT_EQ(g_app.scores->levels[0][0].score, 2);
  });
  h.Key(1100, VK_RETURN); // "Ok" of the best scores
  h.At(1150, [] {
    EXPECT_EQ(g_app.scoresDialog, nullptr);
    EXPECT_TRUE(g_app.gameRunning);
  });
  h.Run(1200);
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
TEST(DesktopPlay, APauseStopsClocksAndBoardAndTheGameResumesExactly) {
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

// A controller plugged in: Start opens the menus, the stick moves one item per push however
// far it goes, A chooses, the stick and the d-pad steer; unplugged and plugged again, it works.
TEST(DesktopPlay, AGameControllerChoosesMenuItemsAndSteersOnePushAtATime) {
  GameHarness h;
  HeadlessBackend &s = *h.screen;
  InputEvent added;
  added.kind = InputEvent::Kind::PadAdded;
  added.pad = 3;
  s.QueueEvent(1, added);
  s.QueuePadButton(10, PadButton::Start, 3); // "Ok" on the splash
  s.QueuePadButton(20, PadButton::Start, 3); // "Menu"
  for (int value : {12000, 20000, 25000, 32767, 20000})
    s.QueuePadAxis(30, PadAxis::LeftY, value, 3); // one push: "Difficulty"
  s.QueuePadButton(40, PadButton::A, 3);
  s.QueuePadAxis(45, PadAxis::LeftY, 9000, 3); // not yet let go
  s.QueuePadAxis(46, PadAxis::LeftY, 30000, 3);
  s.QueuePadAxis(47, PadAxis::LeftY, 0, 3);
  s.QueuePadAxis(48, PadAxis::LeftY, 30000, 3); // a second push: "Level 2"
  s.QueuePadButton(50, PadButton::A, 3);
  h.At(60, [] {
    EXPECT_TRUE(g_app.gameRunning);
    EXPECT_EQ(g_app.gameLevel, 1);
  });
  const GameSettings &settings = g_app.settings;
  s.QueuePadAxis(100, PadAxis::LeftX, -30000, 3);
  h.At(105, [&] { EXPECT_EQ(g_app.padX, settings.padLeft); });
  s.QueuePadAxis(110, PadAxis::LeftY, -30000, 3); // rolled on to up without passing the centre
  h.At(115, [&] { EXPECT_EQ(g_app.padY, settings.padUp); });
  s.QueuePadButton(120, PadButton::Down, 3);
  std::vector<std::uint32_t> padBar, keyBar;
  auto bar = [] {
    std::vector<std::uint32_t> pixels;
    for (int y = 320 - kSoftKeyBarHeight; y < 320; ++y)
      for (int x = 0; x < 40; ++x)
        pixels.push_back(ScreenPixel(x, y));
    return pixels;
  };
  h.At(125, [&] {
    EXPECT_EQ(g_app.padY, settings.padDown);
    padBar = bar(); // the hints name the controller's buttons
  });
  InputEvent removed = added;
  removed.kind = InputEvent::Kind::PadRemoved;
  s.QueueEvent(200, removed); // unplugged with its stick held up
  h.At(205, [&] {
    keyBar = bar();
    EXPECT_NE(keyBar, padBar);
  });
  added.pad = 4;
  s.QueueEvent(300, added);
  s.QueuePadAxis(310, PadAxis::LeftX, 32767, 4);
  h.At(315, [&] {
    EXPECT_EQ(g_app.padX, settings.padRight);
    EXPECT_EQ(bar(), padBar);
  });
  h.Key(320, VK_UP);
  h.At(325, [&] { EXPECT_EQ(bar(), keyBar); });
  h.Run(400);
}

} // namespace
