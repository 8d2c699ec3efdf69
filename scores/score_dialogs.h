#pragma once
// The three dialogs the game screen opens over itself: best scores (108), name entry (109)
// and About (9). Each runs modally with the game screen as owner.

#include <cstdint>

#include "platform/types.h"

class ScoreTable;
struct ScoreRecord;

std::intptr_t BestScoresDialogProc(HWND dialog, std::uint32_t message, std::uintptr_t wParam,
                                   std::intptr_t lParam);
std::intptr_t NameEntryDialogProc(HWND dialog, std::uint32_t message, std::uintptr_t wParam,
                                  std::intptr_t lParam);
std::intptr_t AboutDialogProc(HWND dialog, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam);

// The whole best-scores page of one level, into hdc of width x height.
void DrawScoreTable(const ScoreTable *table, HDC hdc, int height, int width, int level);
// One line of the page at (x, y) in hdc's current font and colour: "1. Zed 42" for number 1,
// name Zed and score 42, at most 255 UTF-16 units.
void DrawScoreLine(const ScoreRecord &record, HDC hdc, int number, int x, int y);
