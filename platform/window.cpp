// Windows, the message queue and loop, paints and timers.

#include "platform/window.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/gdi.h"
#include "platform/gdi_internal.h"
#include "platform/shell.h"
#include "platform/window_manager.h"

namespace {

std::unique_ptr<WindowManager> g_wm;

std::u16string FromCString(const char16_t *text) { return text ? std::u16string(text) : std::u16string(); }

void RemoveFromZOrder(Window *w) {
  auto &z = WM().zOrder;
  z.erase(std::remove(z.begin(), z.end(), w), z.end());
}

bool IsTopLevel(const Window *w) { return w->kind == WindowKind::Normal || w->kind == WindowKind::Dialog; }

void ResizeSurface(Window *w) {
  if (!IsTopLevel(w))
    return;
  int width = w->rect.right - w->rect.left;
  int height = w->rect.bottom - w->rect.top;
  if (width != w->surface.width || height != w->surface.height)
    w->surface.Resize(width, height);
}

// Fills a window's contents with its background before its first paint or after a resize.
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

void ApplyRect(Window *w, int x, int y, int width, int height) {
  RECT old = w->rect;
  w->rect = RECT{x, y, x + std::max(width, 0), y + std::max(height, 0)};
  bool resized = (old.right - old.left) != (w->rect.right - w->rect.left) ||
                 (old.bottom - old.top) != (w->rect.bottom - w->rect.top);
  if (resized && IsTopLevel(w)) {
    ResizeSurface(w);
    EraseBackground(w);
    SendMessageW(w, WM_SIZE, 0,
                 std::intptr_t(MAKEWPARAM(std::uint16_t(w->rect.right - w->rect.left),
                                          std::uint16_t(w->rect.bottom - w->rect.top))));
  }
  InvalidateWindow(w);
  MarkScreenDirty();
}

std::uint64_t NextTimerDue(bool *any) {
  *any = false;
  std::uint64_t best = 0;
  for (const Timer &t : WM().timers) {
    if (!*any || t.due < best)
      best = t.due;
    *any = true;
  }
  return best;
}

// The invalid window to paint next: top-level windows from the top of the z-order.
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

bool PopPosted(MSG *msg) {
  std::lock_guard<std::mutex> lock(WM().queueMutex);
  if (WM().posted.empty())
    return false;
  *msg = WM().posted.front();
  WM().posted.pop_front();
  return true;
}

} // namespace

WindowManager &WM() {
  if (!g_wm) {
    std::fprintf(stderr, "vexmoor: the platform was used before PlatformStart\n");
    std::abort();
  }
  return *g_wm;
}

bool WindowManagerRunning() { return g_wm != nullptr; }

Backend *CurrentBackend() { return g_wm ? g_wm->backend.get() : nullptr; }

void PlatformStart(std::unique_ptr<Backend> backend) {
  if (g_wm)
    PlatformStop();
  g_wm = std::make_unique<WindowManager>();
  g_wm->backend = std::move(backend);
  g_wm->screen.Resize(g_wm->screenWidth, g_wm->screenHeight);
}

void PlatformStop() {
  if (!g_wm)
    return;
  // Destroy top-level windows from the top, then anything left.
  while (!g_wm->windows.empty()) {
    Window *w = g_wm->windows.back();
    Window *top = w;
    while (top->parent)
      top = top->parent;
    DestroyWindow(top);
  }
  // Registered classes own their icons.
  for (const auto &c : g_wm->classes)
    DestroyIcon(c.icon);
  g_wm.reset();
}

Window *LiveWindow(HWND window) {
  if (!g_wm || !window || (reinterpret_cast<std::uintptr_t>(window) & 1))
    return nullptr;
  for (Window *w : g_wm->windows)
    if (w == window)
      return w;
  return nullptr;
}

void MarkScreenDirty() {
  if (g_wm)
    g_wm->screenDirty = true;
}

void InvalidateWindow(Window *w) {
  while (w && !IsTopLevel(w))
    w = w->parent;
  if (w)
    w->invalid = true;
}

RECT WorkArea() {
  return RECT{0, kTitleStripHeight, WM().screenWidth, WM().screenHeight - kSoftKeyBarHeight};
}

HWND ActiveWindow() {
  auto &z = WM().zOrder;
  for (auto it = z.rbegin(); it != z.rend(); ++it)
    if ((*it)->visible && (*it)->enabled)
      return *it;
  return nullptr;
}

