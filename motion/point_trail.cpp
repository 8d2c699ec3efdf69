#include "motion/point_trail.h"

#include <atomic>
#include <cmath>

#include "platform/window.h"
#include "state/app_state.h"

// Sharing between the capture thread (the only writer of entries) and the user-interface
// thread (the only reader), without a lock:
// - An append writes entry trailCount, then publishes it by moving trailCount on with a
//   compare-and-swap. If the tick has emptied the trail meanwhile, the swap fails and the
//   report is lost; the entry written stays unread until later appends overwrite it.
// - The tick reads trailCount once, reads only the entries below it (which no append
//   touches any more), and empties the trail only afterwards. Reports published during the
//   reduction are dropped with the rest.
// The arrays themselves are never reallocated while frames flow.

namespace {

constexpr double kFullTurn = 6.2831853;
constexpr double kQuarterTurn = 1.570796325;

// The usable length of the trail: one less than its capacity, none without arrays.
std::int32_t TrailLimit() {
  if (g_app.trailX == nullptr || g_app.trailY == nullptr) {
    return 0;
  }
  const std::int64_t limit = std::int64_t(g_app.settings.trailCapacity) - 1;
  return limit > 0 ? std::int32_t(limit) : 0;
}

// Truncation toward zero, saturated so that extreme reports cannot overflow the conversion.
std::int32_t TruncateToInt32(float v) {
  if (v >= 2147483648.0f) {
    return INT32_MAX;
  }
  if (v <= -2147483648.0f) {
    return INT32_MIN;
  }
  return std::int32_t(v);
}

} // namespace

void AppendMotion(int x, int y, bool valid) {
  if (valid) {
    g_app.motionSeen.store(true, std::memory_order_relaxed);
  }
  if (!g_app.gameRunning.load(std::memory_order_relaxed)) {
    return;
  }
  std::int32_t count = g_app.trailCount.load(std::memory_order_acquire);
  if (count < 0 || count >= TrailLimit()) {
    return;
  }
  g_app.trailX[count] = x;
  g_app.trailY[count] = y;
  g_app.trailCount.compare_exchange_strong(count, count + 1, std::memory_order_acq_rel,
                                           std::memory_order_relaxed);
}

double AngularDistance(double a, double b) {
  const double d = std::fabs(a - b);
  return d < kFullTurn - d ? d : kFullTurn - d;
}

void OnGameTick(HWND, std::uint32_t, std::uintptr_t, std::uint32_t) {
  // Taken and lowered in one step, so a valid report arriving during the reduction counts
  // for the next tick period instead of vanishing.
  g_app.motionSeenLastTick = g_app.motionSeen.exchange(false, std::memory_order_relaxed);

  std::int32_t n = g_app.trailCount.load(std::memory_order_acquire);
  const std::int32_t limit = TrailLimit();
  if (n < 0) {
    n = 0;
  } else if (n > limit) {
    n = limit;
  }
  const std::int32_t *xs = g_app.trailX;
  const std::int32_t *ys = g_app.trailY;

  // The plain mean of the angles, without wrap-around: reports on both sides of the
  // negative x axis average to 0 and none of them agrees with it.
  double angleSum = 0.0;
  for (std::int32_t i = 0; i < n; ++i) {
    angleSum += std::atan2(double(ys[i]), double(xs[i]));
  }
  const double mean = n > 0 ? angleSum / n : 0.0;

  float sx = 0.0f;
  float sy = 0.0f;
  std::int32_t votes = 0;
  for (std::int32_t i = 0; i < n; ++i) {
    const double angle = double(float(std::atan2(double(ys[i]), double(xs[i]))));
    if (AngularDistance(mean, angle) < kQuarterTurn) {
      sx += float(xs[i]);
      sy += float(ys[i]);
      ++votes;
    }
  }
  if (votes > n / 2) {
    const float k = 1.0f / float(votes);
    g_app.steerX = TruncateToInt32(sx * k);
    g_app.steerY = TruncateToInt32(sy * k);
  } else {
    g_app.steerX = 0;
    g_app.steerY = 0;
  }

  g_app.trailCount.exchange(0, std::memory_order_acq_rel);

  if (g_app.gameRunning.load(std::memory_order_relaxed)) {
    const float dt = g_app.tickInterval * 0.001f;
    g_app.elapsedTime += dt;
    g_app.starveLeft -= dt;
  }

  RedrawWindow(g_app.gameDialog, nullptr, nullptr, RDW_INVALIDATE);
}
