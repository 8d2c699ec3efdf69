#include "camera.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace {

constexpr double Pi = 3.14159265358979323846;
// Exposure that gives mid grey from a mid-grey scene in bright light, the longest exposure a
// frame period allows, the largest gain, and the sensor's full well and read noise.
constexpr float ReferenceExposure = 0.004f;
constexpr float FullWell = 3000.0f, ReadNoise = 6.0f, MaxGain = 16.0f;
constexpr float TargetLevel = 0.18f;

} // namespace

Camera::Camera(int width, int height, unsigned seed, double fps) : width_(width), height_(height) {
  std::mt19937 random(seed);
  // A camera's clock is never exactly on its nominal rate.
  fps_ = fps * (1.0 + std::uniform_real_distribution<double>(-0.001, 0.001)(random));
  std::normal_distribution<float> normal;
  // Noise is read from a field twice the size of a frame at a random place per frame.
  gaussian_.resize(static_cast<std::size_t>(width) * height * 6 + 1024);
  for (float &g : gaussian_)
    g = normal(random);
  random_ = random() | 1;
  for (int i = 0; i <= 4096; ++i)
    gamma_[i] = static_cast<std::uint8_t>(std::lround(255.0 * std::pow(i / 4096.0, 1.0 / 2.2)));
}

void Camera::SetShots(std::vector<Shot> shots) {
  shots_ = std::move(shots);
  frames_.clear();
  exposure_.clear();
  gain_.clear();
  baseShot_ = nullptr;
}

const Shot &Camera::ShotAt(double t) const {
  std::size_t i = 0;
  while (i + 1 < shots_.size() && shots_[i + 1].from <= t)
    ++i;
  return shots_[i];
}

// The automatic exposure meters the previous frame's view and moves a part of the way.
void Camera::Expose(int k) {
  while (static_cast<int>(exposure_.size()) <= k) {
    const int f = static_cast<int>(exposure_.size());
    const double t = f / fps_;
    const Shot &shot = ShotAt(t);
    float vx = 0, vy = 0;
    shot.view(t, vx, vy);
    double sum = 0;
    for (int j = 0; j < 6; ++j)
      for (int i = 0; i < 8; ++i) {
        float rgb[3];
        shot.scene->Sample(vx + (i + 0.5f) * width_ / 8, vy + (j + 0.5f) * height_ / 6, rgb);
        sum += (rgb[0] + rgb[1] + rgb[2]) / 3;
      }
    const float scene = std::max(0.01f, static_cast<float>(sum / 48) * shot.lighting.light);
    const float wanted = TargetLevel / scene;
    level_ = f == 0 ? wanted : level_ * std::pow(wanted / level_, 0.2f);
    const float longest = static_cast<float>(1.0 / fps_) * 0.98f;
    const float exposure = std::min(longest, ReferenceExposure * level_);
    exposure_.push_back(exposure);
    gain_.push_back(std::clamp(level_ * ReferenceExposure / exposure, 1.0f, MaxGain));
  }
}

double Camera::Ready(int k) {
  Expose(k);
  return k / fps_ + readout_ + exposure_[k] + 0.002;
}

const std::vector<std::uint16_t> &Camera::Frame(int k) {
  auto found = frames_.find(k);
  if (found != frames_.end())
    return found->second;
  // Frames far behind are forgotten; their memory serves the next one.
  std::vector<std::uint16_t> reused;
  while (!frames_.empty() && frames_.begin()->first < k - 8) {
    reused = std::move(frames_.begin()->second);
    frames_.erase(frames_.begin());
  }
  std::vector<std::uint16_t> &frame = frames_[k];
  frame = std::move(reused);
  Render(k, frame);
  return frame;
}

