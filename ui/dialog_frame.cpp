#include "ui/dialog_frame.h"

#include <utility>

#include "platform/gdi.h"
#include "platform/resources.h"
#include "platform/window.h"
#include "state/app_state.h"
#include "ui/game_text.h"

std::intptr_t RunDialog(int id, HWND owner, DialogProc procedure) {
  HRSRC resource = FindResourceW(g_app.instance, id, RT_DIALOG);
  const DialogTemplate *dialog = LoadResource(g_app.instance, resource);
  if (!dialog)
    return -1;
  return DialogBoxIndirectParamW(g_app.instance, dialog, owner, procedure, 0);
}

int ScreenOrientation() {
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  return height < width ? 1 : height > width ? 2 : 0;
}

int DialogAreaHeight() { return g_app.screenHeight - g_app.dialogTop - g_app.menuBarHeight; }

void PlaceDialog(HWND dialog, int top) {
  MoveWindow(dialog, 0, top, g_app.screenWidth, DialogAreaHeight(), true);
}

void FollowScreenTurn(HWND dialog) {
  // Set at start-up from the screen; 0 is a square screen, which never turns.
  if (g_app.orientation == 0)
    return;
  const int wanted = ScreenOrientation();
  if (wanted != 0 && g_app.orientation != wanted) {
    g_app.orientation = wanted;
    std::swap(g_app.screenWidth, g_app.screenHeight);
    SetWindowPos(dialog, HWND_TOP, 0, g_app.dialogTop, g_app.screenWidth, DialogAreaHeight(), SWP_SHOWWINDOW);
    return;
  }
  // The game screen below may have taken the turn first and swapped the geometry already;
  // the dialog must still follow it.
  RECT r{};
  if (GetWindowRect(dialog, &r) && (r.left != 0 || r.top != g_app.dialogTop || r.right != g_app.screenWidth ||
                                    r.bottom - r.top != DialogAreaHeight()))
    SetWindowPos(dialog, HWND_TOP, 0, g_app.dialogTop, g_app.screenWidth, DialogAreaHeight(), SWP_SHOWWINDOW);
}

void CloseProgramFrom(HWND dialog) {
  EndDialog(dialog, 0);
  SendMessageW(g_app.mainWindow, WM_CLOSE, 0, 0);
}

DialogCanvas::DialogCanvas(HWND dialog)
    : dialog_(dialog), window_(GetDC(dialog)), memory_(CreateCompatibleDC(window_)),
      width_(g_app.screenWidth), height_(DialogAreaHeight()) {
  if (g_app.dialogBackBuffer)
    DeleteObject(g_app.dialogBackBuffer);
  g_app.dialogBackBuffer = CreateBitmap(width_, height_, 1, 16, nullptr);
  if (g_app.dialogBackBuffer)
    previous_ = SelectObject(memory_, g_app.dialogBackBuffer);
  FillBlack(memory_, width_, height_);
}

DialogCanvas::~DialogCanvas() {
  if (previous_)
    SelectObject(memory_, previous_);
  DeleteDC(memory_);
  ReleaseDC(dialog_, window_);
}

void DialogCanvas::Show() {
  if (g_app.dialogBackBuffer)
    BitBlt(window_, 0, 0, width_, height_, memory_, 0, 0, SRCCOPY);
}
