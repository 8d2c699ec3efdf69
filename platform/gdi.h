#pragma once
// Drawing: device contexts, 16-bit bitmaps, brushes, pens, fonts, block copies and text.
// Used by the game screen, the board's frame drawing and the dialogs.

#include <cstdint>

#include "platform/types.h"

constexpr std::uint32_t SRCCOPY = 0x00CC0020;
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
constexpr int DEFAULT_CHARSET = 1;
constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;

// Stock objects.
constexpr int WHITE_BRUSH = 0;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int SYSTEM_FONT = 13;

struct LOGFONTW {
  std::int32_t lfHeight = 0;
  std::int32_t lfWidth = 0;
  std::int32_t lfEscapement = 0;
  std::int32_t lfOrientation = 0;
  std::int32_t lfWeight = 0;
  std::uint8_t lfItalic = 0;
  std::uint8_t lfUnderline = 0;
  std::uint8_t lfStrikeOut = 0;
  std::uint8_t lfCharSet = 0;
  std::uint8_t lfOutPrecision = 0;
  std::uint8_t lfClipPrecision = 0;
  std::uint8_t lfQuality = 0;
  std::uint8_t lfPitchAndFamily = 0;
  char16_t lfFaceName[32] = {};
};

struct BITMAP {
  std::int32_t bmType = 0;
  std::int32_t bmWidth = 0;
  std::int32_t bmHeight = 0;
  std::int32_t bmWidthBytes = 0;
  std::uint16_t bmPlanes = 0;
  std::uint16_t bmBitsPixel = 0;
  void *bmBits = nullptr;
};

// Device contexts. A memory context starts with a 1 x 1 bitmap, the black pen,
// the white brush, a default font, black text and opaque background mode.
HDC CreateCompatibleDC(HDC reference);
bool DeleteDC(HDC dc);

// Off-screen bitmaps are RGB565 whatever the bits per pixel asked for; new ones are black.
HBITMAP CreateBitmap(int width, int height, unsigned planes, unsigned bitsPerPixel, const void *bits);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// A bitmap resource (a 24-bit BMP built into the program), converted to RGB565. Null when absent.
HBITMAP LoadBitmapW(HINSTANCE instance, int id);
int GetObjectW(HGDIOBJ object, int size, void *out);

// Returns the object of the same kind that was selected before, or null when the object cannot
// be selected (a bitmap already selected elsewhere, a bitmap into a window's context).
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
// A selected object is freed when the last context lets go of it; stock objects are never freed.
bool DeleteObject(HGDIOBJ object);
HGDIOBJ GetStockObject(int which);
// Typed forms of the above, so that callers need no casts.
HBITMAP SelectObject(HDC dc, HBITMAP bitmap);
HBRUSH SelectObject(HDC dc, HBRUSH brush);
HPEN SelectObject(HDC dc, HPEN pen);
HFONT SelectObject(HDC dc, HFONT font);
bool DeleteObject(HBITMAP bitmap);
bool DeleteObject(HBRUSH brush);
bool DeleteObject(HPEN pen);
bool DeleteObject(HFONT font);
int GetObjectW(HBITMAP bitmap, int size, void *out);
int GetObjectW(HFONT font, int size, void *out);

HBRUSH CreateSolidBrush(COLORREF colour);
// Tiles the bitmap from the context's origin; the bitmap is copied, so it may be deleted afterwards.
HBRUSH CreatePatternBrush(HBITMAP bitmap);

// Outline with the selected pen (one pixel, inside the rectangle), interior with the selected brush.
bool Rectangle(HDC dc, int left, int top, int right, int bottom);
bool FillRect(HDC dc, const RECT *rect, HBRUSH brush);

bool BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, std::uint32_t rop);
bool StretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, int widthSrc,
                int heightSrc, std::uint32_t rop);
// Stretched copy that skips source pixels of the key colour (compared in RGB565).
bool TransparentImage(HDC dst, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, int widthSrc,
                      int heightSrc, COLORREF transparent);

COLORREF SetTextColor(HDC dc, COLORREF colour);
COLORREF SetBkColor(HDC dc, COLORREF colour);
int SetBkMode(HDC dc, int mode);
// Fonts by face name; "Times New Roman" and "Courier New" resolve to their metric-compatible
// Liberation faces. lfHeight is the cell height in pixels; lfWidth, when given, the character width.
HFONT CreateFontIndirectW(const LOGFONTW *font);
// Text with its cell's top-left corner at (x, y). Options and clipping rectangle are not used.
bool ExtTextOutW(HDC dc, int x, int y, std::uint32_t options, const RECT *clip, const char16_t *text,
                 std::uint32_t count, const int *dx);
bool GetTextExtentPoint32W(HDC dc, const char16_t *text, int count, POINT *size);
