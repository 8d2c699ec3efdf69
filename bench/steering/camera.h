#pragma once
// A simulated webcam: films a picture (and a head or hand before it) at 30 frames a second
// with a rolling shutter, automatic exposure and gain, sensor noise, motion blur and the
// flicker of mains lighting, and gives each frame as the capture sink hands it to the
// tracker: RGB565, packed, bottom row first.

#include "scenes.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

struct Lighting {
  std::string name;
  float light = 1.0f;   // illuminance, 1 for a bright office
  float flicker = 0.0f; // depth of the light's ripple at twice the mains frequency
  float mainsHz = 50.0f;
};

// What the camera films from a given time on. Positions are in pixels of the capture size:
// view gives the top-left corner of the view in the scene, figureAt the figure's top-left
// corner in the view. A still shot (view constant) is filmed much faster.
struct Shot {
  double from = 0.0;
  const Picture *scene = nullptr;
  std::function<void(double, float &, float &)> view;
  bool still = false;
  const Figure *figure = nullptr;
  std::function<void(double, float &, float &)> figureAt;
  Lighting lighting;
};

class Camera {
public:
  // fps: the nominal frame rate (webcams drop to 15 in dim light); the clock is a little off it.
  Camera(int width, int height, unsigned seed, double fps = 30.0);
  // Shots in time order; the first one starts at 0.
  void SetShots(std::vector<Shot> shots);

  double fps() const { return fps_; }
  // When frame k is complete and can be taken by the sink.
  double Ready(int k);
  // Frame k, rendered on first use; frames far behind the newest asked for are forgotten.
  const std::vector<std::uint16_t> &Frame(int k);

private:
  const Shot &ShotAt(double t) const;
  void Expose(int k);
  void Render(int k, std::vector<std::uint16_t> &out);

  int width_, height_;
  double fps_;
  double readout_ = 0.024;
  std::vector<Shot> shots_;
  std::vector<float> exposure_, gain_; // per frame: seconds, analogue gain
  float level_ = 1.0f;                 // exposure x gain, as the automatic exposure holds it
  std::map<int, std::vector<std::uint16_t>> frames_;
  // The still shot's view, sampled once.
  const Shot *baseShot_ = nullptr;
  std::vector<float> base_;
  std::vector<float> gaussian_;
  std::vector<float> row_;
  std::uint64_t random_;
  std::uint8_t gamma_[4097];
};
