#pragma once
// The game timer and the desktop's pause. P and the Pause key pause and resume a running
// game, Enter resumes it, losing the focus pauses it. While paused the timer stands, so the
// game clock and the starvation countdown do, and paints draw the board without a step;
// resuming starts the timer with what was left of its period, so the game goes on as if the
// pause had not been. Used by the game screen.

#include <cstdint>

#include "platform/types.h"

// Starts (or restarts) timer 40017 on the game screen with the period in milliseconds; its
// procedure is the trail's OnGameTick.
void StartGameTimer(std::uint32_t period);
// The steering vector the last tick's vote gave, as the trail handed it over (a paint then
// replaces it by the pad's when the pad steers). For the camera view.
void LastTickSteering(int *x, int *y);

bool GamePaused();
// Both do nothing unless a game runs and is (not) paused.
void PauseGame();
void ResumeGame();
// Asked by each paint: true while paused, and once after resuming, for the paint that takes
// "Paused" away: the board is then drawn without a step.
bool PaintStandsStill();
// A game that starts or ends is no longer paused; the timer is then the caller's.
void ForgetPause();
// "Paused" in the middle of a frame of width x height, in the head-up strip's font and colour.
void DrawPaused(HDC hdc, int width, int height);
