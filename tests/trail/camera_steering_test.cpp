// From a moving picture to a turning snake: capture, tracker, trail, tick and board together.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "capture/camera_source.h"
#include "capture/sample_grabber.h"
#include "game/snake_board.h"
#include "motion/camera_tracker.h"
#include "motion/point_trail.h"
#include "state/app_state.h"

namespace {

using namespace std::chrono_literals;

void NoRest(std::chrono::milliseconds) {}

TEST(CameraSteering, APictureMovingRightTurnsASnakeGoingUpToTheRight) {
  std::vector<std::int32_t> xs(20), ys(20);
  g_app.settings.trailCapacity = 20;
  g_app.trailX = xs.data(), g_app.trailY = ys.data();
  g_app.trailCount = 0;
  g_app.gameRunning = true;
  g_app.tickInterval = 200.0f;

  // The sink's rest is skipped so frames come as fast as the source makes them.
  SetCapturePacing({50ms, NoRest});
  SetCameraSource(CameraSource{.kind = CameraSourceKind::Test, .name = {}, .testStepX = 8, .testStepY = 0});
  auto tracker = std::make_unique<CameraTracker>();
  tracker->SetMode(BlockMatching, false, 40);
  ASSERT_EQ(tracker->BuildCaptureGraph(AppendMotion), 1);
  // Bounded wait for a few reports; the stream runs on its own thread.
  for (int i = 0; i < 400 && g_app.trailCount < 4; ++i)
    std::this_thread::sleep_for(5ms);
  tracker.reset(); // stops the stream before the trail goes
  ASSERT_GE(g_app.trailCount, 4);

  OnGameTick(nullptr, 0, 0, 0);
  EXPECT_GT(g_app.steerX, 0);
  EXPECT_EQ(g_app.steerY, 0);

  GameSettings settings;
  SnakeBoard board(&settings);
  board.Start();
  board.Advance(0, 0);  // the first step goes right
  board.Advance(0, 20); // then up
  ASSERT_EQ(std::pair(board.dirX, board.dirY), std::pair(0, -1));
  board.Advance(g_app.steerX, g_app.steerY);
  EXPECT_EQ(std::pair(board.dirX, board.dirY), std::pair(1, 0));

  SetCapturePacing({});
  SetCameraSource(CameraSource{});
  g_app.gameRunning = false;
  g_app.trailX = g_app.trailY = nullptr;
}

} // namespace
