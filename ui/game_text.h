#pragma once
// Text and fill helpers that the game screen, the board and the score dialogs draw with:
// the game's font, text at a point, a black fill and decimal numbers.

#include <string>

#include "platform/types.h"

inline constexpr const char16_t *kGameFontFace = u"Times New Roman";

// Creates a font (escapement, orientation, precisions, quality and pitch 0, default
// character set), selects it into hdc and makes the background transparent. Returns the
// font and stores the font it replaced in *previous; give both to ReleaseGameFont.
HFONT SelectGameFont(HDC hdc, int height, int width, int weight, bool italic, const char16_t *face,
                     HFONT *previous);
// Puts the previous font back and deletes the one SelectGameFont made.
void ReleaseGameFont(HDC hdc, HFONT font, HFONT previous);

// Writes text at (x, y) in hdc's current font and colour, without clipping or options.
void TextAt(HDC hdc, int x, int y, const std::u16string &text);

// Fills (0, 0, width, height) with a black brush and the current pen.
void FillBlack(HDC hdc, int width, int height);

// The integer part truncated towards zero, then "." and `decimals` truncated digits:
// FormatDecimal(12.37, 1) is "12.3", FormatDecimal(-42, 0) is "-42".
std::u16string FormatDecimal(double value, int decimals);
