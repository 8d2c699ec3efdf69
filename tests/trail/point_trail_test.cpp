#include "motion/point_trail.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "state/app_state.h"

namespace {

using Report = std::pair<int, int>;

class PointTrailTest : public ::testing::Test {
protected:
  void SetUp() override { UseCapacity(20); }
  void TearDown() override {
    UseCapacity(GameSettings().trailCapacity);
    g_app.gameRunning = false;
    g_app.trailX = g_app.trailY = nullptr;
  }

  // Arrays of exactly the capacity, so a write past them is caught by the sanitizers.
  void UseCapacity(int capacity) {
    xs_.assign(std::size_t(capacity), kUnused);
    ys_.assign(std::size_t(capacity), kUnused);
    g_app.settings.trailCapacity = capacity;
    g_app.trailX = xs_.data(), g_app.trailY = ys_.data();
    g_app.trailCount = 0;
    g_app.motionSeen = g_app.motionSeenLastTick = true;
    g_app.gameRunning = true;
    g_app.tickInterval = 200.0f;
    g_app.elapsedTime = g_app.starveLeft = 0.0f;
    g_app.steerX = g_app.steerY = 12345;
  }

  static void Tick() { OnGameTick(nullptr, WM_TIMER, 40017, 0); }
  static Report Steer(const std::vector<Report> &reports) {
    for (const Report &r : reports)
      AppendMotion(r.first, r.second, true);
    Tick();
    return {g_app.steerX, g_app.steerY};
  }

  static constexpr std::int32_t kUnused = -777;
  std::vector<std::int32_t> xs_, ys_;
};

TEST_F(PointTrailTest, VoteKeepsTheMajorityDirection) {
  struct Case {
    std::vector<Report> trail;
    Report steer;
  };
  const Case cases[] = {
      {{{8, 0}, {8, 4}, {-8, 0}}, {8, 2}},        // the reverse report is outvoted
      {{{0, 0}, {0, 0}, {0, 8}}, {0, 2}},         // still frames shrink the vector; 8/3 truncates
      {{{-10, 1}, {-10, -1}}, {0, 0}},            // angles near +pi and -pi average to 0
      {{{-7, 13}}, {-7, 13}},                     // a single report is taken as it is
      {{{5, -3}, {-5, 3}}, {0, 0}},               // opposite reports: no majority
      {{{-9, -9}, {-9, -9}, {-9, -8}}, {-9, -8}}, // negative means truncate toward zero
      // the mean is near -2, so the report at about +3.04 agrees across the wrap
      {{{-10, -1}, {-10, -1}, {-10, -1}, {-10, -1}, {-10, -1}, {-10, 1}}, {-10, 0}},
      {{{8, 0}, {8, 1}, {-8, 0}, {-8, 1}}, {0, 0}}, // two agree: half is no majority
      // only the angle rounded to single precision agrees with the mean
      {{{-6, -5}, {-6, -5}, {-5, 6}}, {-6, -5}},
      {{}, {0, 0}},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    g_app.steerX = g_app.steerY = 99;
    EXPECT_EQ(Steer(cases[i].trail), cases[i].steer);
    EXPECT_EQ(g_app.trailCount.load(), 0);
  }
}

TEST_F(PointTrailTest, FullTrailDropsReportsAndNeverWritesPastTheArrays) {
  for (int i = 1; i <= 25; ++i)
    AppendMotion(i, 0, true);
  EXPECT_EQ(g_app.trailCount.load(), 19);
  EXPECT_EQ(xs_[18], 19);
  EXPECT_EQ(xs_[19], kUnused);
  EXPECT_EQ(Steer({}), Report(10, 0)); // mean of 1..19

  UseCapacity(1);
  AppendMotion(4, 4, true);
  EXPECT_EQ(g_app.trailCount.load(), 0);
  EXPECT_EQ(xs_[0], kUnused);

  UseCapacity(0);
  g_app.trailX = g_app.trailY = nullptr;
  AppendMotion(4, 4, true);
  EXPECT_EQ(Steer({}), Report(0, 0));
}

TEST_F(PointTrailTest, MotionSeenFollowsValidReportsWithOneTickDelay) {
  g_app.gameRunning = false;
  Tick();
  EXPECT_TRUE(g_app.motionSeenLastTick);
  EXPECT_FALSE(g_app.motionSeen);

  AppendMotion(3, 0, false);
  EXPECT_FALSE(g_app.motionSeen);
  AppendMotion(3, 0, true);
  EXPECT_TRUE(g_app.motionSeen);
  EXPECT_EQ(g_app.trailCount.load(), 0) << "no game runs: nothing is stored";

  Tick();
  EXPECT_TRUE(g_app.motionSeenLastTick);
  Tick();
  EXPECT_FALSE(g_app.motionSeenLastTick);

  g_app.gameRunning = true;
  AppendMotion(0, 0, false);
  AppendMotion(6, 0, true);
  AppendMotion(0, 0, false);
  AppendMotion(0, 0, false); // invalid frames shrink the vector rather than turn it
  EXPECT_EQ(Steer({}), Report(1, 0));
  EXPECT_TRUE(g_app.motionSeenLastTick);
  Tick();
  EXPECT_FALSE(g_app.motionSeenLastTick) << "only the period that just ended counts";
}

TEST_F(PointTrailTest, ClocksRunOnlyWhileAGameRuns) {
  g_app.elapsedTime = 1.0f, g_app.starveLeft = 0.1f;
  Tick();
  EXPECT_FLOAT_EQ(g_app.elapsedTime, 1.2f);
  EXPECT_FLOAT_EQ(g_app.starveLeft, -0.1f);
  g_app.tickInterval = 160.0f;
  Tick();
  EXPECT_FLOAT_EQ(g_app.elapsedTime, 1.36f);

  AppendMotion(5, 5, true);
  g_app.gameRunning = false;
  g_app.steerX = g_app.steerY = 7;
  const float elapsed = g_app.elapsedTime, starve = g_app.starveLeft;
  Tick();
  EXPECT_EQ(g_app.steerX, 5) << "the reports of a game that just ended still steer";
  Tick();
  EXPECT_EQ(Report(g_app.steerX, g_app.steerY), Report(0, 0));
  EXPECT_EQ(g_app.elapsedTime, elapsed);
  EXPECT_EQ(g_app.starveLeft, starve);
}

// The capture thread appends while this (the interface) thread ticks. Every report is
// (k, -k), so a torn entry or one read half-written shows as steerX != -steerY.
} // namespace
