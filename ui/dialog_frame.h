#pragma once
// What the game's dialogs share: running a dialog from the resources, the dialog area
// between title strip and soft-key bar, following a turn of the screen, closing the whole
// program from a dialog, and the off-screen page of a drawn dialog.

#include <cstdint>

#include "platform/types.h"

// Runs dialog `id` of the program's resources modally over owner with procedure.
std::intptr_t RunDialog(int id, HWND owner, DialogProc procedure);

// The orientation the screen has now: 1 landscape (height less than width), 2 portrait
// (height greater than width), 0 square.
int ScreenOrientation();

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
