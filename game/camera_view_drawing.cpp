// The camera view's page: the picture scaled into the dialog area with the reports and the
// steering drawn over it, and the figures below it.

#include <algorithm>
#include <cmath>
#include <string>

#include "game/camera_view.h"
#include "platform/gdi.h"
#include "ui/game_text.h"

namespace {

constexpr COLORREF kValidColour = RGB(40, 230, 40);
constexpr COLORREF kInvalidColour = RGB(240, 40, 40);
constexpr COLORREF kSteerColour = RGB(60, 200, 255);
constexpr COLORREF kTextColour = RGB(235, 235, 235);
constexpr COLORREF kDimColour = RGB(150, 150, 150);
constexpr COLORREF kWarnColour = RGB(255, 170, 40);
constexpr COLORREF kFrameColour = RGB(70, 70, 70);
constexpr int kVerdictHeight = 18;
constexpr int kLineHeight = 14;
constexpr int kLines = 4;
// Reports are a few pixels a frame: drawn this many times longer, so they can be seen.
constexpr float kArrowGain = 6.0f;

void Fill(HDC hdc, int left, int top, int right, int bottom, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  const RECT r{left, top, right, bottom};
  FillRect(hdc, &r, brush);
  DeleteObject(brush);
}

// A line of square dots of the given thickness.
void Line(HDC hdc, HBRUSH brush, int x0, int y0, int x1, int y1, int thickness) {
  const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
  for (int i = 0; i <= steps; ++i) {
    const int x = steps ? x0 + (x1 - x0) * i / steps : x0;
    const int y = steps ? y0 + (y1 - y0) * i / steps : y0;
    const RECT dot{x - thickness / 2, y - thickness / 2, x - thickness / 2 + thickness,
                   y - thickness / 2 + thickness};
    FillRect(hdc, &dot, brush);
  }
}

// An arrow from (x, y) along (dx, dy) screen pixels; a cross where it has no length.
void ArrowLines(HDC hdc, int x, int y, float dx, float dy, COLORREF colour, int thickness) {
  HBRUSH brush = CreateSolidBrush(colour);
  const float length = std::hypot(dx, dy);
  if (length < 2.0f) {
    Line(hdc, brush, x - 3, y - 3, x + 3, y + 3, thickness);
    Line(hdc, brush, x - 3, y + 3, x + 3, y - 3, thickness);
  } else {
    const int tipX = x + int(std::lround(dx)), tipY = y + int(std::lround(dy));
    Line(hdc, brush, x, y, tipX, tipY, thickness);
    const float head = std::min(7.0f, length / 2.0f), ux = dx / length, uy = dy / length;
    // Two barbs, each turned back 150 degrees from the arrow.
    for (float side : {-1.0f, 1.0f}) {
      const float bx = -0.866f * ux - side * 0.5f * uy, by = -0.866f * uy + side * 0.5f * ux;
      Line(hdc, brush, tipX, tipY, tipX + int(std::lround(bx * head)), tipY + int(std::lround(by * head)),
           thickness);
    }
  }
  DeleteObject(brush);
}

// Outlined in black, so it shows on any picture.
void Arrow(HDC hdc, int x, int y, float dx, float dy, COLORREF colour, int thickness) {
  ArrowLines(hdc, x, y, dx, dy, RGB(0, 0, 0), thickness + 2);
  ArrowLines(hdc, x, y, dx, dy, colour, thickness);
}

std::u16string Text(const std::string &ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::u16string Figure(float value, int decimals) {
  if (std::isinf(value))
    return u"\u221E"; // a perfect match
  return FormatDecimal(value, decimals);
}

// "contrast 12.3 > 2.0": a figure and the threshold it must exceed.
std::u16string AgainstThreshold(const char16_t *name, float value, float threshold) {
  return std::u16string(name) + u" " + Figure(value, value >= 100.0f ? 0 : 1) +
         (value > threshold ? u" > " : u" \u2264 ") + FormatDecimal(threshold, 1);
}

COLORREF VerdictColour(CameraPicture::Verdict verdict) {
  switch (verdict) {
  case CameraPicture::Verdict::GoodBackground:
    return kValidColour;
  case CameraPicture::Verdict::TooFlat:
  case CameraPicture::Verdict::Flicker:
    return kWarnColour;
  case CameraPicture::Verdict::Waiting:
    return kDimColour;
  case CameraPicture::Verdict::TooDark:
  case CameraPicture::Verdict::NoCamera:
    break;
  }
  return kInvalidColour;
}

void TextLine(HDC hdc, int x, int y, int height, bool bold, COLORREF colour, const std::u16string &text) {
  HFONT previous = nullptr;
  HFONT font = SelectGameFont(hdc, height, 0, bold ? FW_BOLD : FW_NORMAL, false, kGameFontFace, &previous);
  SetTextColor(hdc, colour);
  TextAt(hdc, x, y, text);
  ReleaseGameFont(hdc, font, previous);
}

// The picture, fitted into the box and centred; returns its rectangle.
RECT DrawPicture(HDC hdc, const CameraPicture &picture, bool grey, int boxWidth, int boxHeight) {
  const float scale =
      std::min(float(boxWidth) / float(picture.width), float(boxHeight) / float(picture.height));
  const int w = std::max(1, int(float(picture.width) * scale)),
            h = std::max(1, int(float(picture.height) * scale));
  const RECT shown{(boxWidth - w) / 2, (boxHeight - h) / 2, (boxWidth - w) / 2 + w, (boxHeight - h) / 2 + h};
  std::vector<std::uint16_t> pixels;
  const std::vector<std::uint16_t> *source = &picture.pixels;
  if (grey) {
    // The intensity the tracker works on, (R + G + B) / 3.
    pixels.resize(picture.pixels.size());
    for (std::size_t i = 0; i < pixels.size(); ++i) {
      const unsigned p = picture.pixels[i];
      const unsigned level = (((p >> 11) << 3) + (((p >> 5) & 63) << 2) + ((p & 31) << 3)) / 3;
      pixels[i] = std::uint16_t(((level >> 3) << 11) | ((level >> 2) << 5) | (level >> 3));
    }
    source = &pixels;
  }
  HBITMAP bitmap = CreateBitmap(picture.width, picture.height, 1, 16, source->data());
  HDC memory = CreateCompatibleDC(hdc);
  HBITMAP old = SelectObject(memory, bitmap);
  StretchBlt(hdc, shown.left, shown.top, w, h, memory, 0, 0, picture.width, picture.height, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(bitmap);
  return shown;
}

} // namespace

std::u16string VerdictText(CameraPicture::Verdict verdict) {
  switch (verdict) {
  case CameraPicture::Verdict::GoodBackground:
    return u"Good background";
  case CameraPicture::Verdict::TooFlat:
    return u"Too flat";
  case CameraPicture::Verdict::TooDark:
    return u"Too dark";
  case CameraPicture::Verdict::Flicker:
    return u"Flicker";
  case CameraPicture::Verdict::Waiting:
    return u"Waiting for the camera";
  case CameraPicture::Verdict::NoCamera:
    break;
  }
  return u"No camera";
}

void DrawCameraView(HDC hdc, int width, int height, const CameraPicture &picture,
                    const ViewSteering &steering, bool grey) {
  FillBlack(hdc, width, height);
  SetBkMode(hdc, TRANSPARENT);
  const int textTop = height - kVerdictHeight - kLines * kLineHeight - 4;
  const bool havePicture = picture.width > 0 && picture.height > 0 &&
                           picture.pixels.size() == std::size_t(picture.width) * std::size_t(picture.height);
  RECT shown{0, 0, width, textTop};
  if (havePicture) {
    shown = DrawPicture(hdc, picture, grey, width, textTop);
  } else {
    Fill(hdc, 8, 8, width - 8, textTop - 8, kFrameColour);
  }
  const int cx = (shown.left + shown.right) / 2, cy = (shown.top + shown.bottom) / 2;
  const float scale =
      havePicture ? float(shown.right - shown.left) / float(picture.width) * kArrowGain : 0.0f;
  const float limit = float(std::min(shown.right - shown.left, shown.bottom - shown.top)) / 2.0f - 2.0f;
  auto clamp = [limit](float &dx, float &dy) {
    const float length = std::hypot(dx, dy);
    if (length > limit) {
      dx *= limit / length;
      dy *= limit / length;
    }
  };
  if (havePicture) {
    // Camera y is upwards in the picture; the screen's y is downwards. The steering goes
    // under the reports, which show inside it where they agree.
    if (steering.gameRunning) {
      float dx = float(steering.x) * scale, dy = -float(steering.y) * scale;
      clamp(dx, dy);
      Arrow(hdc, cx, cy, dx, dy, kSteerColour, 6);
    }
    for (const CameraPicture::Report &r : picture.reports) {
      float dx = float(r.x) * scale, dy = -float(r.y) * scale;
      clamp(dx, dy);
      Arrow(hdc, cx, cy, dx, dy, r.valid ? kValidColour : kInvalidColour, 2);
    }
  }

  int y = textTop + 2;
  TextLine(hdc, 4, y, kVerdictHeight - 2, true, VerdictColour(picture.verdict), VerdictText(picture.verdict));
  y += kVerdictHeight;
  if (picture.verdict == CameraPicture::Verdict::NoCamera) {
    TextLine(hdc, 4, y, kLineHeight - 1, false, kDimColour, u"Start with --camera auto, test or a video");
    return;
  }
  std::u16string size = havePicture
                            ? Text(std::to_string(picture.width) + " x " + std::to_string(picture.height) +
                                   ", block " + std::to_string(picture.blockSize))
                            : u"no picture yet";
  size += u", " + FormatDecimal(picture.framesPerSecond, 1) + u" fps";
  if (picture.frameAgeMs >= 0)
    size += Text(", " + std::to_string(picture.frameAgeMs) + " ms old");
  TextLine(hdc, 4, y, kLineHeight - 1, false, kTextColour, size);
  y += kLineHeight;

  // The search the report came from: the block search, else (profiles alone) the column one.
  const CameraPicture::Search *search = picture.block.ran ? &picture.block : &picture.profileX;
  if (search->ran)
    TextLine(hdc, 4, y, kLineHeight - 1, false, search->valid ? kTextColour : kInvalidColour,
             AgainstThreshold(u"Contrast", search->contrast, search->minContrast) + u", " +
                 AgainstThreshold(u"peak", search->peakRatio, search->minPeakRatio));
  else
    TextLine(hdc, 4, y, kLineHeight - 1, false, kDimColour, u"No search on this frame");
  y += kLineHeight;

  std::u16string light = u"Light " + FormatDecimal(picture.brightness, 0) + u" of 249";
  if (picture.playerMode)
    light += Text(", " + std::to_string(picture.changedBlocks) + " of " + std::to_string(picture.gridBlocks) +
                  " blocks moved");
  TextLine(hdc, 4, y, kLineHeight - 1, false, kTextColour, light);
  y += kLineHeight;

  const std::u16string steer =
      steering.gameRunning ? u"Steer " + FormatDecimal(steering.x, 0) + u", " + FormatDecimal(steering.y, 0)
                           : std::u16string(u"Steer: no game running");
  TextLine(hdc, 4, y, kLineHeight - 1, false, steering.gameRunning ? kSteerColour : kDimColour,
           steer + u" (" + steering.direction + u")");
}