std::uint16_t RegisterClassW(const WNDCLASSW *windowClass) {
  if (!windowClass || !windowClass->lpszClassName || !windowClass->lpfnWndProc)
    return 0;
  auto &classes = WM().classes;
  std::u16string name = windowClass->lpszClassName;
  for (const auto &c : classes)
    if (c.name == name)
      return 0;
  classes.push_back(
      {name, windowClass->lpfnWndProc, windowClass->hbrBackground, windowClass->style, windowClass->hIcon});
  if (windowClass->hIcon && IconSurface(windowClass->hIcon))
    WM().backend->SetIcon(*IconSurface(windowClass->hIcon));
  return std::uint16_t(classes.size());
}

HWND CreateWindowExW(std::uint32_t, const char16_t *className, const char16_t *caption, std::uint32_t style,
                     int x, int y, int width, int height, HWND parent, HMENU, HINSTANCE, void *param) {
  std::u16string name = FromCString(className);
  const WindowManager::Class *found = nullptr;
  for (const auto &c : WM().classes)
    if (c.name == name)
      found = &c;
  if (!found)
    return nullptr;
  auto *w = new Window;
  w->className = name;
  w->text = FromCString(caption);
  w->proc = found->proc;
  w->background = found->background;
  w->style = style;
  Window *parentWindow = LiveWindow(parent);
  if (parentWindow && (style & WS_CHILD)) {
    w->parent = parentWindow;
    parentWindow->children.push_back(w);
  } else {
    w->owner = parentWindow;
  }
  RECT work = WorkArea();
  if (x == CW_USEDEFAULT || width == CW_USEDEFAULT) {
    // Top-level windows of the phone fill the work area between title strip and soft keys.
    w->rect = work;
    w->fullScreen = true;
  } else {
    w->rect = RECT{x, y, x + std::max(width, 0), y + std::max(height, 0)};
  }
  ResizeSurface(w);
  WM().windows.push_back(w);
  if (!w->parent && !WM().appWindow)
    WM().appWindow = w;
  if (w->proc(w, WM_CREATE, 0, reinterpret_cast<std::intptr_t>(param)) == -1) {
    DestroyWindow(w);
    return nullptr;
  }
  if (!LiveWindow(w))
    return nullptr;
  EraseBackground(w);
  if (style & WS_VISIBLE)
    ShowWindow(w, SW_SHOW);
  if (!w->parent && !w->text.empty() && w == WM().appWindow)
    StartInstanceListener(w);
  return w;
}

bool ShowWindow(HWND window, int command) {
  Window *w = LiveWindow(window);
  if (!w)
    return false;
  bool was = w->visible;
  w->visible = command != 0;
  if (IsTopLevel(w)) {
    RemoveFromZOrder(w);
    if (w->visible)
      WM().zOrder.push_back(w);
    if (w->visible && w == WM().appWindow)
      WM().backend->SetWindowTitle(w->text);
  }
  InvalidateWindow(w);
  MarkScreenDirty();
  return was;
}

bool UpdateWindow(HWND window) {
  Window *w = LiveWindow(window);
  if (!w)
    return false;
  if (w->invalid)
    SendMessageW(w, WM_PAINT, 0, 0);
  return true;
}

bool IsWindow(HWND window) { return LiveWindow(window) != nullptr; }

std::intptr_t DefWindowProcW(HWND window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
  Window *w = LiveWindow(window);
  if (!w)
    return 0;
  switch (message) {
  case WM_PAINT: {
    PAINTSTRUCT ps;
    BeginPaint(w, &ps);
    EndPaint(w, &ps);
    return 0;
  }
  case WM_CLOSE:
    DestroyWindow(w);
    return 0;
  case WM_PLATFORM_RAISE:
    SetForegroundWindow(w);
    return 0;
  default:
    (void)wParam;
    return 0;
  }
}

bool DestroyWindow(HWND window) {
  Window *w = LiveWindow(window);
  if (!w || w->destroying)
    return false;
  w->destroying = true;
  // Owned windows and bars go first, then children.
  std::vector<Window *> owned;
  for (Window *other : WM().windows)
    if (other->owner == w || (other->kind == WindowKind::MenuBar && other->parent == w))
      owned.push_back(other);
  for (Window *other : owned)
    DestroyWindow(other);
  while (!w->children.empty())
    DestroyWindow(w->children.back());
  if (w == WM().appWindow)
    StopInstanceListener(w);
  if (w->proc)
    w->proc(w, WM_DESTROY, 0, 0);
  else if (w->dialogProc)
    w->dialogProc(w, WM_DESTROY, 0, 0);
  auto &timers = WM().timers;
  timers.erase(std::remove_if(timers.begin(), timers.end(), [w](const Timer &t) { return t.window == w; }),
               timers.end());
  if (w->parent) {
    auto &siblings = w->parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), w), siblings.end());
    InvalidateWindow(w->parent);
  }
  if (WM().popup.bar == w || (WM().popup.bar && LiveWindow(WM().popup.bar) && WM().popup.bar->parent == w))
    ClosePopups();
  if (WM().focus == w)
    WM().focus = nullptr;
  RemoveFromZOrder(w);
  auto &windows = WM().windows;
  windows.erase(std::remove(windows.begin(), windows.end(), w), windows.end());
  if (w->kind == WindowKind::Remote) {
    std::lock_guard<std::mutex> lock(WM().queueMutex);
    auto &remotes = WM().remotes;
    remotes.erase(std::remove(remotes.begin(), remotes.end(), w), remotes.end());
  }
  if (w == WM().appWindow)
    WM().appWindow = nullptr;
  if (w->picture)
    DeleteObject(w->picture);
  {
    // Messages still queued for it are dropped.
    std::lock_guard<std::mutex> lock(WM().queueMutex);
    auto &q = WM().posted;
    q.erase(std::remove_if(q.begin(), q.end(), [w](const MSG &m) { return m.hwnd == w; }), q.end());
  }
  w->dead = true;
  if (w->busy == 0)
    delete w;
  MarkScreenDirty();
  return true;
}

