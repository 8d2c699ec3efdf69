#include "scenes.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <filesystem>

void Picture::Sample(float x, float y, float *out) const {
  x = std::clamp(x, 0.0f, static_cast<float>(width - 1));
  y = std::clamp(y, 0.0f, static_cast<float>(height - 1));
  const int x0 = std::min(static_cast<int>(x), width - 2), y0 = std::min(static_cast<int>(y), height - 2);
  const float fx = x - x0, fy = y - y0;
  const float *a = At(x0, y0), *b = At(x0 + 1, y0), *c = At(x0, y0 + 1), *d = At(x0 + 1, y0 + 1);
  for (int k = 0; k < 3; ++k)
    out[k] = (a[k] * (1 - fx) + b[k] * fx) * (1 - fy) + (c[k] * (1 - fx) + d[k] * fx) * fy;
}

Picture Picture::Resized(int newWidth, int newHeight) const {
  Picture result;
  result.width = newWidth;
  result.height = newHeight;
  result.rgb.assign(static_cast<std::size_t>(newWidth) * newHeight * 3, 0.0f);
  const double sx = static_cast<double>(width) / newWidth, sy = static_cast<double>(height) / newHeight;
  for (int y = 0; y < newHeight; ++y) {
    const int y0 = static_cast<int>(y * sy),
              y1 = std::max(y0 + 1, std::min(height, static_cast<int>((y + 1) * sy)));
    for (int x = 0; x < newWidth; ++x) {
      const int x0 = static_cast<int>(x * sx),
                x1 = std::max(x0 + 1, std::min(width, static_cast<int>((x + 1) * sx)));
      float sum[3] = {};
      for (int v = y0; v < y1; ++v)
        for (int u = x0; u < x1; ++u)
          for (int k = 0; k < 3; ++k)
            sum[k] += At(u, v)[k];
      const float n = static_cast<float>((x1 - x0) * (y1 - y0));
      for (int k = 0; k < 3; ++k)
        result.At(x, y)[k] = sum[k] / n;
    }
  }
  return result;
}

float Picture::MeanLevel() const {
  double sum = 0;
  for (float v : rgb)
    sum += v;
  return rgb.empty() ? 0.0f : static_cast<float>(sum / rgb.size());
}

#if VEXMOOR_STEERING_JPEG
#include <jpeglib.h>

namespace {

struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr info) {
  JpegError *error = reinterpret_cast<JpegError *>(info->err);
  (*info->err->format_message)(info, error->message);
  std::longjmp(error->jump, 1);
}

// sRGB to linear light.
float Linear(std::uint8_t v) {
  const float c = v / 255.0f;
  return c <= 0.04045f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f);
}

} // namespace

