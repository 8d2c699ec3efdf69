// A desktop player's ways through whole games on the headless screen: turning the screen
// before the game screen opens, menu digits and Enter around the name entry, dialogs over
// dialogs, the pause, and a game controller.

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

void ExpectLaidOut(int width, int height) {
  EXPECT_EQ(g_app.screenWidth, width);
  EXPECT_EQ(g_app.screenHeight, height);
  RECT r{};
  ASSERT_TRUE(GetWindowRect(g_app.gameDialog, &r));
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, kTitleStripHeight);
  EXPECT_EQ(r.right, width);
  EXPECT_EQ(r.bottom, height - kSoftKeyBarHeight);
  EXPECT_EQ(g_app.board->boardRect.right, width);
  EXPECT_EQ(g_app.board->boardRect.bottom, height - kTitleStripHeight - kSoftKeyBarHeight);
  // The score, right-aligned in the head-up strip, is on the screen.
  EXPECT_GT(HudPixels(width - 12, kTitleStripHeight, width, kTitleStripHeight + 20), 0);
}

TEST(DesktopPlay, TheGameScreenOpenedAfterATurnFitsTheScreenInBothOrientations) {
  GameHarness h;
  h.Key(5, VK_F9);      // the splash turns before the game screen is open,
  h.Key(10, VK_RETURN); // which Enter opens, as the splash's "Ok"
  h.At(50, [] {
    EXPECT_EQ(g_app.orientation, 1);
    ExpectLaidOut(320, 240);
  });
  h.Key(60, VK_F9);
  h.At(100, [] {
    EXPECT_EQ(g_app.orientation, 2);
    ExpectLaidOut(240, 320);
  });
  h.Key(110, VK_F9);
  h.At(150, [] { ExpectLaidOut(320, 240); });
  h.Run(200);
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

// Best scores opened during a game stays open while the game ends and a second page shows the
// new score; when that one closes, the first is uncovered and shows the new score too.
TEST(DesktopPlay, ABestScoresPageUncoveredByASecondOneShowsTheNewScore) {
  GameHarness h;
  h.OpenGameScreen(10);
  h.Command(50, IDM_LEVEL_1);
  h.eachIdle = FeedUpTo(1);
  HWND first = nullptr;
  h.Command(500, IDM_BEST_SCORES);
  h.At(600, [&] {
    first = g_app.scoresDialog;
    EXPECT_EQ(HudPixels(0, 0, 240, 320), 0);
  });
  h.Command(700, IDM_NEW_GAME); // ends the game under the open page
  h.Key(800, VK_RETURN);        // the name, empty
  h.At(850, [&] { EXPECT_NE(g_app.scoresDialog, first); });
  h.Key(900, VK_RETURN); // the second page closes
  auto cyan = [] {
    int n = 0;
    for (int y = 26 + 23; y < 26 + 41; ++y)
      for (int x = 0; x < 240; ++x)
        n += ScreenPixel(x, y) == 0x00FCF8;
    return n;
  };
  auto title = [] {
    std::vector<std::uint32_t> pixels;
    for (int y = 26; y < 26 + 20; ++y)
      for (int x = 0; x < 240; ++x)
        pixels.push_back(ScreenPixel(x, y));
    return pixels;
  };
  std::vector<std::uint32_t> levelOne;
  h.At(901, [&] {
    EXPECT_TRUE(IsWindow(first));
    EXPECT_GT(cyan(), 10) << "the uncovered page was not painted at once";
    levelOne = title();
  });
  h.Key(1000, VK_F2);     // "Level" of the first page,
  h.Key(1010, '2', u"2"); // "Level 2":
  h.At(1120, [&] {        // its own timer repaints it
    EXPECT_NE(title(), levelOne);
    SaveScreen("uncovered-best-scores");
  });
  h.Run(1300);
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
    EXPECT_GT(HudPixels(60, 26 + 120, 180, 26 + 150), 50); // "Paused" over the board
    SaveScreen("paused");
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
    EXPECT_EQ(HudPixels(60, 26 + 120, 180, 26 + 150), 0);
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
    SaveScreen("pad-hints");
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
