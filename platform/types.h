#pragma once
// Basic types of the phone-platform layer: handles, rectangles, colours and the
// message numbers the game uses. Included by every folder that talks to the platform.

#include <cstdint>

// Handles are pointers to distinct opaque types, so they cannot be confused.
struct Window;
struct Menu;
struct DeviceContext;
struct GdiObject;
struct Bitmap;
struct Brush;
struct Pen;
struct Font;
struct Module;
struct Icon;

using HWND = Window *;
using HMENU = Menu *;
using HDC = DeviceContext *;
using HGDIOBJ = GdiObject *;
using HBITMAP = Bitmap *;
using HBRUSH = Brush *;
using HPEN = Pen *;
using HFONT = Font *;
using HINSTANCE = Module *;
using HICON = Icon *;

// 0x00BBGGRR, as the platform writes colours.
using COLORREF = std::uint32_t;
constexpr COLORREF RGB(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return COLORREF(r) | (COLORREF(g) << 8) | (COLORREF(b) << 16);
}
constexpr std::uint8_t GetRValue(COLORREF c) { return std::uint8_t(c & 0xFF); }
constexpr std::uint8_t GetGValue(COLORREF c) { return std::uint8_t((c >> 8) & 0xFF); }
constexpr std::uint8_t GetBValue(COLORREF c) { return std::uint8_t((c >> 16) & 0xFF); }

struct RECT {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

struct POINT {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

// Window and dialog procedures: (window, message, wParam, lParam) -> result.
using WindowProc = std::intptr_t (*)(HWND, std::uint32_t, std::uintptr_t, std::intptr_t);
using DialogProc = WindowProc;
// Timer procedures: (window, WM_TIMER, timer id, tick count in ms).
using TimerProc = void (*)(HWND, std::uint32_t, std::uintptr_t, std::uint32_t);

constexpr std::uint16_t LOWORD(std::uintptr_t v) { return std::uint16_t(v & 0xFFFF); }
constexpr std::uint16_t HIWORD(std::uintptr_t v) { return std::uint16_t((v >> 16) & 0xFFFF); }
constexpr std::uintptr_t MAKEWPARAM(std::uint16_t lo, std::uint16_t hi) {
  return std::uintptr_t(lo) | (std::uintptr_t(hi) << 16);
}

// Messages.
constexpr std::uint32_t WM_CREATE = 0x0001;
constexpr std::uint32_t WM_DESTROY = 0x0002;
constexpr std::uint32_t WM_SIZE = 0x0005;
constexpr std::uint32_t WM_SETFOCUS = 0x0007;
constexpr std::uint32_t WM_PAINT = 0x000F;
constexpr std::uint32_t WM_CLOSE = 0x0010;
constexpr std::uint32_t WM_QUIT = 0x0012;
// Sent to each top-level window when the program gains (wParam 1) or loses (0) the focus.
constexpr std::uint32_t WM_ACTIVATEAPP = 0x001C;
constexpr std::uint32_t WM_GETDLGCODE = 0x0087;
constexpr std::uint32_t WM_KEYDOWN = 0x0100;
constexpr std::uint32_t WM_CHAR = 0x0102;
constexpr std::uint32_t WM_INITDIALOG = 0x0110;
constexpr std::uint32_t WM_COMMAND = 0x0111;
constexpr std::uint32_t WM_TIMER = 0x0113;
constexpr std::uint32_t WM_CTLCOLORDLG = 0x0136;
constexpr std::uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr std::uint32_t EM_GETSEL = 0x00B0;
constexpr std::uint32_t EM_SETSEL = 0x00B1;
// The close-everything request that reaches the program from outside.
constexpr std::uint32_t WM_CLOSE_REQUEST = 0xC003;

// Virtual keys. Digit and letter keys are their characters ('1', 'P').
constexpr std::uint32_t VK_BACK = 0x08;
constexpr std::uint32_t VK_RETURN = 0x0D;
constexpr std::uint32_t VK_PAUSE = 0x13;
constexpr std::uint32_t VK_ESCAPE = 0x1B;
constexpr std::uint32_t VK_LEFT = 0x25;
constexpr std::uint32_t VK_UP = 0x26;
constexpr std::uint32_t VK_RIGHT = 0x27;
constexpr std::uint32_t VK_DOWN = 0x28;
constexpr std::uint32_t VK_F1 = 0x70;
constexpr std::uint32_t VK_F2 = 0x71;
constexpr std::uint32_t VK_F9 = 0x78;
constexpr std::uint32_t VK_F11 = 0x7A;

// Command ids the platform itself sends.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