void Camera::Render(int k, std::vector<std::uint16_t> &out) {
  Expose(k);
  const double start = k / fps_;
  const Shot &shot = ShotAt(start);
  const float exposure = exposure_[k], gain = gain_[k];
  out.resize(static_cast<std::size_t>(width_) * height_);
  if (shot.still && baseShot_ != &shot) {
    base_.assign(static_cast<std::size_t>(width_) * height_ * 3, 0.0f);
    float vx = 0, vy = 0;
    shot.view(start, vx, vy);
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x)
        shot.scene->Sample(vx + x, vy + y, &base_[(static_cast<std::size_t>(y) * width_ + x) * 3]);
    baseShot_ = &shot;
  }
  const Lighting &light = shot.lighting;
  const double omega = 2 * Pi * 2 * light.mainsHz;
  std::vector<float> &row = row_;
  row.resize(static_cast<std::size_t>(width_) * 3);
  random_ ^= random_ << 13;
  random_ ^= random_ >> 7;
  random_ ^= random_ << 17;
  const std::size_t noiseStart =
      random_ % (gaussian_.size() - static_cast<std::size_t>(width_) * height_ * 3);
  for (int y = 0; y < height_; ++y) {
    const double t = start + readout_ * y / height_;
    // The row's light, averaged over its exposure: the flicker's ripple survives in part.
    float ripple = 1.0f;
    if (light.flicker > 0)
      ripple += light.flicker * static_cast<float>((std::sin(omega * (t + exposure)) - std::sin(omega * t)) /
                                                   (omega * exposure));
    const float scale = light.light * ripple * exposure / ReferenceExposure * gain;
    // Motion blur: two looks at the scene a half exposure apart when the view moves.
    if (shot.still) {
      std::copy_n(&base_[static_cast<std::size_t>(y) * width_ * 3], width_ * 3, row.begin());
    } else {
      float ax, ay, bx, by;
      shot.view(t + exposure * 0.25, ax, ay);
      shot.view(t + exposure * 0.75, bx, by);
      const bool blur = std::hypot(bx - ax, by - ay) > 0.5f;
      for (int x = 0; x < width_; ++x) {
        float *c = &row[static_cast<std::size_t>(x) * 3];
        if (blur) {
          float a[3], b[3];
          shot.scene->Sample(ax + x, ay + y, a);
          shot.scene->Sample(bx + x, by + y, b);
          for (int i = 0; i < 3; ++i)
            c[i] = (a[i] + b[i]) * 0.5f;
        } else {
          shot.scene->Sample(ax + x, ay + y, c);
        }
      }
    }
    if (shot.figure) {
      float fx, fy;
      shot.figureAt(t + exposure * 0.5, fx, fy);
      const Figure &f = *shot.figure;
      const int v = static_cast<int>(std::lround(y - fy));
      if (v >= 0 && v < f.picture.height) {
        const int u0 = static_cast<int>(std::lround(-fx));
        for (int x = std::max(0, -u0); x < width_ && x + u0 < f.picture.width; ++x) {
          const int u = x + u0;
          if (f.mask[static_cast<std::size_t>(v) * f.picture.width + u] > 0.5f)
            std::copy_n(f.picture.At(u, v), 3, &row[static_cast<std::size_t>(x) * 3]);
        }
      }
    }
    std::uint16_t *target = out.data() + static_cast<std::size_t>(height_ - 1 - y) * width_;
    const float *noise = gaussian_.data() + noiseStart + static_cast<std::size_t>(y) * width_ * 3;
    // Shot noise (electrons caught) and read noise, both amplified by the gain; then the
    // camera's gamma. The first loop is plain arithmetic, which the compiler vectorises.
    const float perSignal = FullWell / gain, read = ReadNoise * ReadNoise, toLevel = gain / FullWell;
    float *values = row.data();
    for (int i = 0; i < width_ * 3; ++i) {
      const float signal = std::max(0.0f, values[i] * scale);
      const float value = signal + std::sqrt(signal * perSignal + read) * toLevel * noise[i];
      values[i] = std::min(std::max(value, 0.0f), 1.0f) * 4096.0f;
    }
    for (int x = 0; x < width_; ++x) {
      int channel[3];
      for (int i = 0; i < 3; ++i)
        channel[i] = gamma_[static_cast<int>(values[x * 3 + i])];
      target[x] = static_cast<std::uint16_t>(((channel[0] >> 3) << 11) | ((channel[1] >> 2) << 5) |
                                             (channel[2] >> 3));
    }
  }
}
