#pragma once
// The objects behind drawing handles and the checks that turn a handle into one.
// Shared by the drawing files of platform/; nothing outside platform/ sees these types.
// Drawing happens on the user-interface thread only: the handle registry takes no lock.

#include <cstdint>

#include "platform/gdi.h"
#include "platform/surface.h"

enum class GdiKind : std::uint8_t { Bitmap, Brush, Pen, Font };

struct GdiObject {
  explicit GdiObject(GdiKind k) : kind(k) {}
  GdiKind kind;
  bool stock = false;
  // DeleteObject on a selected object frees it when the last context lets go of it.
  bool deletePending = false;
  int selections = 0;
};

struct Bitmap : GdiObject {
  Bitmap() : GdiObject(GdiKind::Bitmap) {}
  Surface surface;
};

struct Brush : GdiObject {
  Brush() : GdiObject(GdiKind::Brush) {}
  bool hollow = false;
  bool patterned = false;
  std::uint16_t colour = 0;
  Surface pattern;
};

struct Pen : GdiObject {
  Pen() : GdiObject(GdiKind::Pen) {}
  bool hollow = false;
  std::uint16_t colour = 0;
};

struct FontFace;

struct Font : GdiObject {
  Font() : GdiObject(GdiKind::Font) {}
  LOGFONTW logFont;
  bool resolved = false;
  FontFace *face = nullptr; // owned by the font cache; null when no font file was found
};

struct DeviceContext {
  Surface *surface = nullptr; // the target of a surface context; memory contexts draw on their bitmap
  bool memory = true;
  Bitmap *bitmap = nullptr;
  Brush *brush = nullptr;
  Pen *pen = nullptr;
  Font *font = nullptr;
  COLORREF textColour = RGB(0, 0, 0);
  COLORREF backColour = RGB(255, 255, 255);
  int backMode = OPAQUE;
};

// Null unless the handle is a live object of that kind (stock objects included).
DeviceContext *LiveDC(HDC dc);
Bitmap *LiveBitmap(const void *handle);
Brush *LiveBrush(const void *handle);
Pen *LivePen(const void *handle);
Font *LiveFont(const void *handle);

// The pixels a context draws on; null when there are none.
Surface *TargetOf(DeviceContext *dc);
// The face a font draws with, found on first use; null when no font file is usable.
FontFace *FaceOf(Font *font);
