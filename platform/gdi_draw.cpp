// Fills and block copies on RGB565 surfaces. Every write is clipped to the target surface, so
// no coordinates, however wrong, reach outside a buffer.

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/gdi_objects.h"

namespace {

struct Span {
  int left, top, right, bottom; // right and bottom exclusive
  bool Empty() const { return left >= right || top >= bottom; }
};

Span Clip(const Surface &s, long long left, long long top, long long right, long long bottom) {
  return Span{int(std::clamp<long long>(left, 0, s.width)), int(std::clamp<long long>(top, 0, s.height)),
              int(std::clamp<long long>(right, 0, s.width)), int(std::clamp<long long>(bottom, 0, s.height))};
}

void FillSolid(Surface &s, Span span, std::uint16_t colour) {
  for (int y = span.top; y < span.bottom; ++y)
    std::fill(s.Row(y) + span.left, s.Row(y) + span.right, colour);
}

// The pattern is anchored at the surface's origin, so neighbouring fills join seamlessly.
void FillPattern(Surface &s, Span span, const Surface &pattern) {
  const int pw = pattern.width;
  for (int y = span.top; y < span.bottom; ++y) {
    const std::uint16_t *source = pattern.Row(y % pattern.height);
    std::uint16_t *out = s.Row(y);
    int x = span.left;
    while (x < span.right) {
      int offset = x % pw;
      int run = std::min(pw - offset, span.right - x);
      std::memcpy(out + x, source + offset, std::size_t(run) * 2);
      x += run;
    }
  }
}

void FillWithBrush(Surface &s, Span span, const Brush &brush) {
  if (span.Empty() || brush.hollow)
    return;
  if (brush.patterned)
    FillPattern(s, span, brush.pattern);
  else
    FillSolid(s, span, brush.colour);
}

// Which source index each clipped destination index samples: nearest neighbour, taken at the
// destination pixel's centre. Trims the ends that would sample outside the source; returns
// the first destination index kept (relative to the destination position).
int MapAxis(long long dstPos, long long dstLen, long long srcPos, long long srcLen, int dstLimit,
            int srcLimit, std::vector<int> *map) {
  map->clear();
  long long first = std::max<long long>(0, -dstPos);
  long long last = std::min<long long>(dstLen, dstLimit - dstPos);
  for (long long i = first; i < last; ++i) {
    long long v = srcPos + (long long)((__int128)(2 * i + 1) * srcLen / (2 * dstLen));
    map->push_back(v < 0 ? -1 : v >= srcLimit ? srcLimit : int(v));
  }
  auto begin = std::find_if(map->begin(), map->end(), [&](int v) { return v >= 0 && v < srcLimit; });
  auto end = std::find_if(begin, map->end(), [&](int v) { return v < 0 || v >= srcLimit; });
  map->erase(end, map->end());
  long long skipped = begin - map->begin();
  map->erase(map->begin(), begin);
  return int(dstPos + first + skipped);
}

bool Blit(DeviceContext *dstDC, int x, int y, int width, int height, DeviceContext *srcDC, int xSrc, int ySrc,
          int widthSrc, int heightSrc, bool keyed, std::uint16_t key) {
  Surface *dst = TargetOf(dstDC);
  Surface *srcSurface = TargetOf(srcDC);
  if (!dst || !srcSurface || width < 0 || height < 0 || widthSrc < 0 || heightSrc < 0)
    return false;
  if (width == 0 || height == 0 || widthSrc == 0 || heightSrc == 0)
    return true;
  // Copying within one surface reads from a snapshot, so no pixel is read after it was written.
  Surface snapshot;
  const Surface *src = srcSurface;
  if (srcSurface == dst) {
    snapshot = *srcSurface;
    src = &snapshot;
  }
  thread_local std::vector<int> columns, rows;
  int x0 = MapAxis(x, width, xSrc, widthSrc, dst->width, src->width, &columns);
  int y0 = MapAxis(y, height, ySrc, heightSrc, dst->height, src->height, &rows);
  const int count = int(columns.size());
  if (count == 0)
    return true;
  const bool straight = widthSrc == width;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const std::uint16_t *in = src->Row(rows[r]);
    std::uint16_t *out = dst->Row(y0 + int(r)) + x0;
    if (keyed) {
      for (int i = 0; i < count; ++i) {
        std::uint16_t p = in[columns[i]];
        if (p != key)
          out[i] = p;
      }
    } else if (straight) {
      std::memcpy(out, in + columns.front(), std::size_t(count) * 2);
    } else {
      for (int i = 0; i < count; ++i)
        out[i] = in[columns[i]];
    }
  }
  return true;
}

} // namespace

bool Rectangle(HDC handle, int left, int top, int right, int bottom) {
  DeviceContext *dc = LiveDC(handle);
  Surface *s = TargetOf(dc);
  if (!s)
    return false;
  if (left > right)
    std::swap(left, right);
  if (top > bottom)
    std::swap(top, bottom);
  const Pen &pen = *dc->pen;
  const Brush &brush = *dc->brush;
  if (pen.hollow) {
    FillWithBrush(*s, Clip(*s, left, top, right, bottom), brush);
    return true;
  }
  FillWithBrush(
      *s, Clip(*s, (long long)left + 1, (long long)top + 1, (long long)right - 1, (long long)bottom - 1),
      brush);
  if (left == right || top == bottom)
    return true;
  FillSolid(*s, Clip(*s, left, top, right, (long long)top + 1), pen.colour);
  FillSolid(*s, Clip(*s, left, (long long)bottom - 1, right, bottom), pen.colour);
  FillSolid(*s, Clip(*s, left, top, (long long)left + 1, bottom), pen.colour);
  FillSolid(*s, Clip(*s, (long long)right - 1, top, right, bottom), pen.colour);
  return true;
}

bool FillRect(HDC handle, const RECT *rect, HBRUSH brushHandle) {
  Surface *s = TargetOf(LiveDC(handle));
  Brush *brush = LiveBrush(brushHandle);
  if (!s || !rect || !brush)
    return false;
  FillWithBrush(*s, Clip(*s, rect->left, rect->top, rect->right, rect->bottom), *brush);
  return true;
}

bool BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, std::uint32_t rop) {
  if (rop != SRCCOPY)
    return false;
  return Blit(LiveDC(dst), x, y, width, height, LiveDC(src), xSrc, ySrc, width, height, false, 0);
}

bool StretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, int widthSrc,
                int heightSrc, std::uint32_t rop) {
  if (rop != SRCCOPY)
    return false;
  return Blit(LiveDC(dst), x, y, width, height, LiveDC(src), xSrc, ySrc, widthSrc, heightSrc, false, 0);
}

bool TransparentImage(HDC dst, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, int widthSrc,
                      int heightSrc, COLORREF transparent) {
  // The key is compared as the 16-bit surface stores it, so near-white art drops out as it
  // does on a 16-bit screen.
  return Blit(LiveDC(dst), x, y, width, height, LiveDC(src), xSrc, ySrc, widthSrc, heightSrc, true,
              ToRgb565(transparent));
}
