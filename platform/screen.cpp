// The emulated screen: composing windows, title strip, soft keys, menus and message boxes,
// turning between portrait and landscape, and routing input.

#include <algorithm>

#include "platform/gdi.h"
#include "platform/gdi_internal.h"
#include "platform/shell.h"
#include "platform/window.h"
#include "platform/window_manager.h"

namespace {

constexpr COLORREF kTitleBack = RGB(22, 44, 96);
constexpr COLORREF kTitleText = RGB(255, 255, 255);
constexpr COLORREF kBoxBack = RGB(245, 245, 240);
constexpr COLORREF kBoxBorder = RGB(22, 44, 96);
constexpr COLORREF kBoxText = RGB(0, 0, 0);

void BlitWindow(Surface &screen, const Window *w) {
  const Surface &s = w->surface;
  int x0 = std::max(0, int(w->rect.left)), y0 = std::max(0, int(w->rect.top));
  int x1 = std::min(screen.width, int(w->rect.left) + s.width);
  int y1 = std::min(screen.height, int(w->rect.top) + s.height);
  for (int y = y0; y < y1; ++y) {
    const std::uint16_t *src = s.Row(y - w->rect.top) + (x0 - w->rect.left);
    std::copy(src, src + (x1 - x0), screen.Row(y) + x0);
  }
}

// The caption shown in the title strip: the active window's, or its owners'.
std::u16string ActiveCaption() {
  for (Window *w = LiveWindow(ActiveWindow()); w; w = w->owner)
    if (!w->text.empty() && w->kind == WindowKind::Normal)
      return w->text;
  return WM().appWindow ? WM().appWindow->text : u"";
}

void DrawTitleStrip(HDC dc) {
  int w = WM().screenWidth;
  FillBox(dc, RECT{0, 0, w, kTitleStripHeight}, kTitleBack);
  ChromeText(dc, 6, 5, ActiveCaption(), kTitleText, ChromeFont(true));
  Window *active = LiveWindow(ActiveWindow());
  if (active && active->doneButton && WM().messageBoxes.empty()) {
    FillBox(dc, RECT{w - 34, 4, w - 4, kTitleStripHeight - 4}, RGB(60, 110, 200));
    ChromeText(dc, w - 28, 5, u"ok", kTitleText, ChromeFont(true));
  }
}

// Splits text into lines that fit width, at spaces where possible.
std::vector<std::u16string> WrapText(HDC dc, const std::u16string &text, int width, HFONT font) {
  std::vector<std::u16string> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(u'\n', start);
    std::u16string paragraph =
        text.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
    std::u16string line;
    std::size_t pos = 0;
    while (pos < paragraph.size()) {
      std::size_t space = paragraph.find(u' ', pos);
      std::u16string word =
          paragraph.substr(pos, space == std::u16string::npos ? std::u16string::npos : space - pos);
      std::u16string candidate = line.empty() ? word : line + u" " + word;
      if (!line.empty() && ChromeTextWidth(dc, candidate, font) > width) {
        lines.push_back(line);
        line = word;
      } else {
        line = candidate;
      }
      pos = space == std::u16string::npos ? paragraph.size() : space + 1;
    }
    lines.push_back(line);
    if (end == std::u16string::npos)
      break;
    start = end + 1;
  }
  return lines;
}

void DrawMessageBox(HDC dc, const MessageBoxState &box) {
  int w = WM().screenWidth, h = WM().screenHeight;
  HFONT font = ChromeFont(false), bold = ChromeFont(true);
  int boxWidth = w - 24;
  std::vector<std::u16string> lines = WrapText(dc, box.text, boxWidth - 16, font);
  int lineHeight = 16;
  int boxHeight = 30 + int(lines.size()) * lineHeight + 10;
  int top = std::max(kTitleStripHeight + 4, (h - boxHeight) / 2);
  RECT r{12, top, 12 + boxWidth, top + boxHeight};
  FillBox(dc, r, kBoxBorder);
  FillBox(dc, RECT{r.left + 2, r.top + 24, r.right - 2, r.bottom - 2}, kBoxBack);
  ChromeText(dc, r.left + 8, r.top + 4, box.caption, kTitleText, bold);
  int y = r.top + 30;
  for (const auto &line : lines) {
    ChromeText(dc, r.left + 8, y, line, kBoxText, font);
    y += lineHeight;
  }
}

} // namespace

void DrawMessageBoxes(HDC dc) {
  for (const MessageBoxState *box : WM().messageBoxes)
    DrawMessageBox(dc, *box);
}

HFONT ChromeFont(bool bold) {
  static HFONT fonts[2] = {};
  HFONT &font = fonts[bold ? 1 : 0];
  if (!font) {
    LOGFONTW lf;
    lf.lfHeight = 15;
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    std::u16string face = u"Liberation Sans";
    std::copy(face.begin(), face.end(), lf.lfFaceName);
    font = CreateFontIndirectW(&lf);
  }
  return font;
}

void ChromeText(HDC dc, int x, int y, const std::u16string &text, COLORREF colour, HFONT font) {
  HFONT old = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  ExtTextOutW(dc, x, y, 0, nullptr, text.data(), std::uint32_t(text.size()), nullptr);
  SelectObject(dc, old);
}

