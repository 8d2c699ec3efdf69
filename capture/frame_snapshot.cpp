#include "capture/frame_snapshot.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <deque>
#include <mutex>

namespace {

using Clock = std::chrono::steady_clock;

// The rate is counted over the frames of the last two seconds.
constexpr auto kRateWindow = std::chrono::seconds(2);
constexpr auto kStalled = std::chrono::seconds(1);

std::atomic<bool> g_watched{false};
std::mutex g_lock;
FrameSnapshot g_latest;
bool g_haveFrame = false;
std::deque<Clock::time_point> g_frameTimes;

} // namespace

void WatchFrames(bool on) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_watched.store(on, std::memory_order_relaxed);
  g_latest = FrameSnapshot{};
  g_haveFrame = false;
  g_frameTimes.clear();
}

bool FramesWatched() { return g_watched.load(std::memory_order_relaxed); }

void PublishFrame(const std::uint16_t *bottomFirst, int width, int height, const TrackerFigures &figures,
                  std::int64_t ageUs) {
  if (bottomFirst == nullptr || width <= 0 || height <= 0)
    return;
  const Clock::time_point now = Clock::now();
  std::lock_guard<std::mutex> hold(g_lock);
  // Watching may have stopped since the grabber asked.
  if (!g_watched.load(std::memory_order_relaxed))
    return;
  FrameSnapshot &s = g_latest;
  s.width = width;
  s.height = height;
  s.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  const std::size_t row = static_cast<std::size_t>(width);
  for (int y = 0; y < height; ++y)
    std::memcpy(&s.pixels[static_cast<std::size_t>(y) * row],
                bottomFirst + static_cast<std::size_t>(height - 1 - y) * row, row * 2);
  s.figures = figures;
  s.frameAgeUs = ageUs;
  s.reports.push_back({figures.reportX, figures.reportY, figures.reportValid});
  if (s.reports.size() > kSnapshotReports)
    s.reports.erase(s.reports.begin());
  g_frameTimes.push_back(now);
  while (g_frameTimes.size() > 1 && now - g_frameTimes.front() > kRateWindow)
    g_frameTimes.pop_front();
  g_haveFrame = true;
}

bool TakeFrameSnapshot(FrameSnapshot *out) {
  const Clock::time_point now = Clock::now();
  std::lock_guard<std::mutex> hold(g_lock);
  if (!g_haveFrame || out == nullptr)
    return false;
  *out = g_latest;
  out->framesPerSecond = 0.0f;
  if (g_frameTimes.size() > 1 && now - g_frameTimes.back() < kStalled) {
    const std::chrono::duration<float> span = g_frameTimes.back() - g_frameTimes.front();
    if (span.count() > 0.0f)
      out->framesPerSecond = static_cast<float>(g_frameTimes.size() - 1) / span.count();
  }
  return true;
}
