#include "game/pause.h"

#include <string>
#include <utility>

#include "game/hud.h"
#include "motion/point_trail.h"
#include "platform/gdi.h"
#include "platform/window.h"
#include "resources/resource_ids.h"
#include "state/app_state.h"
#include "ui/game_text.h"

namespace {

bool g_paused = false;
std::uint32_t g_period = 0; // the game timer's period
std::uint32_t g_due = 0;    // loop time of its next tick
std::uint32_t g_left = 0;   // what was left of the period when the game paused
bool g_shortPeriod = false; // the timer runs the rest of a period cut by a pause
bool g_stillPaint = false;  // the paint that takes "Paused" away takes no step
int g_voteX = 0, g_voteY = 0;

void OnTick(HWND window, std::uint32_t message, std::uintptr_t id, std::uint32_t time) {
  if (std::exchange(g_shortPeriod, false))
    SetTimer(g_app.gameDialog, IDT_GAME, g_period, OnTick);
  g_due = GetTickCount() + g_period;
  OnGameTick(window, message, id, time);
  g_voteX = g_app.steerX;
  g_voteY = g_app.steerY;
}

} // namespace

void StartGameTimer(std::uint32_t period) {
  g_period = period;
  g_due = GetTickCount() + period;
  g_shortPeriod = false;
  SetTimer(g_app.gameDialog, IDT_GAME, period, OnTick);
}

void LastTickSteering(int *x, int *y) {
  *x = g_voteX;
  *y = g_voteY;
}

bool GamePaused() { return g_paused; }

void PauseGame() {
  if (g_paused || !g_app.gameRunning)
    return;
  g_paused = true;
  const std::uint32_t now = GetTickCount();
  g_left = g_due > now ? g_due - now : 1;
  KillTimer(g_app.gameDialog, IDT_GAME);
  RedrawWindow(g_app.gameDialog, nullptr, nullptr, RDW_INVALIDATE);
}

void ResumeGame() {
  if (!g_paused || !g_app.gameRunning)
    return;
  g_paused = false;
  // Camera reports that came while the game stood would steer the first step after it.
  g_app.trailCount.store(0);
  SetTimer(g_app.gameDialog, IDT_GAME, g_left, OnTick);
  g_due = GetTickCount() + g_left;
  g_shortPeriod = true;
  g_stillPaint = true;
  RedrawWindow(g_app.gameDialog, nullptr, nullptr, RDW_INVALIDATE);
}

bool PaintStandsStill() { return g_paused || std::exchange(g_stillPaint, false); }

void ForgetPause() { g_paused = g_stillPaint = false; }

void DrawPaused(HDC hdc, int width, int height) {
  HFONT previous = nullptr;
  HFONT font = SelectGameFont(hdc, 26, 0, FW_BOLD, false, kGameFontFace, &previous);
  SetTextColor(hdc, kHudColour);
  const std::u16string text = u"Paused";
  POINT size{};
  GetTextExtentPoint32W(hdc, text.c_str(), int(text.size()), &size);
  TextAt(hdc, (width - size.x) / 2, height / 2 - 13, text);
  ReleaseGameFont(hdc, font, previous);
}