BusyGuard::BusyGuard(Window *window) : w(window) { ++w->busy; }

BusyGuard::~BusyGuard() {
  if (--w->busy == 0 && w->dead)
    delete w;
}

void PostQuitMessage(int exitCode) {
  WM().quitPosted = true;
  WM().quitCode = exitCode;
}

bool PostMessageW(HWND window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  if (!g_wm)
    return false;
  Window *remote = nullptr;
  {
    std::lock_guard<std::mutex> lock(g_wm->queueMutex);
    for (Window *r : g_wm->remotes)
      if (r == window)
        remote = r;
    if (!remote)
      g_wm->posted.push_back(MSG{window, message, wParam, lParam, 0});
  }
  // Another instance's window is reached through its socket.
  if (remote)
    return SendToInstance(remote, "post " + std::to_string(message) + "\n");
  g_wm->backend->Wake();
  return true;
}

// One message for the loop: posted messages first, then input, then paints, then timers;
// waits when there is nothing. With hasLimit, gives up (false) once the clock reaches limitMs.
bool NextMessage(MSG *msg, bool hasLimit, std::uint64_t limitMs) {
  WindowManager &wm = WM();
  for (;;) {
    if (PopPosted(msg))
      return true;
    if (wm.quitPosted) {
      wm.quitPosted = false;
      *msg = MSG{nullptr, WM_QUIT, std::uintptr_t(wm.quitCode), 0, 0};
      return true;
    }
    std::uint64_t now = wm.backend->NowMs();
    InputEvent event;
    if (wm.backend->WaitEvent(true, now, &event)) {
      HandleInput(event);
      continue;
    }
    if (Window *w = NextInvalid()) {
      w->invalid = false;
      *msg = MSG{w, WM_PAINT, 0, 0, std::uint32_t(now)};
      return true;
    }
    bool anyTimer = false;
    std::uint64_t due = NextTimerDue(&anyTimer);
    if (anyTimer && due <= now) {
      for (Timer &t : wm.timers) {
        if (t.due <= now) {
          t.due += t.period;
          if (t.due <= now)
            t.due = now + t.period;
          *msg =
              MSG{t.window, WM_TIMER, t.id, reinterpret_cast<std::intptr_t>(t.procedure), std::uint32_t(now)};
          return true;
        }
      }
    }
    if (hasLimit && now >= limitMs)
      return false;
    if (wm.screenDirty)
      ComposeScreen();
    bool hasDeadline = anyTimer || hasLimit;
    std::uint64_t deadline = anyTimer ? due : limitMs;
    if (hasLimit && limitMs < deadline)
      deadline = limitMs;
    if (wm.backend->WaitEvent(hasDeadline, deadline, &event))
      HandleInput(event);
  }
}

int GetMessageW(MSG *msg, HWND, std::uint32_t, std::uint32_t) {
  NextMessage(msg, false, 0);
  return msg->message == WM_QUIT ? 0 : 1;
}

