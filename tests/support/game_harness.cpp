#include "support/game_harness.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "app/startup.h"
#include "capture/camera_source.h"
#include "game/snake_board.h"
#include "platform/gdi.h"
#include "platform/gdi_internal.h"
#include "platform/resources.h"
#include "platform/window.h"
#include "platform/window_manager.h"
#include "resources/resource_ids.h"
#include "resources/vexmoor_resources.h"
#include "state/app_state.h"

GameHarness::GameHarness() {
  char base[] = "/tmp/vexmoor-game-XXXXXX";
  folder = mkdtemp(base) ? base : "";
  settingsFile = folder + "/settings.txt";
  resultsFile = folder + "/results.txt";
  ResetAppState();
  auto backend = std::make_unique<HeadlessBackend>();
  screen = backend.get();
  PlatformStart(std::move(backend));
  std::string error;
  SetCameraSource("none", &error);
  screen->onIdle = [this](HeadlessBackend &s) {
    while (!checks_.empty() && checks_.begin()->first <= s.NowMs()) {
      auto f = std::move(checks_.begin()->second);
      checks_.erase(checks_.begin());
      f();
    }
    if (eachIdle)
      eachIdle();
  };
}

GameHarness::~GameHarness() {
  PlatformStop();
  ResetAppState();
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

void GameHarness::At(std::uint64_t atMs, std::function<void()> f) {
  checks_.emplace(atMs, std::move(f));
  InputEvent wake;
  wake.kind = InputEvent::Kind::Nothing;
  screen->QueueEvent(atMs, wake); // so the loop waits at that moment even with no timer due
}

void GameHarness::Key(std::uint64_t atMs, std::uint32_t key, const std::u16string &text) {
  screen->QueueKey(atMs, key, text);
}

void GameHarness::Text(std::uint64_t atMs, const std::u16string &text) { screen->QueueText(atMs, text); }

void GameHarness::OpenGameScreen(std::uint64_t atMs) { Key(atMs, VK_F1); }

void GameHarness::Command(std::uint64_t atMs, int command) {
  At(atMs, [command] { PostMessageW(g_app.gameDialog, WM_COMMAND, std::uintptr_t(command), 0); });
}

int GameHarness::Run(std::uint64_t closeAtMs) {
  InputEvent close;
  close.kind = InputEvent::Kind::CloseRequest;
  screen->QueueEvent(closeAtMs, close);
  SetStartupFiles(settingsFile, resultsFile);
  HINSTANCE instance = CreateModule(&VexmoorResources());
  int code = VexmoorEntry(instance, SW_SHOW);
  DestroyModule(instance);
  // A check that never ran would let a broken run pass silently.
  if (!checks_.empty())
    ADD_FAILURE() << checks_.size() << " timed checks never ran (first at " << checks_.begin()->first
                  << " ms)";
  return code;
}

void FeedAhead() {
  SnakeBoard *b = g_app.board;
  if (!b || !g_app.gameRunning)
    return;
  int n = b->BoardSize();
  int dx = b->dirX, dy = b->dirY;
  if (!b->started)
    dx = 1, dy = 0;
  b->foodX = (b->bodyX[0] + dx + n) % n;
  b->foodY = (b->bodyY[0] + dy + n) % n;
}

void FoodAway() {
  if (g_app.board)
    g_app.board->foodX = 10, g_app.board->foodY = 17;
}

std::function<void()> FeedUpTo(int score) {
  return [score] {
    if (g_app.gameRunning && g_app.score < score)
      FeedAhead();
    else
      FoodAway();
  };
}

std::uint32_t ScreenPixel(int x, int y) {
  const Surface &s = ScreenSurface();
  if (x < 0 || y < 0 || x >= s.width || y >= s.height)
    return 0;
  COLORREF c = FromRgb565(s.Row(y)[x]);
  return (std::uint32_t(GetRValue(c)) << 16) | (std::uint32_t(GetGValue(c)) << 8) | GetBValue(c);
}

std::uint32_t TimerPeriod(void *window, std::uintptr_t id) {
  for (const Timer &t : WM().timers)
    if (t.window == window && t.id == id)
      return t.period;
  return 0;
}

namespace {
const Menu::Item *Find(const Menu *menu, int id) {
  if (!menu)
    return nullptr;
  for (const Menu::Item &item : menu->items) {
    if (!item.submenu && item.id == id)
      return &item;
    if (const Menu::Item *inner = Find(item.submenu.get(), id))
      return inner;
  }
  return nullptr;
}
} // namespace

bool MenuChecked(void *menu, int id) {
  const Menu::Item *item = Find(static_cast<const Menu *>(menu), id);
  return item && item->checked;
}

LoneBoard::LoneBoard()
    : module(CreateModule(&VexmoorResources())), frame(CreateBitmap(240, 268, 1, 16, nullptr)),
      dc(CreateCompatibleDC(nullptr)), old_(SelectObject(dc, frame)) {
  board.LoadSprites(module);
  board.boardRect = RECT{0, 20, 240, 268};
}

LoneBoard::~LoneBoard() {
  SelectObject(dc, old_);
  DeleteDC(dc);
  DeleteObject(frame);
  board.LoadSprites(nullptr);
  DestroyModule(module);
}

const Surface &LoneBoard::Frame() const { return *BitmapSurface(frame); }