void FillBox(HDC dc, RECT r, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

int ChromeTextWidth(HDC dc, const std::u16string &text, HFONT font) {
  HFONT old = SelectObject(dc, font);
  POINT size;
  GetTextExtentPoint32W(dc, text.data(), int(text.size()), &size);
  SelectObject(dc, old);
  return size.x;
}

void ComposeScreen() {
  WindowManager &wm = WM();
  Surface &screen = wm.screen;
  if (screen.width != wm.screenWidth || screen.height != wm.screenHeight)
    screen.Resize(wm.screenWidth, wm.screenHeight);
  std::fill(screen.pixels.begin(), screen.pixels.end(), std::uint16_t(0));
  for (const Window *w : wm.zOrder)
    if (w->visible)
      BlitWindow(screen, w);
  HDC dc = CreateSurfaceDC(&screen);
  DrawTitleStrip(dc);
  DrawSoftKeyBar(dc);
  DrawPopups(dc);
  DrawMessageBoxes(dc);
  DeleteDC(dc);
  wm.screenDirty = false;
  wm.lastComposeMs = wm.backend->NowMs();
  wm.backend->Present(screen);
}

const Surface &ScreenSurface() {
  if (WM().screenDirty)
    ComposeScreen();
  return WM().screen;
}

void RotateScreen() {
  WindowManager &wm = WM();
  std::swap(wm.screenWidth, wm.screenHeight);
  ClosePopups();
  RECT work = WorkArea();
  std::vector<Window *> topLevel;
  for (Window *w : wm.windows) {
    if (w->kind == WindowKind::MenuBar)
      w->rect = RECT{0, wm.screenHeight - kSoftKeyBarHeight, wm.screenWidth, wm.screenHeight};
    else if (!w->parent && w->kind != WindowKind::Remote)
      topLevel.push_back(w);
  }
  for (Window *w : topLevel) {
    if (!LiveWindow(w))
      continue;
    if (w->fullScreen) {
      w->rect = work;
      w->surface.Resize(work.right - work.left, work.bottom - work.top);
    }
    InvalidateWindow(w);
    SendMessageW(w, WM_SIZE, 0,
                 std::intptr_t(MAKEWPARAM(std::uint16_t(w->rect.right - w->rect.left),
                                          std::uint16_t(w->rect.bottom - w->rect.top))));
  }
  MarkScreenDirty();
}

void HandleInput(const InputEvent &event) {
  WindowManager &wm = WM();
  switch (event.kind) {
  case InputEvent::Kind::CloseRequest:
    if (wm.appWindow)
      PostMessageW(wm.appWindow, WM_CLOSE_REQUEST, 0, 0);
    else
      PostQuitMessage(0);
    return;
  case InputEvent::Kind::Raise:
    // Another start asked for us: its last active window comes forward, as on the phone.
    if (wm.appWindow)
      SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<std::uintptr_t>(wm.appWindow) | 1));
    else
      wm.backend->Raise();
    return;
  case InputEvent::Kind::Motion:
    if (wm.motionHandler)
      wm.motionHandler(event.x, event.y, event.valid);
    return;
  case InputEvent::Kind::Nothing:
  case InputEvent::Kind::CatchUp: // the loop's own, taken before it gets here
    return;
  case InputEvent::Kind::Text: {
    Window *focus = LiveWindow(wm.focus);
    if (PopupOpen() || !wm.messageBoxes.empty() || !focus || focus->kind != WindowKind::Edit ||
        focus->parent != ActiveWindow())
      return;
    for (char16_t unit : event.text)
      PostMessageW(focus, WM_CHAR, unit, 0);
    return;
  }
  case InputEvent::Kind::Click: {
    if (!wm.messageBoxes.empty()) {
      MessageBoxHandleKey(VK_RETURN);
      return;
    }
    if (PopupOpen()) {
      HandlePopupClick(event.x, event.y);
      return;
    }
    Window *active = LiveWindow(ActiveWindow());
    if (event.y >= wm.screenHeight - kSoftKeyBarHeight) {
      PressSoftKey(event.x < wm.screenWidth / 2 ? 0 : 1);
    } else if (event.y < kTitleStripHeight) {
      if (active && active->doneButton && event.x >= wm.screenWidth - 40)
        PostMessageW(active, WM_COMMAND, IDOK, 0);
    } else if (active) {
      PostMessageW(active, WM_LBUTTONDOWN, 0,
                   std::intptr_t(MAKEWPARAM(std::uint16_t(event.x - active->rect.left),
                                            std::uint16_t(event.y - active->rect.top))));
    }
    return;
  }
  case InputEvent::Kind::Key:
    break;
  }
  std::uint32_t key = event.key;
  if (key == VK_F9) {
    RotateScreen();
    return;
  }
  if (MessageBoxHandleKey(key))
    return;
  if (PopupOpen()) {
    HandlePopupKey(key);
    return;
  }
  if (key == VK_F1 || key == VK_F2) {
    PressSoftKey(key == VK_F1 ? 0 : 1);
    return;
  }
  Window *active = LiveWindow(ActiveWindow());
  if (!active)
    return;
  bool dialog = active->kind == WindowKind::Dialog;
  if (dialog && (key == VK_BACK || key == VK_ESCAPE)) {
    PostMessageW(active, WM_COMMAND, IDCANCEL, 0);
    return;
  }
  if (dialog && key == VK_RETURN && active->doneButton) {
    PostMessageW(active, WM_COMMAND, IDOK, 0);
    return;
  }
  Window *focus = LiveWindow(wm.focus);
  Window *target = (focus && focus->parent == active) ? focus : active;
  PostMessageW(target, WM_KEYDOWN, key, 0);
}
