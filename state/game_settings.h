#pragma once
// The game's tuning values: defaults at load, overridden once at start-up from the settings
// file, read by every part of the game and never written afterwards.

#include <cstdint>
#include <cstdio>
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

  // Upper limits: a larger value is refused by Load and the field keeps its default.
  //
  // The smallest board area is the game screen's in landscape: 320 x 168 pixels (240 less the
  // 26-pixel title strip, the 26-pixel soft-key bar and the 20-pixel HUD). At most 168 cells a
  // side keeps every cell at least one pixel high in either orientation.
  static constexpr std::int32_t kMaxBoardSize = 168;
  // A tick of a minute is already unplayable; the bound keeps the timer period and the
  // starvation countdown (starveSteps x interval) small and exact as floats.
  static constexpr std::int32_t kMaxStartInterval = 60000;
  // The best-scores page gives each record a line of H div (K + 1) pixels and draws its text
  // one pixel smaller. On the 188-pixel-high landscape page 90 records still get 2-pixel lines
  // (a positive font height); the results file is then 5 x 90 x 260 + 512 = 117512 bytes.
  static constexpr std::int32_t kMaxScoresPerLevel = 90;
  // The camera sink delivers at most 20 reports a second and a tick lasts at most a minute,
  // so 4096 entries never fill; the two trail arrays then take 32 KiB.
  static constexpr std::int32_t kMaxTrailCapacity = 4096;
  // Thresholds are compared as floats. Far below 2^24, turnThreshold + 1 stays above
  // turnThreshold after the conversion (a pad press always turns) and the pad values
  // +-(turnThreshold + 1) cannot overflow.
  static constexpr std::int32_t kMaxThreshold = 1000000;
  // A settings file is a few dozen bytes; reading stops after this many, so a huge or endless
  // file cannot stall start-up.
  static constexpr long kMaxFileBytes = 1L << 20;

  // Reads the file (a missing one is not an error), refuses the values the game cannot run
  // with (each keeps its default) and recomputes the derived fields.
  void Load(const std::string &path);

  // Reads the thirteen file values from an open file, one field after another, as the C
  // library's "%d\n" and "%f\n" conversions would, but without range checks and without
  // undefined behaviour: an integer outside 32 bits is consumed and leaves its field as it
  // was. Load uses it; tests compare it with the C library.
  void ReadValues(std::FILE *file);
};
