#pragma once
// The BMP files of resources/bitmaps, built into the program by cmake/EmbedBitmaps.cmake.

struct EmbeddedBitmap {
  int id;
  const unsigned char *bytes;
  unsigned size;
};

extern const EmbeddedBitmap kEmbeddedBitmaps[];
extern const int kEmbeddedBitmapCount;