bool PumpMessagesUntil(std::uint64_t untilMs) {
  MSG msg;
  while (NextMessage(&msg, true, untilMs)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(int(msg.wParam));
      return false;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (WM().screenDirty)
    ComposeScreen();
  return true;
}

bool TranslateMessage(const MSG *) { return false; }

std::intptr_t DispatchMessageW(const MSG *msg) {
  if (!msg)
    return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    if (!msg->hwnd || LiveWindow(msg->hwnd)) {
      auto procedure = reinterpret_cast<TimerProc>(msg->lParam);
      procedure(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
    }
    return 0;
  }
  if (!LiveWindow(msg->hwnd))
    return 0;
  return SendMessageW(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

std::intptr_t SendMessageW(HWND window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  Window *w = LiveWindow(window);
  if (!w)
    return 0;
  switch (w->kind) {
  case WindowKind::Dialog: {
    BusyGuard guard(w);
    return DialogWindowProc(w, message, wParam, lParam);
  }
  case WindowKind::Edit:
    return EditWindowProc(w, message, wParam, lParam);
  case WindowKind::MenuBar:
    if (message == SHCMBM_GETSUBMENU) {
      for (std::size_t i = 0; w->bar && i < w->bar->buttons.size(); ++i)
        if (w->bar->buttons[i].command == int(lParam))
          return reinterpret_cast<std::intptr_t>(w->barMenus[i].get());
      return 0;
    }
    return 0;
  case WindowKind::Remote:
  case WindowKind::Static:
    return 0;
  case WindowKind::Normal:
    break;
  }
  if (message == WM_PLATFORM_RAISE) {
    SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<std::uintptr_t>(w) | 1));
    return 0;
  }
  BusyGuard guard(w);
  return w->proc ? w->proc(w, message, wParam, lParam) : DefWindowProcW(w, message, wParam, lParam);
}

HWND FindWindowW(const char16_t *className, const char16_t *caption) {
  std::u16string cls = FromCString(className), text = FromCString(caption);
  for (Window *w : WM().windows)
    if (!w->parent && w->kind == WindowKind::Normal && (!className || w->className == cls) &&
        (!caption || w->text == text))
      return w;
  return ConnectToInstance(className, caption);
}

bool SetForegroundWindow(HWND window) {
  auto bits = reinterpret_cast<std::uintptr_t>(window);
  bool lastActive = bits & 1;
  Window *w = LiveWindow(reinterpret_cast<HWND>(bits & ~std::uintptr_t(1)));
  if (!w)
    return false;
  if (w->kind == WindowKind::Remote)
    return SendToInstance(w, "raise\n");
  if (lastActive) {
    // Bring forward the topmost window that this one owns, directly or not.
    for (bool found = true; found;) {
      found = false;
      auto &z = WM().zOrder;
      for (auto it = z.rbegin(); it != z.rend(); ++it)
        if ((*it)->owner == w) {
          w = *it;
          found = true;
          break;
        }
    }
  }
  if (w->visible && IsTopLevel(w)) {
    RemoveFromZOrder(w);
    WM().zOrder.push_back(w);
  }
  MarkScreenDirty();
  WM().backend->Raise();
  return true;
}

bool GetWindowRect(HWND window, RECT *rect) {
  Window *w = LiveWindow(window);
  if (!w || !rect)
    return false;
  *rect = w->rect;
  for (Window *p = w->parent; p && w->kind != WindowKind::MenuBar; p = p->parent) {
    rect->left += p->rect.left, rect->right += p->rect.left;
    rect->top += p->rect.top, rect->bottom += p->rect.top;
  }
  return true;
}

bool GetClientRect(HWND window, RECT *rect) {
  Window *w = LiveWindow(window);
  if (!w || !rect)
    return false;
  *rect = RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
  return true;
}

bool MoveWindow(HWND window, int x, int y, int width, int height, bool) {
  Window *w = LiveWindow(window);
  if (!w)
    return false;
  ApplyRect(w, x, y, width, height);
  return true;
}

bool SetWindowPos(HWND window, HWND, int x, int y, int width, int height, std::uint32_t flags) {
  Window *w = LiveWindow(window);
  if (!w)
    return false;
  ApplyRect(w, x, y, width, height);
  if (flags & SWP_SHOWWINDOW)
    ShowWindow(w, SW_SHOW);
  return true;
}

int GetSystemMetrics(int index) {
  if (index == SM_CXSCREEN)
    return WM().screenWidth;
  if (index == SM_CYSCREEN)
    return WM().screenHeight;
  return 0;
}

std::uintptr_t SetTimer(HWND window, std::uintptr_t id, std::uint32_t periodMs, TimerProc procedure) {
  if (window && !LiveWindow(window))
    return 0;
  std::uint32_t period = periodMs ? periodMs : 1;
  std::uint64_t due = WM().backend->NowMs() + period;
  for (Timer &t : WM().timers)
    if (t.window == window && t.id == id) {
      t.period = period;
      t.procedure = procedure;
      t.due = due;
      return id;
    }
  WM().timers.push_back(Timer{window, id, period, procedure, due});
  return id;
}

bool KillTimer(HWND window, std::uintptr_t id) {
  auto &timers = WM().timers;
  auto it = std::remove_if(timers.begin(), timers.end(),
                           [&](const Timer &t) { return t.window == window && t.id == id; });
  bool found = it != timers.end();
  timers.erase(it, timers.end());
  return found;
}

std::uint32_t GetTickCount() { return std::uint32_t(WM().backend->NowMs()); }

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
