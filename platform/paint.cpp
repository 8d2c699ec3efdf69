// Painting: invalid windows, their backgrounds, and the device contexts that draw on them.

#include <cstdint>

#include "platform/gdi.h"
#include "platform/gdi_internal.h"
#include "platform/window.h"
#include "platform/window_manager.h"

void InvalidateWindow(Window *w) {
  while (w && !IsTopLevel(w))
    w = w->parent;
  if (w)
    w->invalid = true;
}

Window *NextInvalid() {
  auto &z = WM().zOrder;
  for (auto it = z.rbegin(); it != z.rend(); ++it)
    if ((*it)->invalid && (*it)->visible)
      return *it;
  for (Window *w : WM().windows)
    if (w->invalid && w->visible && IsTopLevel(w))
      return w;
  return nullptr;
}

void EraseBackground(Window *w) {
  HBRUSH brush = w->background;
  if (w->kind == WindowKind::Dialog) {
    std::intptr_t result = w->dialogProc ? w->dialogProc(w, WM_CTLCOLORDLG, 0, 0) : 0;
    brush = result ? reinterpret_cast<HBRUSH>(result) : reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  }
  if (!brush)
    return;
  HDC dc = CreateSurfaceDC(&w->surface);
  RECT all{0, 0, w->surface.width, w->surface.height};
  FillRect(dc, &all, brush);
  DeleteDC(dc);
}

HDC GetDC(HWND window) {
  Window *w = LiveWindow(window);
  while (w && !IsTopLevel(w))
    w = w->parent;
  if (!w)
    return nullptr;
  return CreateSurfaceDC(&w->surface);
}

int ReleaseDC(HWND, HDC dc) {
  if (!dc)
    return 0;
  DeleteDC(dc);
  MarkScreenDirty();
  return 1;
}

HDC BeginPaint(HWND window, PAINTSTRUCT *paint) {
  Window *w = LiveWindow(window);
  if (!w || !paint)
    return nullptr;
  w->invalid = false;
  paint->hdc = GetDC(w);
  paint->fErase = false;
  paint->rcPaint = RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
  return paint->hdc;
}

bool EndPaint(HWND window, const PAINTSTRUCT *paint) {
  if (!paint)
    return false;
  ReleaseDC(window, paint->hdc);
  return true;
}

bool RedrawWindow(HWND window, const RECT *, void *, std::uint32_t flags) {
  Window *w = LiveWindow(window);
  if (!w)
    return false;
  if (flags & RDW_INVALIDATE)
    InvalidateWindow(w);
  return true;
}

bool InvalidateRect(HWND window, const RECT *, bool) {
  Window *w = LiveWindow(window);
  if (!w)
    return false;
  InvalidateWindow(w);
  return true;
}
