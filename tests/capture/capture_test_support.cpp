#include "capture_test_support.h"

#include <atomic>
#include <cstring>
#include <random>

namespace capture_test {
namespace {

std::mutex g_lock;
std::vector<Report> g_reports;
std::atomic<std::int64_t> g_virtualMs{0};

std::uint16_t Texel(int x, int y) {
  static const std::vector<std::uint16_t> cells = [] {
    std::mt19937 random(7);
    std::vector<std::uint16_t> c(64 * 64);
    for (auto &v : c)
      v = static_cast<std::uint16_t>(random());
    return c;
  }();
  // Cells of 5 pixels so that block edges and texture edges do not line up.
  int cx = ((x % 320) + 320) % 320 / 5, cy = ((y % 320) + 320) % 320 / 5;
  return cells[static_cast<size_t>(cy * 64 + cx)];
}

} // namespace

std::vector<std::uint8_t> TexturedFrame(int width, int height, std::size_t stride, int left, int up) {
  std::vector<std::uint8_t> frame(stride * static_cast<size_t>(height), 0xAB);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint16_t p = Texel(x - left, y + up);
      std::memcpy(&frame[static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 2], &p, 2);
    }
  }
  return frame;
}

void ResetReports() {
  std::lock_guard<std::mutex> hold(g_lock);
  g_reports.clear();
  g_virtualMs = 0;
}

std::vector<Report> Reports() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_reports;
}

void RecordReport(int x, int y, bool valid) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_reports.push_back({x, y, valid, g_virtualMs.load()});
}

void VirtualWait(std::chrono::milliseconds pause) { g_virtualMs += pause.count(); }

} // namespace capture_test
