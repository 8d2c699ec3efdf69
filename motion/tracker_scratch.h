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
  // Low 32 bits of the profiles of one axis, channel after channel.
  std::vector<std::int32_t> profileCurrent, profilePrevious;
};
