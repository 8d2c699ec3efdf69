#pragma once
// Windows, the message queue and loop, paints, timers, modal dialogs, message boxes and
// the emulated screen's size. Used by the application shell, the game screen and the dialogs.

#include <cstdint>

#include "platform/resources.h"
#include "platform/types.h"

constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int CW_USEDEFAULT = int(0x80000000u);
constexpr int SW_SHOW = 5;
constexpr std::uint32_t CS_VREDRAW = 0x0001;
constexpr std::uint32_t CS_HREDRAW = 0x0002;
constexpr std::uint32_t RDW_INVALIDATE = 0x0001;
constexpr std::uint32_t SWP_SHOWWINDOW = 0x0040;
inline const HWND HWND_TOP = nullptr;
constexpr std::uint32_t MB_OK = 0;

// Heights of the title strip and of the soft-key bar on the emulated screen.
constexpr int kTitleStripHeight = 26;
constexpr int kSoftKeyBarHeight = 26;

struct WNDCLASSW {
  std::uint32_t style = 0;
  WindowProc lpfnWndProc = nullptr;
  int cbClsExtra = 0;
  int cbWndExtra = 0;
  HINSTANCE hInstance = nullptr;
  HICON hIcon = nullptr;
  void *hCursor = nullptr;
  HBRUSH hbrBackground = nullptr;
  const char16_t *lpszMenuName = nullptr;
  const char16_t *lpszClassName = nullptr;
};

struct MSG {
  HWND hwnd = nullptr;
  std::uint32_t message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
  std::uint32_t time = 0;
};

struct PAINTSTRUCT {
  HDC hdc = nullptr;
  bool fErase = false;
  RECT rcPaint;
};

std::uint16_t RegisterClassW(const WNDCLASSW *windowClass);
HWND CreateWindowExW(std::uint32_t exStyle, const char16_t *className, const char16_t *caption,
                     std::uint32_t style, int x, int y, int width, int height, HWND parent, HMENU menu,
                     HINSTANCE instance, void *param);
bool ShowWindow(HWND window, int command);
bool UpdateWindow(HWND window);
std::intptr_t DefWindowProcW(HWND window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
bool DestroyWindow(HWND window);
bool IsWindow(HWND window);

void PostQuitMessage(int exitCode);
// Returns 0 once WM_QUIT arrives, else 1.
int GetMessageW(MSG *msg, HWND window, std::uint32_t filterMin, std::uint32_t filterMax);
bool TranslateMessage(const MSG *msg);
std::intptr_t DispatchMessageW(const MSG *msg);
std::intptr_t SendMessageW(HWND window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
// Safe from any thread, but input from other threads belongs in PostInputEvent
// (input_door.h): a message posted from elsewhere lands at no fixed loop time and is not recorded.
bool PostMessageW(HWND window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

// Finds a top-level window by class and caption, in this process or in another running
// instance (through its socket). A window of another instance understands only
// SetForegroundWindow and PostMessageW.
HWND FindWindowW(const char16_t *className, const char16_t *caption);
// A handle with its lowest bit set brings forward the window's last active owned window.
bool SetForegroundWindow(HWND window);

bool GetWindowRect(HWND window, RECT *rect);
bool GetClientRect(HWND window, RECT *rect);
bool MoveWindow(HWND window, int x, int y, int width, int height, bool repaint);
bool SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, std::uint32_t flags);
int GetSystemMetrics(int index);

// Timer procedures run on the user-interface thread from the message loop, due at the loop
// time of SetTimer plus the period. Setting an id again restarts it with the new period.
std::uintptr_t SetTimer(HWND window, std::uintptr_t id, std::uint32_t periodMs, TimerProc procedure);
bool KillTimer(HWND window, std::uintptr_t id);
// The loop time in milliseconds: it moves only when the loop takes an input or a timer, so a
// replay sees the same values (virtual in tests).
std::uint32_t GetTickCount();

HDC BeginPaint(HWND window, PAINTSTRUCT *paint);
bool EndPaint(HWND window, const PAINTSTRUCT *paint);
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
// Only RDW_INVALIDATE is understood: the window gets WM_PAINT when nothing else is queued.
bool RedrawWindow(HWND window, const RECT *update, void *region, std::uint32_t flags);
bool InvalidateRect(HWND window, const RECT *rect, bool erase);

// Modal dialogs: the nested loop keeps dispatching every window's timers and paints.
std::intptr_t DialogBoxIndirectParamW(HINSTANCE instance, const DialogTemplate *dialogTemplate, HWND owner,
                                      DialogProc procedure, std::intptr_t param);
bool EndDialog(HWND dialog, std::intptr_t result);
HWND GetDlgItem(HWND dialog, int id);
HWND SetFocus(HWND window);
HWND GetFocus();
int GetWindowTextW(HWND window, char16_t *buffer, int bufferMax);
bool SetWindowTextW(HWND window, const char16_t *text);

int MessageBoxW(HWND owner, const char16_t *text, const char16_t *caption, std::uint32_t type);
