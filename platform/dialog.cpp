// Modal dialogs made from templates, their controls, and message boxes.

#include <algorithm>

#include "platform/gdi.h"
#include "platform/shell.h"
#include "platform/window.h"
#include "platform/window_manager.h"

namespace {

// Dialog units to pixels for the template font on this screen.
int UnitsToX(int units) { return units * 7 / 4; }
int UnitsToY(int units) { return units * 13 / 8; }

Window *CreateControl(Window *dialog, HINSTANCE instance, const DialogItemDef &item) {
  // The templates know edit and static controls only.
  Window *c = NewWindow(item.className == u"EDIT" ? u"EDIT" : u"STATIC");
  c->text = item.text;
  c->id = item.id;
  c->style = item.style;
  c->parent = dialog;
  c->visible = (item.style & WS_VISIBLE) != 0;
  c->rect = RECT{UnitsToX(item.x), UnitsToY(item.y), UnitsToX(item.x + item.cx), UnitsToY(item.y + item.cy)};
  if (c->kind == WindowKind::Edit)
    c->caret = int(c->text.size());
  else if (c->kind == WindowKind::Static && (item.style & 0x1F) == SS_BITMAP)
    c->picture = LoadBitmapW(instance, item.bitmapId);
  dialog->children.push_back(c);
  WM().windows.push_back(c);
  return c;
}

// The controls paint onto the dialog after its own procedure has.
void PaintControls(Window *dialog) {
  HDC dc = GetDC(dialog);
  for (Window *c : std::vector<Window *>(dialog->children))
    if (c->visible)
      SendMessageW(c, WM_PAINT, reinterpret_cast<std::uintptr_t>(dc), 0);
  ReleaseDC(dialog, dc);
}

} // namespace

std::intptr_t DialogWindowProc(HWND window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) {
  Window *w = window;
  std::intptr_t result = w->dialogProc ? w->dialogProc(w, message, wParam, lParam) : 0;
  if (w->dead)
    return result;
  switch (message) {
  case WM_KEYDOWN:
    // Keys reach the dialog's procedure as WM_GETDLGCODE with the key code.
    if (!result)
      w->dialogProc(w, WM_GETDLGCODE, wParam, 0);
    return 0;
  case WM_PAINT:
    if (!w->children.empty())
      PaintControls(w);
    return 0;
  case WM_CLOSE:
    if (!result)
      PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
    return 0;
  default:
    return result;
  }
}

std::intptr_t DialogBoxIndirectParamW(HINSTANCE instance, const DialogTemplate *dialogTemplate, HWND owner,
                                      DialogProc procedure, std::intptr_t param) {
  if (!dialogTemplate || !procedure)
    return -1;
  Window *d = NewWindow(u"#32770");
  d->dialogProc = procedure;
  d->style = dialogTemplate->style;
  d->owner = LiveWindow(owner);
  RECT work = WorkArea();
  d->rect = RECT{work.left, work.top, work.left + UnitsToX(dialogTemplate->cx),
                 work.top + UnitsToY(dialogTemplate->cy)};
  d->surface.Resize(d->rect.right - d->rect.left, d->rect.bottom - d->rect.top);
  WM().windows.push_back(d);
  for (const DialogItemDef &item : dialogTemplate->items)
    CreateControl(d, instance, item);
  BusyGuard guard(d);
  if (d->owner)
    d->owner->enabled = false;
  d->visible = true;
  WM().zOrder.push_back(d);
  HWND focusTarget = nullptr;
  for (Window *c : d->children)
    if (c->style & WS_TABSTOP) {
      focusTarget = c;
      break;
    }
  if (SendMessageW(d, WM_INITDIALOG, reinterpret_cast<std::uintptr_t>(focusTarget), param) && focusTarget &&
      !d->dead && !WM().focus)
    SetFocus(focusTarget);
  if (!d->dead) {
    // Background from the dialog's own brush, then the first paint.
    std::intptr_t brush = d->dialogProc(d, WM_CTLCOLORDLG, 0, 0);
    HDC dc = GetDC(d);
    RECT all{0, 0, d->surface.width, d->surface.height};
    FillRect(dc, &all,
             brush ? reinterpret_cast<HBRUSH>(brush) : reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ReleaseDC(d, dc);
    InvalidateWindow(d);
  }
  MSG msg;
  while (!d->dead && !d->dialogEnded) {
    NextMessage(&msg, false, 0);
    if (msg.message == WM_QUIT) {
      PostQuitMessage(int(msg.wParam));
      break;
    }
    DispatchMessageW(&msg);
  }
  std::intptr_t result = d->dialogResult;
  if (Window *o = LiveWindow(d->owner))
    o->enabled = true;
  else if (d->owner && !d->dead) {
    d->owner = nullptr;
  }
  DestroyWindow(d);
  return result;
}

bool EndDialog(HWND dialog, std::intptr_t result) {
  Window *d = LiveWindow(dialog);
  if (!d || d->kind != WindowKind::Dialog)
    return false;
  d->dialogEnded = true;
  d->dialogResult = result;
  return true;
}

HWND GetDlgItem(HWND dialog, int id) {
  Window *d = LiveWindow(dialog);
  if (!d)
    return nullptr;
  for (Window *c : d->children)
    if (c->id == id)
      return c;
  return nullptr;
}

HWND SetFocus(HWND window) {
  HWND previous = WM().focus;
  Window *w = LiveWindow(window);
  WM().focus = w;
  if (w && w->kind == WindowKind::Edit)
    w->caret = int(w->text.size());
  return previous;
}

HWND GetFocus() { return WM().focus; }

int GetWindowTextW(HWND window, char16_t *buffer, int bufferMax) {
  Window *w = LiveWindow(window);
  if (!buffer || bufferMax <= 0)
    return 0;
  if (!w) {
    buffer[0] = 0;
    return 0;
  }
  int count = std::min(int(w->text.size()), bufferMax - 1);
  std::copy_n(w->text.data(), count, buffer);
  buffer[count] = 0;
  return count;
}

bool SetWindowTextW(HWND window, const char16_t *text) {
  Window *w = LiveWindow(window);
  if (!w)
    return false;
  w->text = text ? text : u"";
  w->caret = std::min(w->caret, int(w->text.size()));
  if (w == WM().appWindow)
    WM().backend->SetWindowTitle(w->text);
  InvalidateWindow(w);
  MarkScreenDirty();
  return true;
}

int MessageBoxW(HWND, const char16_t *text, const char16_t *caption, std::uint32_t) {
  MessageBoxState box{text ? text : u"", caption ? caption : u"", false};
  WM().messageBoxes.push_back(&box);
  MarkScreenDirty();
  MSG msg;
  while (!box.done) {
    NextMessage(&msg, false, 0);
    if (msg.message == WM_QUIT) {
      PostQuitMessage(int(msg.wParam));
      break;
    }
    DispatchMessageW(&msg);
  }
  auto &boxes = WM().messageBoxes;
  boxes.erase(std::remove(boxes.begin(), boxes.end(), &box), boxes.end());
  MarkScreenDirty();
  return IDOK;
}

bool MessageBoxHandleKey(std::uint32_t key) {
  auto &boxes = WM().messageBoxes;
  if (boxes.empty())
    return false;
  if (key == VK_RETURN || key == VK_F1 || key == VK_BACK || key == VK_ESCAPE) {
    boxes.back()->done = true;
    MarkScreenDirty();
    PostMessageW(nullptr, 0, 0, 0); // wakes the box's loop so it sees it is done
  }
  return true;
}
