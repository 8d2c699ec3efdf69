// Device contexts, bitmaps, brushes, pens and fonts as handles, and what selecting and
// deleting them means.

#include <algorithm>
#include <cstring>
#include <unordered_set>
#include <utility>

#include "platform/gdi_internal.h"
#include "platform/gdi_objects.h"
#include "platform/resources.h"

namespace {

// Every live object and context, so that a stale or foreign handle is refused instead of
// followed. Never destroyed: objects still alive at exit stay reachable.
std::unordered_set<const void *> &Live() {
  static auto *live = new std::unordered_set<const void *>;
  return *live;
}

std::unordered_set<const void *> &LiveContexts() {
  static auto *live = new std::unordered_set<const void *>;
  return *live;
}

constexpr int kMaxBitmapSide = 16384;
constexpr long long kMaxBitmapPixels = 64LL * 1024 * 1024;

struct StockObjects {
  Brush whiteBrush, blackBrush, nullBrush;
  Pen whitePen, blackPen, nullPen;
  Font systemFont;
  Bitmap defaultBitmap; // what a new memory context draws on: 1 x 1

  StockObjects() {
    whiteBrush.colour = 0xFFFF;
    nullBrush.hollow = true;
    whitePen.colour = 0xFFFF;
    nullPen.hollow = true;
    systemFont.logFont.lfHeight = 16;
    systemFont.logFont.lfWeight = FW_BOLD;
    std::memcpy(systemFont.logFont.lfFaceName, u"Tahoma", sizeof(u"Tahoma"));
    defaultBitmap.surface.Resize(1, 1);
    for (GdiObject *o : {(GdiObject *)&whiteBrush, (GdiObject *)&blackBrush, (GdiObject *)&nullBrush,
                         (GdiObject *)&whitePen, (GdiObject *)&blackPen, (GdiObject *)&nullPen,
                         (GdiObject *)&systemFont, (GdiObject *)&defaultBitmap}) {
      o->stock = true;
      Live().insert(o);
    }
  }
};

StockObjects &Stock() {
  static auto *stock = new StockObjects;
  return *stock;
}

template <typename T> T *Register(T *object) {
  Live().insert(static_cast<const GdiObject *>(object));
  return object;
}

GdiObject *LiveObject(const void *handle) {
  if (!handle)
    return nullptr;
  Stock(); // the stock objects are live before anyone can ask
  if (!Live().count(handle))
    return nullptr;
  auto *object = static_cast<GdiObject *>(const_cast<void *>(handle));
  // Deleted, though a context still draws with it.
  return object->deletePending ? nullptr : object;
}

template <typename T> T *LiveOf(const void *handle, GdiKind kind) {
  GdiObject *object = LiveObject(handle);
  return object && object->kind == kind ? static_cast<T *>(object) : nullptr;
}

void Free(GdiObject *object) {
  Live().erase(object);
  switch (object->kind) {
  case GdiKind::Bitmap:
    delete static_cast<Bitmap *>(object);
    break;
  case GdiKind::Brush:
    delete static_cast<Brush *>(object);
    break;
  case GdiKind::Pen:
    delete static_cast<Pen *>(object);
    break;
  case GdiKind::Font:
    delete static_cast<Font *>(object);
    break;
  }
}

void Hold(GdiObject *object) { ++object->selections; }

void Release(GdiObject *object) {
  if (!object)
    return;
  --object->selections;
  if (object->deletePending && object->selections <= 0 && !object->stock)
    Free(object);
}

// Puts object into the slot and returns what was there; the old object may be freed here, so
// the caller only hands its address back.
template <typename T> T *Swap(T *&slot, T *object) {
  T *old = slot;
  if (old == object)
    return old;
  Hold(object);
  slot = object;
  Release(old);
  return old;
}

Bitmap *NewBitmap(int width, int height) {
  if (width <= 0 || height <= 0 || width > kMaxBitmapSide || height > kMaxBitmapSide ||
      (long long)width * height > kMaxBitmapPixels)
    return nullptr;
  auto *bitmap = new Bitmap;
  bitmap->surface.Resize(width, height);
  return Register(bitmap);
}

DeviceContext *NewDC(Surface *surface) {
  auto *dc = new DeviceContext;
  StockObjects &stock = Stock();
  dc->surface = surface;
  dc->memory = surface == nullptr;
  if (dc->memory)
    Swap(dc->bitmap, &stock.defaultBitmap);
  Swap(dc->pen, &stock.blackPen);
  Swap(dc->brush, &stock.whiteBrush);
  Swap(dc->font, &stock.systemFont);
  LiveContexts().insert(dc);
  return dc;
}

} // namespace

