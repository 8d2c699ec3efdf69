#pragma once
// What the window manager needs from the drawing code. Internal to platform/.

#include "platform/surface.h"
#include "platform/types.h"

// A device context that draws onto a surface it does not own (a window's contents or the
// screen). Freed with DeleteDC; the surface must outlive it.
HDC CreateSurfaceDC(Surface *target);
// The pixels of a bitmap handle; null for anything else.
Surface *BitmapSurface(HBITMAP bitmap);
// Decodes a 24-bit (or 32-bit) uncompressed BMP file to RGB565. False for anything else.
bool DecodeBmp(const unsigned char *bytes, unsigned size, Surface *out);
// Objects and contexts created and not yet freed (stock objects not counted): lets tests check
// that drawing code releases what it makes.
int GdiObjectCount();
