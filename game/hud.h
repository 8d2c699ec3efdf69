#pragma once
// Text and fill helpers of the game screen, and its head-up strip: score, game clock,
// starvation countdown and "Game Over". Used by the board's frame drawing and the game
// screen's paint.

#include <cstdint>
#include <string>

#include "platform/types.h"

constexpr COLORREF kHudColour = 0x96FAFA;
constexpr const char16_t *kGameFontFace = u"Times New Roman";

// Creates a font (escapement, orientation, precisions, quality and pitch 0, default
// character set), selects it into hdc and makes the background transparent. Returns the
// font and stores the font it replaced in *previous; give both to ReleaseGameFont.
HFONT SelectGameFont(HDC hdc, int height, int width, int weight, bool italic, const char16_t *face,
                     HFONT *previous);
// Puts the previous font back and deletes the one SelectGameFont made.
void ReleaseGameFont(HDC hdc, HFONT font, HFONT previous);

// Fills (0, 0, width, height) with a black brush and the current pen.
void FillBlack(HDC hdc, int width, int height);

// The integer part truncated towards zero, then "." and `decimals` truncated digits:
// FormatDecimal(12.37, 1) is "12.3".
std::u16string FormatDecimal(double value, int decimals);

// The head-up texts at the top of a frame of the given width: the score right-aligned, the
// game clock, and for gameLevel 3 and above the starvation countdown, which is first
// raised to 0 when negative.
void DrawHud(HDC hdc, int width, int hudHeight, std::int32_t score, float elapsedTime, std::int32_t gameLevel,
             float *starveLeft);
// "Game Over" in the middle of a frame of width x height.
void DrawGameOver(HDC hdc, int width, int height);