DeviceContext *LiveDC(HDC dc) { return dc && LiveContexts().count(dc) ? dc : nullptr; }
Bitmap *LiveBitmap(const void *handle) { return LiveOf<Bitmap>(handle, GdiKind::Bitmap); }
Brush *LiveBrush(const void *handle) { return LiveOf<Brush>(handle, GdiKind::Brush); }
Pen *LivePen(const void *handle) { return LiveOf<Pen>(handle, GdiKind::Pen); }
Font *LiveFont(const void *handle) { return LiveOf<Font>(handle, GdiKind::Font); }

Surface *TargetOf(DeviceContext *dc) {
  if (!dc)
    return nullptr;
  return dc->memory ? (dc->bitmap ? &dc->bitmap->surface : nullptr) : dc->surface;
}

int GdiObjectCount() {
  Stock();
  int count = int(LiveContexts().size());
  for (const void *p : Live())
    count += static_cast<const GdiObject *>(p)->stock ? 0 : 1;
  return count;
}

HDC CreateCompatibleDC(HDC) { return NewDC(nullptr); }

HDC CreateSurfaceDC(Surface *target) { return target ? NewDC(target) : nullptr; }

bool DeleteDC(HDC handle) {
  DeviceContext *dc = LiveDC(handle);
  if (!dc)
    return false;
  LiveContexts().erase(dc);
  Release(dc->bitmap);
  Release(dc->brush);
  Release(dc->pen);
  Release(dc->font);
  delete dc;
  return true;
}

HBITMAP CreateBitmap(int width, int height, unsigned planes, unsigned bitsPerPixel, const void *bits) {
  Bitmap *bitmap = NewBitmap(width, height);
  // Only 16-bit source bits are already in the surface's format; others start black.
  if (bitmap && bits && planes == 1 && bitsPerPixel == 16)
    std::memcpy(bitmap->surface.pixels.data(), bits, bitmap->surface.pixels.size() * 2);
  return bitmap;
}

HBITMAP CreateCompatibleBitmap(HDC, int width, int height) { return NewBitmap(width, height); }

HBITMAP LoadBitmapW(HINSTANCE instance, int id) {
  const BitmapResource *resource = FindBitmapResource(instance, id);
  if (!resource)
    return nullptr;
  Surface decoded;
  if (!DecodeBmp(resource->bytes, resource->size, &decoded))
    return nullptr;
  auto *bitmap = new Bitmap;
  bitmap->surface = std::move(decoded);
  return Register(bitmap);
}

Surface *BitmapSurface(HBITMAP handle) {
  Bitmap *bitmap = LiveBitmap(handle);
  return bitmap ? &bitmap->surface : nullptr;
}

int GetObjectW(HGDIOBJ handle, int size, void *out) {
  GdiObject *object = LiveObject(handle);
  if (!object)
    return 0;
  if (object->kind == GdiKind::Bitmap) {
    if (!out)
      return int(sizeof(BITMAP));
    if (size < int(sizeof(BITMAP)))
      return 0;
    Surface &s = static_cast<Bitmap *>(object)->surface;
    BITMAP info;
    info.bmWidth = s.width;
    info.bmHeight = s.height;
    info.bmWidthBytes = s.width * 2;
    info.bmPlanes = 1;
    info.bmBitsPixel = 16;
    info.bmBits = s.pixels.data();
    std::memcpy(out, &info, sizeof info);
    return int(sizeof info);
  }
  if (object->kind == GdiKind::Font) {
    if (!out)
      return int(sizeof(LOGFONTW));
    if (size < int(sizeof(LOGFONTW)))
      return 0;
    std::memcpy(out, &static_cast<Font *>(object)->logFont, sizeof(LOGFONTW));
    return int(sizeof(LOGFONTW));
  }
  return 0;
}

int GetObjectW(HBITMAP bitmap, int size, void *out) { return GetObjectW(HGDIOBJ(bitmap), size, out); }
int GetObjectW(HFONT font, int size, void *out) { return GetObjectW(HGDIOBJ(font), size, out); }

