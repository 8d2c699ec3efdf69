// Windows and their classes, the z-order, and where windows sit on the screen.

#include "platform/window.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/gdi.h"
#include "platform/gdi_internal.h"
#include "platform/window_manager.h"

namespace {

std::unique_ptr<WindowManager> g_wm;

std::u16string FromCString(const char16_t *text) { return text ? std::u16string(text) : std::u16string(); }

void RemoveFromZOrder(Window *w) {
  auto &z = WM().zOrder;
  z.erase(std::remove(z.begin(), z.end(), w), z.end());
}

void ResizeSurface(Window *w) {
  if (!IsTopLevel(w))
    return;
  int width = w->rect.right - w->rect.left;
  int height = w->rect.bottom - w->rect.top;
  if (width != w->surface.width || height != w->surface.height)
    w->surface.Resize(width, height);
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

const WindowManager::Class *FindClass(const std::u16string &name) {
  for (const auto &c : WM().classes)
    if (c.name == name)
      return &c;
  return nullptr;
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
  g_wm->loopTime = g_wm->backend->NowMs();
  g_wm->screen.Resize(g_wm->screenWidth, g_wm->screenHeight);
  g_wm->classes = {
      {u"#32770", DialogWindowProc, nullptr, 0, nullptr, WindowKind::Dialog},
      {u"EDIT", EditWindowProc, nullptr, 0, nullptr, WindowKind::Edit},
      {u"STATIC", StaticWindowProc, nullptr, 0, nullptr, WindowKind::Static},
      {u"menu_worker", MenuBarWindowProc, nullptr, 0, nullptr, WindowKind::MenuBar},
  };
  OpenInputDoor(g_wm->backend.get());
}

void PlatformStop() {
  if (!g_wm)
    return;
  CloseInputDoor();
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

Window *NewWindow(const std::u16string &className) {
  const WindowManager::Class *c = FindClass(className);
  if (!c)
    return nullptr;
  auto *w = new Window;
  w->className = className;
  w->proc = c->proc;
  w->background = c->background;
  w->kind = c->kind;
  return w;
}

bool IsTopLevel(const Window *w) { return w->kind == WindowKind::Normal || w->kind == WindowKind::Dialog; }

void MarkScreenDirty() {
  if (g_wm)
    g_wm->screenDirty = true;
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
  std::u16string name = windowClass->lpszClassName;
  if (FindClass(name))
    return 0;
  auto &classes = WM().classes;
  classes.push_back({name, windowClass->lpfnWndProc, windowClass->hbrBackground, windowClass->style,
                     windowClass->hIcon, WindowKind::Normal});
  if (windowClass->hIcon && IconSurface(windowClass->hIcon))
    WM().backend->SetIcon(*IconSurface(windowClass->hIcon));
  return std::uint16_t(classes.size());
}

HWND CreateWindowExW(std::uint32_t, const char16_t *className, const char16_t *caption, std::uint32_t style,
                     int x, int y, int width, int height, HWND parent, HMENU, HINSTANCE, void *param) {
  Window *w = NewWindow(FromCString(className));
  if (!w)
    return nullptr;
  w->text = FromCString(caption);
  w->style = style;
  Window *parentWindow = LiveWindow(parent);
  if (parentWindow && (style & WS_CHILD)) {
    w->parent = parentWindow;
    parentWindow->children.push_back(w);
  } else {
    w->owner = parentWindow;
  }
  if (x == CW_USEDEFAULT || width == CW_USEDEFAULT) {
    // Top-level windows of the phone fill the work area between title strip and soft keys.
    w->rect = WorkArea();
    w->fullScreen = true;
  } else {
    w->rect = RECT{x, y, x + std::max(width, 0), y + std::max(height, 0)};
  }
  ResizeSurface(w);
  WM().windows.push_back(w);
  if (!w->parent && !WM().appWindow)
    WM().appWindow = w;
  if (SendMessageW(w, WM_CREATE, 0, reinterpret_cast<std::intptr_t>(param)) == -1) {
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

std::intptr_t DefWindowProcW(HWND window, std::uint32_t message, std::uintptr_t, std::intptr_t) {
  Window *w = LiveWindow(window);
  if (!w)
    return 0;
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    BeginPaint(w, &ps);
    EndPaint(w, &ps);
  } else if (message == WM_CLOSE) {
    DestroyWindow(w);
  }
  return 0;
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
  SendMessageW(w, WM_DESTROY, 0, 0);
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
  ForgetWindowMessages(w);
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

std::intptr_t SendMessageW(HWND window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  Window *w = LiveWindow(window);
  if (!w || !w->proc)
    return 0;
  BusyGuard guard(w);
  return w->proc(w, message, wParam, lParam);
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