bool LoadJpeg(const std::string &path, int minWidth, Picture &picture, std::string &error) {
  std::FILE *file = std::fopen(path.c_str(), "rb");
  if (!file) {
    error = path + ": cannot be opened";
    return false;
  }
  jpeg_decompress_struct info;
  JpegError jpegError;
  info.err = jpeg_std_error(&jpegError.manager);
  jpegError.manager.error_exit = OnJpegError;
  std::vector<std::uint8_t> row;
  if (setjmp(jpegError.jump)) {
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    error = path + ": " + jpegError.message;
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file);
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  info.scale_num = 1;
  info.scale_denom = 1;
  while (info.scale_denom < 8 && static_cast<int>(info.image_width / (info.scale_denom * 2)) >= minWidth)
    info.scale_denom *= 2;
  jpeg_start_decompress(&info);
  picture.width = static_cast<int>(info.output_width);
  picture.height = static_cast<int>(info.output_height);
  picture.rgb.resize(static_cast<std::size_t>(picture.width) * picture.height * 3);
  row.resize(static_cast<std::size_t>(picture.width) * 3);
  float table[256];
  for (int v = 0; v < 256; ++v)
    table[v] = Linear(static_cast<std::uint8_t>(v));
  while (info.output_scanline < info.output_height) {
    std::uint8_t *rows[1] = {row.data()};
    const int y = static_cast<int>(info.output_scanline);
    jpeg_read_scanlines(&info, rows, 1);
    for (int i = 0; i < picture.width * 3; ++i)
      picture.rgb[static_cast<std::size_t>(y) * picture.width * 3 + i] = table[row[i]];
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  std::fclose(file);
  return true;
}

#else
bool LoadJpeg(const std::string &path, int, Picture &, std::string &error) {
  error = path + ": this benchmark was built without libjpeg (libjpeg-dev)";
  return false;
}
#endif

std::vector<std::string> PhotoPaths(bool heldOut) {
  // Photographs, not drawings: the MATE nature set.
  static const char *const tuning[] = {"mate/nature/Garden.jpg", "mate/nature/Storm.jpg",
                                       "mate/nature/Wood.jpg",   "mate/nature/GreenMeadow.jpg",
                                       "mate/nature/Blinds.jpg", "mate/nature/LadyBird.jpg"};
  static const char *const held[] = {"mate/nature/Dune.jpg",         "mate/nature/RainDrops.jpg",
                                     "mate/nature/TwoWings.jpg",     "mate/nature/Aqua.jpg",
                                     "mate/nature/YellowFlower.jpg", "mate/nature/FreshFlower.jpg"};
  std::vector<std::string> paths;
  for (const char *name : heldOut ? std::vector<const char *>(std::begin(held), std::end(held))
                                  : std::vector<const char *>(std::begin(tuning), std::end(tuning))) {
    const std::string path = std::string("/usr/share/backgrounds/") + name;
    if (std::filesystem::exists(path))
      paths.push_back(path);
  }
  return paths;
}

namespace {

// Value noise summed over octaves: a plaster, wood or fabric texture, 0 mean, about unit spread.
struct Noise {
  explicit Noise(unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    for (float &v : lattice)
      v = value(random);
  }
  float Smooth(float x, float y) const {
    const int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
    const float fx = x - xi, fy = y - yi;
    const float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    auto at = [&](int u, int v) { return lattice[((u & 255) + (v & 255) * 256) & 65535]; };
    return (at(xi, yi) * (1 - sx) + at(xi + 1, yi) * sx) * (1 - sy) +
           (at(xi, yi + 1) * (1 - sx) + at(xi + 1, yi + 1) * sx) * sy;
  }
  float Octaves(float x, float y, float scale, int octaves) const {
    float sum = 0, amplitude = 1, norm = 0;
    for (int o = 0; o < octaves; ++o) {
      sum += amplitude * Smooth(x / scale + o * 17.3f, y / scale + o * 7.1f);
      norm += amplitude;
      amplitude *= 0.55f;
      scale *= 0.5f;
    }
    return sum / norm;
  }
  float lattice[65536];
};

void Fill(Picture &p, int width, int height) {
  p.width = width;
  p.height = height;
  p.rgb.assign(static_cast<std::size_t>(width) * height * 3, 0.0f);
}

} // namespace

Picture MakeRoom(int width, int height, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  const Noise noise(seed * 7 + 1);
  Picture p;
  Fill(p, width, height);
  const float wall[3] = {0.45f + 0.2f * unit(random), 0.42f + 0.15f * unit(random),
                         0.35f + 0.15f * unit(random)};
  const float floorLine = height * (0.7f + 0.15f * unit(random));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      float *c = p.At(x, y);
      const float light = 0.75f + 0.35f * (1.0f - std::hypot(x - width * 0.3f, y - height * 0.2f) / width);
      const float grain = 0.03f * noise.Octaves(x, y, width / 40.0f, 4);
      for (int k = 0; k < 3; ++k)
        c[k] = y < floorLine ? wall[k] * (light + grain)
                             : 0.25f * wall[k] + 0.12f * noise.Octaves(x * 0.3f, y, 30, 5);
    }
  // Furniture, pictures, shelves, a window: rectangles with their own textures and edges.
  const int items = 14 + static_cast<int>(unit(random) * 10);
  for (int i = 0; i < items; ++i) {
    const float w = width * (0.03f + 0.18f * unit(random) * unit(random) + 0.02f);
    const float h = height * (0.04f + 0.25f * unit(random));
    const float x0 = unit(random) * (width - w), y0 = unit(random) * (height - h);
    float colour[3];
    const bool window = i == 0;
    for (float &c : colour)
      c = window ? 0.95f : 0.05f + 0.8f * unit(random) * unit(random);
    const float scale = 2.0f + 40.0f * unit(random);
    const int kind = static_cast<int>(unit(random) * 3);
    for (int y = static_cast<int>(y0); y < static_cast<int>(y0 + h); ++y)
      for (int x = static_cast<int>(x0); x < static_cast<int>(x0 + w); ++x) {
        float *c = p.At(x, y);
        float t = noise.Octaves(x + i * 101.0f, y, scale, 5);
        if (kind == 1) // stripes: books on a shelf
          t = 0.6f * std::sin(x * 6.28f / (3.0f + scale * 0.3f)) + 0.3f * t;
        if (kind == 2 && ((x - static_cast<int>(x0)) < 3 || (y - static_cast<int>(y0)) < 3)) // a frame
          t = -0.8f;
        for (int k = 0; k < 3; ++k)
          c[k] = std::clamp(colour[k] * (1.0f + 0.5f * t), 0.0f, 1.0f);
      }
  }
  return p;
}

