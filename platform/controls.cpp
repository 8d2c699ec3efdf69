// The built-in control classes of dialogs: edit controls and static controls.

#include <algorithm>

#include "platform/gdi.h"
#include "platform/window.h"
#include "platform/window_manager.h"

namespace {

constexpr COLORREF kStaticText = RGB(235, 235, 225);

void InsertText(Window *edit, const std::u16string &units) {
  constexpr std::size_t kMaxEditLength = 255; // what a 256-unit buffer can read back whole
  for (char16_t u : units) {
    if (u < 0x20 || u == 0x7F || edit->text.size() >= kMaxEditLength)
      continue;
    edit->text.insert(edit->text.begin() + edit->caret, u);
    ++edit->caret;
  }
}

// Tells the dialog that its edit control changed, so the dialog sees every edit at once.
void NotifyParent(Window *edit) {
  constexpr std::uint16_t EN_UPDATE = 0x0400;
  if (edit->parent)
    SendMessageW(edit->parent, WM_COMMAND, MAKEWPARAM(std::uint16_t(edit->id), EN_UPDATE),
                 reinterpret_cast<std::intptr_t>(edit));
}

} // namespace

std::intptr_t EditWindowProc(HWND window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam) {
  Window *w = window;
  int length = int(w->text.size());
  w->caret = std::clamp(w->caret, 0, length);
  switch (message) {
  case WM_KEYDOWN:
    if (wParam == VK_LEFT && w->caret > 0)
      --w->caret;
    else if (wParam == VK_RIGHT && w->caret < length)
      ++w->caret;
    NotifyParent(w);
    return 0;
  case WM_CHAR:
    InsertText(w, std::u16string(1, char16_t(wParam)));
    NotifyParent(w);
    return 0;
  case EM_GETSEL:
    if (wParam)
      *reinterpret_cast<std::uint32_t *>(wParam) = std::uint32_t(w->caret);
    if (lParam)
      *reinterpret_cast<std::uint32_t *>(lParam) = std::uint32_t(w->caret);
    return std::intptr_t(MAKEWPARAM(std::uint16_t(w->caret), std::uint16_t(w->caret)));
  case EM_SETSEL: {
    auto end = std::intptr_t(lParam);
    w->caret = (end < 0 || end > length) ? length : int(end);
    return 0;
  }
  default:
    return 0;
  }
}

// A static control draws itself onto its dialog when the dialog paints (wParam is the
// dialog's device context): a picture at its natural size, or text in a small light face.
std::intptr_t StaticWindowProc(HWND window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
  Window *c = window;
  auto dc = reinterpret_cast<HDC>(wParam);
  if (message != WM_PAINT || !dc)
    return 0;
  if (c->picture) {
    BITMAP info;
    GetObjectW(c->picture, sizeof info, &info);
    HDC source = CreateCompatibleDC(dc);
    HBITMAP old = SelectObject(source, c->picture);
    BitBlt(dc, c->rect.left, c->rect.top, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
  } else if (!c->text.empty()) {
    ChromeText(dc, c->rect.left, c->rect.top, c->text, kStaticText, ChromeFont(false));
  }
  return 0;
}
