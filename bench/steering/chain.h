#pragma once
// Runs a simulated camera's frames through the game's own steering chain in virtual time:
// the capture sink (taking the oldest queued frame or the newest, then resting 50 ms),
// CameraTracker, the point trail's AppendMotion and OnGameTick every 200 ms, and
// SnakeBoard::Advance. Several sink policies run side by side over the same frames.

#include "camera.h"

#include <vector>

enum class FramePick { Oldest, Newest };

// One deliberate motion: at the first tick after `set` the snake is sent across the intended
// axis; the first turn after that, before `until`, is the outcome.
struct Trial {
  double set = 0, onset = 0, until = 0;
  int dirX = 0, dirY = 0; // the board direction the motion asks for
  int kind = 0;           // the scenario's own grouping (speed, or head / hand)
  int lighting = 0;
};

// A stretch of time in which nothing deliberate moves: every turn in it after the first
// StillSettle seconds (the light has just changed; the exposure settles) is spurious. The
// snake is sent a new way every 10 s, so that a spurious motion along any axis shows.
constexpr double StillSettle = 3.0;
struct StillWindow {
  double from = 0, to = 0;
  int lighting = 0;
};

struct TrialOutcome {
  enum Result { Missed, Right, Wrong } result = Missed;
  double latency = 0; // onset to the turning tick, seconds
};

struct ChainResult {
  std::vector<TrialOutcome> trials;
  std::vector<int> spurious;     // per still window
  std::vector<double> frameAges; // seconds from mid-exposure to the tracker
  int frames = 0, validReports = 0;
};

struct ChainSetup {
  int width = 0, height = 0;
  int mode = 1;      // TrackingMode
  int direction = 0; // SteeringDirection
  double duration = 0;
  unsigned seed = 1;
};

std::vector<ChainResult> RunChains(Camera &camera, const ChainSetup &setup, const std::vector<Trial> &trials,
                                   const std::vector<StillWindow> &still,
                                   const std::vector<FramePick> &picks);
