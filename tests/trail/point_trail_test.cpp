#include "motion/point_trail.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>
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
      {{{8, 0}, {8, 4}, {-8, 0}}, {8, 2}},          // the reverse report is outvoted
      {{{0, 0}, {0, 0}, {0, 8}}, {0, 2}},           // still frames shrink the vector; 8/3 truncates
      {{{-10, 1}, {-10, -1}}, {-10, 0}},            // the mean wraps around the negative x axis
      {{{-12, 7}}, {-12, 7}},                       // a single report is taken as it is
      {{{6, 0}, {-6, 0}}, {0, 0}},                  // reports that cancel leave no direction
      {{{5, -3}, {-5, 3}, {0, 0}}, {0, 0}},         // ... and a still frame alone is no majority
      {{{0, 0}, {0, 0}}, {0, 0}},                   // only still frames: a vote for no motion
      {{{0, 0}, {-8, 0}, {0, 0}}, {-2, 0}},         // still frames agree with leftward motion too
      {{{-9, -9}, {-9, -9}, {-9, -8}}, {-9, -8}},   // negative means truncate toward zero
      {{{8, 0}, {8, 1}, {-8, 0}, {-8, 1}}, {0, 0}}, // two agree: half is no majority
      // a report exactly a quarter turn from the mean disagrees, on either side
      {{{0, 8}, {-8, 0}, {4, 0}}, {0, 0}},
      {{{0, -8}, {-8, 0}, {4, 0}, {0, -4}, {0, -4}}, {0, -5}},
      {{}, {0, 0}},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    g_app.steerX = g_app.steerY = 99;
    EXPECT_EQ(Steer(cases[i].trail), cases[i].steer);
    EXPECT_EQ(g_app.trailCount.load(), 0);
  }
}

// Leftward and downward motion steer exactly as well as rightward and upward: a trail and its
// mirror images give mirrored vectors. Random short trails of small reports, as slow pans give.
TEST_F(PointTrailTest, VoteTreatsEveryDirectionAlike) {
  std::mt19937 random(5);
  std::uniform_int_distribution<int> value(-3, 3), length(1, 8);
  int steered = 0;
  for (int t = 0; t < 3000; ++t) {
    std::vector<Report> trail(std::size_t(length(random)));
    for (Report &r : trail)
      r = {value(random) * 4, value(random) * 4};
    const Report steer = Steer(trail);
    steered += steer != Report(0, 0);
    for (auto [mx, my] : {std::pair{-1, 1}, std::pair{1, -1}, std::pair{-1, -1}}) {
      std::vector<Report> mirrored;
      for (const Report &r : trail)
        mirrored.push_back({mx * r.first, my * r.second});
      ASSERT_EQ(Steer(mirrored), Report(mx * steer.first, my * steer.second)) << t;
    }
  }
  EXPECT_GT(steered, 1000);
}

// The names are read and written with the kept choices (the game's camera choices tests).
TEST_F(PointTrailTest, DirectionChoiceTurnsTheVotedVector) {
  const std::pair<SteeringDirection, Report> choices[] = {{SteeringDirection::FollowPicture, {9, -4}},
                                                          {SteeringDirection::FollowCamera, {-9, 4}},
                                                          {SteeringDirection::Mirror, {-9, -4}}};
  for (const auto &[direction, steer] : choices) {
    SetSteeringDirection(direction);
    EXPECT_EQ(Steer({{9, -4}, {9, -4}, {-9, 4}}), steer) << SteeringDirectionName(direction);
  }
  SetSteeringDirection(SteeringDirection(7));
  EXPECT_EQ(CurrentSteeringDirection(), SteeringDirection::Mirror) << "an unknown value changes nothing";
  SetSteeringDirection(SteeringDirection::FollowPicture);
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

// The clocks' running is in the golden countdowns and the replays; here, a game that ended.
TEST_F(PointTrailTest, AnEndedGamesReportsStillSteerAndItsClocksStand) {
  g_app.elapsedTime = 1.0f, g_app.starveLeft = 0.1f;
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

// Another thread appends while this (the interface) thread ticks. Every report is
// (k, -k), so a torn entry or one read half-written shows as steerX != -steerY.
TEST_F(PointTrailTest, AppendsAndTicksOnTwoThreads) {
  UseCapacity(8);
  std::atomic<bool> ticking{false}, done{false};
  std::thread capture([&] {
    while (!ticking)
      std::this_thread::yield();
    for (int i = 0; i < 20000; ++i) {
      const int k = 1 + i % 5;
      AppendMotion(k, -k, i % 3 != 0);
      if (i % 64 == 0)
        std::this_thread::yield();
    }
    done = true;
  });
  int ticks = 0, steered = 0;
  bool sound = true;
  ticking = true;
  while (sound && (!done || ticks < 200)) {
    Tick();
    ++ticks;
    sound = g_app.steerX == -g_app.steerY && g_app.steerX >= 0 && g_app.steerX <= 5 &&
            g_app.trailCount.load() <= 7;
    steered += g_app.steerX != 0;
  }
  capture.join(); // before any check can end the test
  EXPECT_TRUE(sound) << "steering " << g_app.steerX << "," << g_app.steerY << " at tick " << ticks;
  EXPECT_GT(steered, 0);
  for (std::size_t i = 0; i < 8; ++i)
    EXPECT_EQ(xs_[i] == kUnused ? 0 : xs_[i] + ys_[i], 0);
  EXPECT_EQ(xs_[7], kUnused);
}

} // namespace
