#pragma once
// The game's tuning values: defaults at load, overridden once at start-up from the settings
// file, read by every part of the game and never written afterwards.

#include <cstdint>
#include <string>

struct GameSettings {
  std::int32_t startInterval = 200;
  std::int32_t boardSize = 20;
  std::int32_t startLength = 5;
  std::int32_t foodsPerSpeedUp = 5;
  std::int32_t scoresPerLevel = 5;
  std::int32_t trailCapacity = 20;
  std::int32_t turnThreshold = 15;
  std::int32_t minThreshold = 3;
  float thresholdDecay = 0.9f;
  float blockPeakRatio = 2.0f;
  float blockMinContrast = 2.0f;
  float profilePeakRatio = 2.0f;
  float profileMinContrast = 14.0f;
  // Derived by every load from the fields above.
  std::int32_t bodyCapacity = 20;
  std::int32_t padUp = 16;
  std::int32_t padDown = -16;
  std::int32_t padLeft = -16;
  std::int32_t padRight = 16;
  std::int32_t starveSteps = 40;

  // Reads the file (a missing one is not an error) and recomputes the derived fields.
  void Load(const std::string &path);
};
