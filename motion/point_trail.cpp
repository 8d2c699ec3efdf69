#include "motion/point_trail.h"

#include <atomic>
#include <climits>
#include <cmath>
#include <cstring>

#include "platform/window.h"
#include "state/app_state.h"

// Sharing between one appending thread (the only writer of entries) and the user-interface
// thread (the only reader), without a lock:
// - An append writes entry trailCount, then publishes it by moving trailCount on with a
//   compare-and-swap. If the tick has emptied the trail meanwhile, the swap fails and the
//   report is lost; the entry written stays unread until later appends overwrite it.
// - The tick reads trailCount once, reads only the entries below it (which no append
//   touches any more), and empties the trail only afterwards. Reports published during the
//   reduction are dropped with the rest.
// The arrays themselves are never reallocated while frames flow.

namespace {

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

std::atomic<SteeringDirection> direction{SteeringDirection::FollowPicture};

// Negation saturates, so the most negative vector cannot overflow.
std::int32_t Negated(std::int32_t v) { return v == INT32_MIN ? INT32_MAX : -v; }

void ApplyDirection(std::int32_t &x, std::int32_t &y) {
  switch (direction.load(std::memory_order_relaxed)) {
  case SteeringDirection::FollowPicture:
    break;
  case SteeringDirection::FollowCamera:
    x = Negated(x);
    y = Negated(y);
    break;
  case SteeringDirection::Mirror:
    x = Negated(x);
    break;
  }
}

// The tracking mode that watches the player in front of a still webcam.
constexpr int kPlayerTrackingMode = 4;

} // namespace

void SetSteeringDirection(SteeringDirection d) {
  switch (d) {
  case SteeringDirection::FollowPicture:
  case SteeringDirection::FollowCamera:
  case SteeringDirection::Mirror:
    direction.store(d, std::memory_order_relaxed);
    break;
  }
}

SteeringDirection CurrentSteeringDirection() { return direction.load(std::memory_order_relaxed); }

SteeringDirection DefaultSteeringDirection(int trackingMode) {
  return trackingMode == kPlayerTrackingMode ? SteeringDirection::Mirror : SteeringDirection::FollowPicture;
}

const char *SteeringDirectionName(SteeringDirection d) {
  switch (d) {
  case SteeringDirection::FollowCamera:
    return "camera";
  case SteeringDirection::Mirror:
    return "mirror";
  case SteeringDirection::FollowPicture:
    break;
  }
  return "picture";
}

bool ParseSteeringDirection(const char *name, SteeringDirection *d) {
  if (name == nullptr || d == nullptr)
    return false;
  for (SteeringDirection candidate :
       {SteeringDirection::FollowPicture, SteeringDirection::FollowCamera, SteeringDirection::Mirror}) {
    if (std::strcmp(name, SteeringDirectionName(candidate)) == 0) {
      *d = candidate;
      return true;
    }
  }
  return false;
}

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

  // The mean direction is that of the sum of the reports' unit vectors, so reports on both
  // sides of the negative x axis average to it instead of cancelling. A (0, 0) report has no
  // direction: it adds nothing to that sum and agrees with any mean (it counts as a vote and
  // shrinks the vector). Reports that cancel exactly leave no mean to agree with.
  double meanX = 0.0;
  double meanY = 0.0;
  for (std::int32_t i = 0; i < n; ++i) {
    if (xs[i] != 0 || ys[i] != 0) {
      const double length = std::hypot(double(xs[i]), double(ys[i]));
      meanX += double(xs[i]) / length;
      meanY += double(ys[i]) / length;
    }
  }

  // A report agrees when it lies less than a quarter turn from the mean: a positive dot
  // product. Mirrored trails give exactly mirrored sums, so a report exactly a quarter turn
  // away disagrees whichever side it lies on.
  float sx = 0.0f;
  float sy = 0.0f;
  std::int32_t votes = 0;
  for (std::int32_t i = 0; i < n; ++i) {
    const bool still = xs[i] == 0 && ys[i] == 0;
    if (still || double(xs[i]) * meanX + double(ys[i]) * meanY > 0.0) {
      sx += float(xs[i]);
      sy += float(ys[i]);
      ++votes;
    }
  }
  std::int32_t steerX = 0;
  std::int32_t steerY = 0;
  if (votes > n / 2) {
    const float k = 1.0f / float(votes);
    steerX = TruncateToInt32(sx * k);
    steerY = TruncateToInt32(sy * k);
  }
  ApplyDirection(steerX, steerY);
  g_app.steerX = steerX;
  g_app.steerY = steerY;

  g_app.trailCount.exchange(0, std::memory_order_acq_rel);

  if (g_app.gameRunning.load(std::memory_order_relaxed)) {
    const float dt = g_app.tickInterval * 0.001f;
    g_app.elapsedTime += dt;
    g_app.starveLeft -= dt;
  }

  RedrawWindow(g_app.gameDialog, nullptr, nullptr, RDW_INVALIDATE);
}
