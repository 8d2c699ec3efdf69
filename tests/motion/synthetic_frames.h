#pragma once
// Frames made up by the motion tests and the tracker benchmark: a random textured scene
// seen through a window that can be moved by whole pixels.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

using Frame = std::vector<std::uint16_t>;

inline std::uint16_t Rgb565(int r, int g, int b) {
  return static_cast<std::uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

// A scene larger than the frames cut from it, so a moved view never runs out of texture.
struct Scene {
  // levels: pixel values 0 to levels - 1; grain: side of the squares of one value.
  Scene(int width, int height, unsigned seed, int levels = 65536, int grain = 1)
      : width(width), height(height), pixels(static_cast<std::size_t>(width) * height) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> value(0, levels - 1);
    std::vector<std::uint16_t> cells(static_cast<std::size_t>(width / grain + 1) * (height / grain + 1));
    for (auto &c : cells)
      c = static_cast<std::uint16_t>(value(random));
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        pixels[y * width + x] = cells[(y / grain) * (width / grain + 1) + x / grain];
  }

  // The view whose content sits (shiftX, shiftY) pixels further right and down than the
  // view at (0, 0): positive shifts move the content towards higher columns and rows.
  Frame View(int frameWidth, int frameHeight, int shiftX, int shiftY) const {
    Frame frame(static_cast<std::size_t>(frameWidth) * frameHeight);
    const int originX = (width - frameWidth) / 2 - shiftX, originY = (height - frameHeight) / 2 - shiftY;
    for (int y = 0; y < frameHeight; ++y)
      for (int x = 0; x < frameWidth; ++x)
        frame[y * frameWidth + x] = pixels[(originY + y) * width + originX + x];
    return frame;
  }

  int width, height;
  std::vector<std::uint16_t> pixels;
};

// The frame lit in bands of rows, as mains flicker through a rolling shutter lights it: each
// channel of row y scaled by 1 + depth x sin(2 pi y / period + phase).
inline Frame WithBands(Frame frame, int width, double depth, double phase, double period = 80.0) {
  for (std::size_t i = 0; i < frame.size(); ++i) {
    const double light =
        1.0 + depth * std::sin(2 * 3.14159265358979 * static_cast<double>(i / width) / period + phase);
    const std::uint16_t p = frame[i];
    auto scale = [&](int c, int max) { return std::min(max, static_cast<int>(c * light + 0.5)); };
    frame[i] = static_cast<std::uint16_t>((scale(p >> 11, 31) << 11) | (scale((p >> 5) & 63, 63) << 5) |
                                          scale(p & 31, 31));
  }
  return frame;
}
