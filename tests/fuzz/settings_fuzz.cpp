// libFuzzer target: any settings file loads into values the game can run with.

#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "state/game_settings.h"

namespace {

bool Within(std::int32_t value, std::int32_t low, std::int32_t high) { return value >= low && value <= high; }
bool Usable(float value) { return std::isfinite(value) && value >= 0.0f; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  // The loader reads a path: an in-memory file serves, at memory speed.
  static const int fd = memfd_create("settings", 0);
  static const std::string path = "/proc/self/fd/" + std::to_string(fd);
  if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != ssize_t(size))
    return 0;
  GameSettings s;
  s.Load(path);
  const bool usable =
      Within(s.startInterval, 1, GameSettings::kMaxStartInterval) &&
      Within(s.boardSize, 3, GameSettings::kMaxBoardSize) && Within(s.startLength, 2, s.boardSize - 1) &&
      s.foodsPerSpeedUp >= 1 && Within(s.scoresPerLevel, 1, GameSettings::kMaxScoresPerLevel) &&
      Within(s.trailCapacity, 2, GameSettings::kMaxTrailCapacity) &&
      Within(s.minThreshold, 0, s.turnThreshold) && s.turnThreshold <= GameSettings::kMaxThreshold &&
      s.thresholdDecay >= 0.0f && s.thresholdDecay <= 1.0f && Usable(s.blockPeakRatio) &&
      Usable(s.blockMinContrast) && Usable(s.profilePeakRatio) && Usable(s.profileMinContrast) &&
      s.bodyCapacity == s.boardSize && s.padUp == s.turnThreshold + 1 && s.padDown == -s.padUp;
  if (!usable)
    __builtin_trap();
  return 0;
}
