#pragma once
// The game screen's head-up strip: score, game clock, starvation countdown and
// "Game Over". Drawn by the game screen's paint.

#include <cstdint>

#include "platform/types.h"

constexpr COLORREF kHudColour = 0x96FAFA;

// The head-up texts at the top of a frame of the given width: the score right-aligned, the
// game clock, and for gameLevel 3 and above the starvation countdown, which is first
// raised to 0 when negative.
void DrawHud(HDC hdc, int width, int hudHeight, std::int32_t score, float elapsedTime, std::int32_t gameLevel,
             float *starveLeft);
// "Game Over" in the middle of a frame of width x height.
void DrawGameOver(HDC hdc, int width, int height);
