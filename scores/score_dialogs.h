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

// Runs dialog `id` of the program's resources modally over owner with procedure.
std::intptr_t RunDialog(int id, HWND owner,
                        std::intptr_t (*procedure)(HWND, std::uint32_t, std::uintptr_t, std::intptr_t));

// Pieces the three dialog procedures share.

// Height of the dialog area: the screen less the title strip and the soft-key bar. Its width
// is the screen's.
int DialogAreaHeight();
// Moves dialog to (0, top), as wide as the screen and as high as the dialog area.
void PlaceDialog(HWND dialog, int top);
// WM_SIZE: records a turn of the screen in the shared geometry and keeps dialog over the area.
void FollowScreenTurn(HWND dialog);
// Message 0xC003: ends dialog and closes the main window, which ends the program.
void CloseProgramFrom(HWND dialog);

// The off-screen page of a drawn dialog: replaces the shared back buffer with a black one of
// the dialog area's size; Show copies it to the dialog. Everything is released on destruction.
class DialogCanvas {
public:
  explicit DialogCanvas(HWND dialog);
  ~DialogCanvas();
  DialogCanvas(const DialogCanvas &) = delete;
  DialogCanvas &operator=(const DialogCanvas &) = delete;

  HDC dc() const { return memory_; }
  int width() const { return width_; }
  int height() const { return height_; }
  void Show();

private:
  HWND dialog_;
  HDC window_;
  HDC memory_;
  HBITMAP previous_ = nullptr;
  int width_;
  int height_;
};