Picture MakeBareWall(int width, int height, unsigned seed) {
  const Noise noise(seed * 13 + 5);
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  const float base[3] = {0.55f + 0.2f * unit(random), 0.55f + 0.15f * unit(random),
                         0.5f + 0.15f * unit(random)};
  Picture p;
  Fill(p, width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      // A lamp's gradient and a faint plaster grain: almost nothing to match.
      const float light =
          0.8f +
          0.3f * std::exp(-std::pow(std::hypot(x - width * 0.6f, y - height * 0.3f) / width, 2.0f) * 3);
      const float grain = 0.006f * noise.Octaves(x, y, 6, 3);
      for (int k = 0; k < 3; ++k)
        p.At(x, y)[k] = base[k] * (light + grain);
    }
  return p;
}

namespace {

Figure MakeFigure(int width, int height, unsigned seed, bool head) {
  const Noise noise(seed * 31 + 3);
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  Figure f;
  Fill(f.picture, width, height);
  f.mask.assign(static_cast<std::size_t>(width) * height, 0.0f);
  const float skin[3] = {0.55f + 0.25f * unit(random), 0.38f + 0.15f * unit(random),
                         0.28f + 0.12f * unit(random)};
  const float hair[3] = {0.05f + 0.3f * unit(random), 0.04f + 0.2f * unit(random),
                         0.03f + 0.12f * unit(random)};
  const float cx = width / 2.0f, cy = height / 2.0f;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const float u = (x - cx) / (width / 2.0f), v = (y - cy) / (height / 2.0f);
      bool inside;
      float colour[3] = {skin[0], skin[1], skin[2]};
      float shade = 1.0f - 0.35f * u * u;
      if (head) {
        inside = u * u + v * v <= 1.0f;
        const bool isHair = v < -0.45f + 0.15f * std::abs(u) || std::abs(u) > 0.82f;
        if (isHair) {
          std::copy(hair, hair + 3, colour);
          shade = 1.0f + 0.6f * noise.Octaves(x, y * 0.3f, 3, 3);
        }
        // Eyes, brows, mouth: the dark features a face has.
        const bool eye = std::hypot(std::abs(u) - 0.35f, v + 0.1f) < 0.09f;
        const bool brow = std::abs(v + 0.25f) < 0.03f && std::abs(std::abs(u) - 0.35f) < 0.15f;
        const bool mouth = std::abs(v - 0.45f) < 0.04f && std::abs(u) < 0.25f;
        if (eye || brow || mouth)
          shade = 0.3f;
      } else {
        // A palm with four fingers above it.
        const bool palm = std::abs(u) < 0.6f && v > -0.1f && v < 0.9f;
        const bool finger = v <= -0.1f && v > -0.95f + 0.1f * std::abs(u) &&
                            std::fmod(u + 0.8f, 0.4f) < 0.3f && std::abs(u) < 0.8f;
        inside = palm || finger;
        if (std::fmod(u + 0.8f, 0.4f) > 0.27f)
          shade *= 0.7f;
      }
      if (!inside)
        continue;
      f.mask[static_cast<std::size_t>(y) * width + x] = 1.0f;
      const float grain = 0.06f * noise.Octaves(x, y, 4, 3);
      for (int k = 0; k < 3; ++k)
        f.picture.At(x, y)[k] = std::clamp(colour[k] * (shade + grain), 0.0f, 1.0f);
    }
  return f;
}

} // namespace

Figure MakeHead(int width, int height, unsigned seed) { return MakeFigure(width, height, seed, true); }
Figure MakeHand(int width, int height, unsigned seed) { return MakeFigure(width, height, seed, false); }