HGDIOBJ SelectObject(HDC handle, HGDIOBJ objectHandle) {
  DeviceContext *dc = LiveDC(handle);
  GdiObject *object = LiveObject(objectHandle);
  if (!dc || !object)
    return nullptr;
  switch (object->kind) {
  case GdiKind::Bitmap: {
    auto *bitmap = static_cast<Bitmap *>(object);
    if (!dc->memory)
      return nullptr;
    // A bitmap is drawn on through one context at a time.
    if (bitmap != dc->bitmap && bitmap->selections > 0 && !bitmap->stock)
      return nullptr;
    return Swap(dc->bitmap, bitmap);
  }
  case GdiKind::Brush:
    return Swap(dc->brush, static_cast<Brush *>(object));
  case GdiKind::Pen:
    return Swap(dc->pen, static_cast<Pen *>(object));
  case GdiKind::Font:
    return Swap(dc->font, static_cast<Font *>(object));
  }
  return nullptr;
}

HBITMAP SelectObject(HDC dc, HBITMAP bitmap) {
  return LiveBitmap(bitmap) ? static_cast<Bitmap *>(SelectObject(dc, HGDIOBJ(bitmap))) : nullptr;
}
HBRUSH SelectObject(HDC dc, HBRUSH brush) {
  return LiveBrush(brush) ? static_cast<Brush *>(SelectObject(dc, HGDIOBJ(brush))) : nullptr;
}
HPEN SelectObject(HDC dc, HPEN pen) {
  return LivePen(pen) ? static_cast<Pen *>(SelectObject(dc, HGDIOBJ(pen))) : nullptr;
}
HFONT SelectObject(HDC dc, HFONT font) {
  return LiveFont(font) ? static_cast<Font *>(SelectObject(dc, HGDIOBJ(font))) : nullptr;
}

bool DeleteObject(HGDIOBJ handle) {
  GdiObject *object = LiveObject(handle);
  if (!object)
    return false;
  if (object->stock)
    return true;
  if (object->selections > 0)
    object->deletePending = true;
  else
    Free(object);
  return true;
}

bool DeleteObject(HBITMAP bitmap) { return DeleteObject(HGDIOBJ(bitmap)); }
bool DeleteObject(HBRUSH brush) { return DeleteObject(HGDIOBJ(brush)); }
bool DeleteObject(HPEN pen) { return DeleteObject(HGDIOBJ(pen)); }
bool DeleteObject(HFONT font) { return DeleteObject(HGDIOBJ(font)); }

HGDIOBJ GetStockObject(int which) {
  StockObjects &stock = Stock();
  switch (which) {
  case WHITE_BRUSH:
    return &stock.whiteBrush;
  case BLACK_BRUSH:
    return &stock.blackBrush;
  case NULL_BRUSH:
    return &stock.nullBrush;
  case WHITE_PEN:
    return &stock.whitePen;
  case BLACK_PEN:
    return &stock.blackPen;
  case NULL_PEN:
    return &stock.nullPen;
  case SYSTEM_FONT:
    return &stock.systemFont;
  default:
    return nullptr;
  }
}

HBRUSH CreateSolidBrush(COLORREF colour) {
  auto *brush = new Brush;
  brush->colour = ToRgb565(colour);
  return Register(brush);
}

HBRUSH CreatePatternBrush(HBITMAP handle) {
  Bitmap *bitmap = LiveBitmap(handle);
  if (!bitmap || bitmap->surface.width <= 0 || bitmap->surface.height <= 0)
    return nullptr;
  auto *brush = new Brush;
  brush->patterned = true;
  brush->pattern = bitmap->surface;
  return Register(brush);
}

COLORREF SetTextColor(HDC handle, COLORREF colour) {
  DeviceContext *dc = LiveDC(handle);
  if (!dc)
    return 0xFFFFFFFFu;
  return std::exchange(dc->textColour, colour);
}

COLORREF SetBkColor(HDC handle, COLORREF colour) {
  DeviceContext *dc = LiveDC(handle);
  if (!dc)
    return 0xFFFFFFFFu;
  return std::exchange(dc->backColour, colour);
}

int SetBkMode(HDC handle, int mode) {
  DeviceContext *dc = LiveDC(handle);
  if (!dc || (mode != TRANSPARENT && mode != OPAQUE))
    return 0;
  return std::exchange(dc->backMode, mode);
}

HFONT CreateFontIndirectW(const LOGFONTW *logFont) {
  if (!logFont)
    return nullptr;
  auto *font = new Font;
  font->logFont = *logFont;
  font->logFont.lfFaceName[31] = 0;
  return Register(font);
}
