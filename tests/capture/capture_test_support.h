#pragma once
// Shared by the capture tests: a textured RGB565 picture cut out at an offset, and a motion
// callback that records its reports together with a virtual clock.

#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

#include "motion/camera_tracker.h"

namespace capture_test {

struct Report {
  int x, y;
  bool valid;
  std::int64_t virtualMs;
};

// Frame rows top first, stride bytes apart; the content at picture (x, y) is texture(x - left,
// y + up): so a larger left moves the content right, a larger up moves it up.
std::vector<std::uint8_t> TexturedFrame(int width, int height, std::size_t stride, int left, int up);

void ResetReports();
std::vector<Report> Reports();
void RecordReport(int x, int y, bool valid);
// Advances the virtual clock by the pause instead of waiting.
void VirtualWait(std::chrono::milliseconds pause);

} // namespace capture_test
