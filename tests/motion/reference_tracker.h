#pragma once
// A plain scalar camera tracker, written for clarity rather than speed: the tests and the
// tracker benchmark compare the real tracker against it, bit for bit.

#include <cstdint>
#include <vector>

struct ReferenceTracker {
  // mode: 0 combined, 1 block matching, 2 profile matching.
  ReferenceTracker(int width, int height, int blockSize, int mode, bool perChannel);

  void Process(const std::uint16_t *pixels);
  void Accumulate(const std::uint16_t *pixels);
  void MatchBlocks();
  // Whether the light changed band by band since the previous frame (mains flicker), and the
  // maps with each row divided by its own median block, as the block search then uses them.
  bool Banded() const;
  std::vector<std::int32_t> EvenRows(const std::vector<std::int32_t> *maps, std::int64_t &level) const;
  void MatchProfiles();
  void Combine();

  int width, height, blockSize, mode;
  bool perChannel;
  int gridWidth, gridHeight;
  float blockPeakRatio = 2.0f, blockMinContrast = 2.0f;
  float profilePeakRatio = 2.0f, profileMinContrast = 14.0f;

  int frameCount = 0;
  int currentSet = 0;
  int reportX = 0, reportY = 0;
  bool reportValid = false;
  int blockX = 0, blockY = 0, profileX = 0, profileY = 0;
  bool blockValid = false, profileValid = false;
  bool banded = false;

  // [set][channel] for profiles, [channel] for block maps; intensity uses channel 0.
  std::vector<std::int64_t> columns[2][3], rows[2][3];
  std::vector<std::int32_t> blocks[3], previousBlocks[3];

private:
  int Channels() const { return perChannel ? 3 : 1; }
  bool AxisSearch(int n, bool columnsAxis, int &result) const;
};
