#pragma once
// The tracker's private working memory, sized by ConfigureFormat and reused for every frame.

#include "motion/camera_tracker.h"

#include <vector>

struct CameraTracker::Scratch {
  // Column sums of the frame being accumulated, channel after channel.
  std::vector<std::uint32_t> profileColumns;
  std::vector<std::uint32_t> blockColumns;
  std::vector<std::uint16_t> fastBlockColumns;
  // Padded copies of the intensity block maps for the vector search: rows of `stride`.
  int stride = 0;
  std::vector<std::uint16_t> current16, previous16;
  std::vector<std::int32_t> current32, previous32;
  std::vector<std::int32_t> sads;
  // The block search on a banded frame (flicker.cpp): a row's blocks, the rows' medians, and the
  // current and previous maps with each row divided by its median, channel after channel.
  std::vector<std::int64_t> rowValues, rowMedians;
  std::vector<std::int32_t> evenCurrent, evenPrevious;
  // Every candidate's difference of the last block search, hw x hh, rows of dy.
  std::vector<std::int32_t> searchSads;
  // Low 32 bits of the profiles of one axis, channel after channel.
  std::vector<std::int32_t> profileCurrent, profilePrevious;

  // PlayerTracking (player_tracking.cpp): the background, in the light it was learnt in; the
  // previous block map with rangeX / rangeY blocks of its edges repeated around it, in rows of
  // paddedWidth, so every candidate reads inside it; the current map in the previous light.
  bool haveBackground = false;
  int rangeX = 0, rangeY = 0, paddedWidth = 0, sadWidth = 0;
  int previousChanged = 0;                              // blocks that changed in the previous frame
  float previousMiddleX = 0.0f, previousMiddleY = 0.0f; // ... and their middle, in blocks
  int changedBefore = 0;                                // blocks that changed the frame before that
  std::vector<float> background, ratios, backgroundGains;
  std::vector<std::int32_t> evened, previousPadded, differences, ordered, changed, moved;
  std::vector<std::uint32_t> playerSads;
  // Sizes the PlayerTracking part for a grid. Throws std::bad_alloc.
  void SizeForPlayer(int gridWidth, int gridHeight);
};
