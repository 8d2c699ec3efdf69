// The screens of whole runs on the headless screen, at fixed seeds and virtual times, against
// the golden pictures beside this file: the splash, the game screen idle and in play, its
// banners, the pause, every dialog and the menus, in portrait and in landscape. Where two
// ways lead to one screen, both are compared with the same picture.

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <tuple>

#include "app/startup.h"
#include "game/camera_view.h"
#include "game/snake_board.h"
#include "platform/backend.h"
#include "platform/gdi.h"
#include "platform/gdi_internal.h"
#include "platform/window.h"
#include "resources/resource_ids.h"
#include "scores/score_table.h"
#include "state/app_state.h"
#include "support/game_harness.h"
#include "support/golden.h"
#include "ui/game_text.h"

namespace {

void Shot(GameHarness &h, std::uint64_t atMs, const std::string &name) {
  h.At(atMs, [name] { ExpectGolden(name); });
}

// The game screen open at 10 ms, a game of the level started at 50 ms.
void Play(GameHarness &h, int level) {
  h.OpenGameScreen(10);
  h.Command(50, IDM_LEVEL_1 + level);
}

TEST(Golden, SplashCameraErrorAndTheIdleGameScreenAfterATurn) {
  {
    GameHarness h;
    Shot(h, 5, "splash-portrait");
    h.Key(10, VK_F9);
    Shot(h, 20, "splash-landscape");
    h.Key(30, VK_RETURN); // the splash's "Ok": the game screen opens turned
    Shot(h, 60, "idle-landscape");
    h.Key(70, VK_F9);
    Shot(h, 100, "idle-portrait");
    h.Run(150);
  }
  GameHarness h;
  AssumeCameraBuild(0); // a camera was asked for and could not be opened
  Shot(h, 50, "camera-error");
  h.Key(60, VK_RETURN);
  Shot(h, 70, "splash-portrait"); // the box leaves nothing behind
  h.Run(100);
}

// The soft-key bar names the keys of what was used last: a game controller's buttons, then
// the keyboard's again.
TEST(Golden, KeyHintsFollowTheControllerAndTheKeyboard) {
  GameHarness h;
  InputEvent added;
  added.kind = InputEvent::Kind::PadAdded;
  h.screen->QueueEvent(5, added);
  h.screen->QueuePadButton(10, PadButton::Start); // the splash's "Ok"
  Shot(h, 50, "idle-pad-hints");
  h.Key(60, VK_F9);
  h.Key(70, VK_F9);
  Shot(h, 100, "idle-portrait");
  h.Run(150);
}

TEST(Golden, MenusOverTheIdleGameScreen) {
  GameHarness h;
  h.OpenGameScreen(10);
  Shot(h, 50, "idle-portrait");
  h.Key(60, VK_F1); // "Menu"
  Shot(h, 70, "menu");
  h.Key(80, '2'); // "Difficulty"
  Shot(h, 90, "menu-difficulty");
  h.Key(100, VK_ESCAPE);
  h.Key(110, VK_ESCAPE);
  h.Key(120, VK_F9);
  Shot(h, 150, "idle-landscape");
  h.Run(200);
}

// Level 1 turning twice; Level 2 going up through the top edge, the food lying on the corner
// the snake left behind at the top.
TEST(Golden, BendsAndASnakeAcrossTheTopEdge) {
  {
    GameHarness h;
    Play(h, 0);
    h.eachIdle = FeedUpTo(3);
    h.Key(700, VK_DOWN);
    h.Key(1100, VK_LEFT);
    Shot(h, 1500, "level1");
    h.Run(1600);
  }
  GameHarness h;
  Play(h, 1);
  h.eachIdle = [] {
    if (g_app.gameRunning && g_app.score < 2)
      FeedAhead();
    else if (g_app.board)
      g_app.board->foodX = 5, g_app.board->foodY = 0;
  };
  h.Key(100, VK_UP); // after the first step right
  Shot(h, 1300, "wrap-top-edge");
  h.Run(1400);
}

// A Level 5 game with a grown, bent snake: right along the top, down outside the hedge, then
// left below it; in portrait, then turned.
TEST(Golden, LevelFiveAroundTheHedgeInBothOrientations) {
  GameHarness h;
  Play(h, 4);
  int shots = 0;
  h.eachIdle = [&] {
    SnakeBoard *b = g_app.board;
    if (!b || !g_app.gameRunning)
      return;
    if (g_app.score < 9)
      FeedAhead();
    else
      b->foodX = b->foodY = 2; // off the snake's way
    const int x = b->bodyX[0], y = b->bodyY[0];
    const GameSettings &s = g_app.settings;
    if (y == 17)
      g_app.padX = s.padLeft, g_app.padY = 0;
    else if (x >= 17)
      g_app.padX = 0, g_app.padY = s.padDown;
    else
      g_app.padX = s.padRight, g_app.padY = 0;
    if (shots == 0 && x == 12 && y == 17) {
      ExpectGolden("level5-portrait");
      ++shots;
      RotateScreen();
    } else if (shots == 1 && x == 9 && y == 17) {
      ExpectGolden("level5-landscape");
      ++shots;
    }
  };
  h.Run(20000);
  EXPECT_EQ(shots, 2);
}

TEST(Golden, GameOverAtTheHedgeInBothOrientations) {
  GameHarness h;
  Play(h, 4);
  h.eachIdle = FoodAway;
  h.Key(100, VK_DOWN); // after the first step right, down column 5 into the hedge
  Shot(h, 1600, "game-over-portrait");
  h.Key(1650, VK_F9);
  Shot(h, 1700, "game-over-landscape");
  h.Run(1800);
}

// Level 4 without food: the countdown, the pause in both orientations, and the end by
// starvation, its countdown shown as 0.0.
TEST(Golden, StarvationAndThePause) {
  GameHarness h;
  Play(h, 3);
  h.eachIdle = FoodAway;
  h.Key(1000, VK_DOWN);
  Shot(h, 3000, "starving");
  h.Key(3010, 'P');
  Shot(h, 3020, "paused-portrait");
  h.Key(3030, VK_F9);
  Shot(h, 3040, "paused-landscape");
  h.Key(3050, VK_F9);
  h.Key(3060, 'P');
  Shot(h, 9500, "starved");
  h.Run(9600);
}

// The camera steers and sees nothing: with a camera, "Better background needed"; without one,
// "No camera". Frame after frame leaves no graphics object behind.
TEST(Golden, CameraBanners) {
  {
    GameHarness h;
    AssumeCameraBuild(1);
    Play(h, 0);
    int objects = 0;
    h.At(500, [&] { objects = GdiObjectCount(); });
    Shot(h, 1000, "better-background");
    h.At(1500, [&] { EXPECT_EQ(GdiObjectCount(), objects); });
    h.Run(1600);
  }
  GameHarness h;
  h.OpenGameScreen(10);
  h.Command(20, IDM_CAMERA);
  h.Command(50, IDM_LEVEL_1);
  Shot(h, 1000, "no-camera");
  h.Run(1100);
}

// The camera view over a feed of the test's own: a picture with a motion report to the right
// and a rejected one, the good background's verdict; then in grey, flickering; then no camera.
// The view watches the feed while it is open, and only then.
CameraPicture g_shown;
bool g_cameraThere = true;
int g_watching = 0;

TEST(Golden, CameraViewInColourAndGreyAndWithoutACamera) {
  g_shown.width = 160, g_shown.height = 120, g_shown.blockSize = 4;
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 160; ++x)
      g_shown.pixels.push_back(std::uint16_t((x / 5) << 11 | (y / 2) << 5 | 0x1F));
  g_shown.verdict = CameraPicture::Verdict::GoodBackground;
  g_shown.block = {true, true, 40.0f, 2.0f, 3.0f, 2.0f};
  g_shown.reports = {{8, 0, true}, {0, 0, false}};
  GameHarness h;
  h.OpenGameScreen(10);
  h.At(15, [] {
    SetCameraViewFeed({[](bool on) { g_watching += on ? 1 : -1; },
                       [](CameraPicture *picture) {
                         if (g_cameraThere)
                           *picture = g_shown;
                         return g_cameraThere;
                       }});
  });
  h.Command(20, IDM_CAMERA_VIEW);
  h.At(200, [] {
    EXPECT_EQ(g_watching, 1);
    ExpectGolden("camera-view");
    g_shown.verdict = CameraPicture::Verdict::Flicker;
  });
  h.Key(210, VK_F2); // "View"
  h.Key(220, '2');   // "Grey"
  h.At(300, [] {
    ExpectGolden("camera-view-grey");
    g_cameraThere = false;
  });
  Shot(h, 400, "camera-view-no-camera");
  h.Key(410, VK_ESCAPE);
  h.At(500, [] { EXPECT_EQ(g_watching, 0); });
  EXPECT_EQ(h.Run(600), 0);
}

