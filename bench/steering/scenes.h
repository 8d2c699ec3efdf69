#pragma once
// Pictures the steering benchmark films: photographs that Debian packages ship (decoded with
// libjpeg) and scenes made up here (a room, a bare wall, a head, a hand). Linear RGB, 0 to 1.

#include <cstdint>
#include <random>
#include <string>
#include <vector>

struct Picture {
  int width = 0, height = 0;
  std::vector<float> rgb; // width x height x 3, rows top first

  float *At(int x, int y) { return rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3; }
  const float *At(int x, int y) const { return rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3; }
  // Bilinear sample, clamped at the edges; out receives three channels.
  void Sample(float x, float y, float *out) const;
  // Area-averaged copy of the given size.
  Picture Resized(int newWidth, int newHeight) const;
  float MeanLevel() const;
};

// A JPEG file, decoded at the smallest power-of-two reduction that keeps at least minWidth
// columns. False, with a message, when it cannot be read.
bool LoadJpeg(const std::string &path, int minWidth, Picture &picture, std::string &error);

// The photographs found among the known Debian backgrounds; half of them (by the set) are kept
// for tuning, the other half held out.
std::vector<std::string> PhotoPaths(bool heldOut);

// Made-up scenes, at the given size; the seed varies the layout.
Picture MakeRoom(int width, int height, unsigned seed);
Picture MakeBareWall(int width, int height, unsigned seed);
// A head (face, hair, shoulders' top) or a hand, on a transparent ground: alpha in mask.
struct Figure {
  Picture picture;
  std::vector<float> mask; // 0 outside, 1 inside
};
Figure MakeHead(int width, int height, unsigned seed);
Figure MakeHand(int width, int height, unsigned seed);