// A Level 2 game ends with 4 points under an open best-scores page, against a table of 9, 7,
// 5, 3, 1: the name entry offers the name entered last, a snake is typed after it, then a
// second page shows the new fourth line of Level 2 highlighted; closed, it uncovers the
// first, which shows the same at once and then, for another level, keeps the highlight on
// the fourth line. Turned between shots.
TEST(Golden, NameEntryAndBestScoresWithTheNewestHighlighted) {
  GameHarness h;
  {
    ScoreTable table(5, h.resultsFile);
    const char16_t *names[] = {u"Ann", u"Bob", u"Cy", u"Dee", u"Zoé"};
    for (int i = 0; i < 5; ++i)
      table.Insert(2, 20 + i, names[4 - i]);
    for (int i = 0; i < 5; ++i)
      table.Insert(1, 9 - 2 * i, names[i]);
  } // saved
  Play(h, 1);
  h.eachIdle = FeedUpTo(4);
  h.Command(1100, IDM_BEST_SCORES);
  h.Command(1200, IDM_NEW_GAME); // ends the game: the name is asked
  h.Text(1210, u"\U0001F40D");   // from a fallback face, in its own colours
  Shot(h, 1350, "name-entry-portrait");
  h.Key(1310, VK_F9);
  Shot(h, 1400, "name-entry-landscape");
  h.Key(1410, VK_RETURN);
  Shot(h, 1500, "best-scores-landscape");
  h.Key(1510, VK_F9);
  Shot(h, 1600, "best-scores-portrait");
  h.Key(1650, VK_RETURN);
  int objects = 0;
  h.At(1651, [&] {
    ExpectGolden("best-scores-portrait");
    objects = GdiObjectCount();
  });
  h.Key(1700, VK_F2); // "Level"
  Shot(h, 1710, "best-scores-level-menu");
  h.Key(1720, '3');
  h.At(1900, [&] {
    ExpectGolden("best-scores-level3");
    EXPECT_EQ(GdiObjectCount(), objects); // repaints later
  });
  h.Run(2000);
}

TEST(Golden, AboutInBothOrientations) {
  GameHarness h;
  h.OpenGameScreen(10);
  h.Command(50, IDM_ABOUT);
  Shot(h, 100, "about-portrait");
  h.Key(110, VK_F9);
  Shot(h, 200, "about-landscape");
  h.Run(300);
}

// One board drawn alone with every corner, a tail below its body, a head facing left and the
// food over a segment, in the program's own pictures.
TEST(Golden, EveryCornerOfTheSnakeAndTheFoodOverIt) {
  LoneBoard lone;
  SnakeBoard &board = lone.board;
  const int cells[][2] = {{2, 2}, {3, 2}, {4, 2}, {4, 3}, {4, 4}, {5, 4},
                          {6, 4}, {6, 3}, {7, 3}, {8, 3}, {8, 4}};
  board.length = 11;
  for (int i = 0; i < board.length; ++i)
    board.bodyX[i] = cells[i][0], board.bodyY[i] = cells[i][1];
  board.foodX = 5, board.foodY = 4;
  FillBlack(lone.dc, 240, 268);
  board.DrawFrame(lone.dc, 0, 0, false);
  ExpectGolden("board-pieces", &lone.Frame());
}

TEST(Golden, OnePixelFailsTheComparisonAndTheScreenIsSaved) {
  if (g_updateGolden)
    GTEST_SKIP();
  GameHarness h;
  h.At(5, [] {
    Surface screen = ScreenSurface();
    screen.Row(200)[100] ^= 1; // the least blue there is
    const GoldenDifference d = CompareWithGolden(screen, "splash-portrait");
    EXPECT_EQ(std::tuple(d.count, d.firstX, d.firstY), std::tuple(1, 100, 200));
    const std::string saved = std::string(VEXMOOR_GOLDEN_ACTUAL_DIR) + "/splash-portrait.png";
    std::filesystem::remove(saved);
    EXPECT_NONFATAL_FAILURE(ExpectGolden("splash-portrait", &screen),
                            "1 pixels differ, the first at (100, 200)");
    EXPECT_TRUE(std::filesystem::exists(saved));
    EXPECT_EQ(CompareWithGolden(screen, "no-such-picture").count, -1);
  });
  h.Run(10);
}

} // namespace
