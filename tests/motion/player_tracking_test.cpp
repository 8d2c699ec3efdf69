#include "motion/camera_tracker.h"
#include "synthetic_frames.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

struct Report {
  int x, y;
  bool valid;
  bool operator==(const Report &) const = default;
};

constexpr int Width = 320, Height = 240, Block = 8;

// A still textured room with an object (a head, a hand) pasted at (x, y).
Frame Picture(const Scene &room, const Scene &object, int x, int y) {
  Frame frame = room.View(Width, Height, 0, 0);
  for (int v = 0; v < object.height; ++v)
    for (int u = 0; u < object.width; ++u)
      frame[(y + v) * Width + x + u] = object.pixels[v * object.width + u];
  return frame;
}

class PlayerTrackingTest : public ::testing::Test {
protected:
  void SetUp() override {
    tracker.SetMode(4, true, 40);
    tracker.blockSize = Block;
    tracker.format.biWidth = Width;
    tracker.format.biHeight = Height;
    ASSERT_TRUE(tracker.ConfigureFormat());
  }
  Report Process(const Frame &frame) {
    tracker.ProcessFrame(frame.data());
    return {tracker.reportX, tracker.reportY, tracker.reportValid};
  }
  CameraTracker tracker;
  const Scene room{Width + 8, Height + 8, 21, 65536, 4};
  const Scene head{80, 104, 22, 65536, 6};
};

// A head moving one block per frame in front of the still room is followed in each
// direction, in the usual units and signs (towards higher columns and buffer rows), from
// its second changed frame on (a change in one frame alone is no move).
TEST_F(PlayerTrackingTest, FollowsWhatMovesInFrontOfTheStillBackground) {
  const struct { int dx, dy; } moves[] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {2, -1}};
  for (const auto &move : moves) {
    SetUp();
    int x = 120, y = 64;
    std::vector<Report> reports;
    for (int f = 0; f < 5; ++f) {
      reports.push_back(Process(Picture(room, head, x, y)));
      x += move.dx * Block;
      y += move.dy * Block;
    }
    const Report moving{move.dx * Block, move.dy * Block, true};
    EXPECT_EQ(reports, (std::vector<Report>{{0, 0, false}, {0, 0, true}, moving, moving, moving}))
        << move.dx << "," << move.dy;
    EXPECT_GT(tracker.figures.changedBlocks, 0);
    EXPECT_TRUE(tracker.figures.block.ran);
  }
}

// A hand: smooth skin striped by fingers about a block apart, moving a block and a half a frame
// (so no whole-block offset fits it exactly). Block sums match it well at several offsets, the
// mirror image of the true one among them; the reports must still never point against the
// move, and must add up to most of it.
TEST_F(PlayerTrackingTest, FollowsASmoothStripedHandWithoutTurningBack) {
  Scene hand{48, 56, 5, 1, 1};
  for (int v = 0; v < hand.height; ++v)
    for (int u = 0; u < hand.width; ++u)
      hand.pixels[v * hand.width + u] = u % 9 < 7 ? Rgb565(200, 150, 120) : Rgb565(150, 105, 85);
  const struct { int dx, dy; } moves[] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
  for (const auto &move : moves) {
    SetUp();
    const int step = Block + Block / 2;
    int x = 136 - move.dx * 3 * step, y = 92 - move.dy * 3 * step;
    for (int f = 0; f < 8; ++f)
      Process(Picture(room, hand, 136 - move.dx * 3 * step, 92 - move.dy * 3 * step));
    int along = 0;
    for (int f = 0; f < 6; ++f) {
      x += move.dx * step;
      y += move.dy * step;
      const Report r = Process(Picture(room, hand, x, y));
      if (!r.valid)
        continue;
      EXPECT_GE(r.x * move.dx + r.y * move.dy, 0) << move.dx << "," << move.dy << " frame " << f;
      EXPECT_LE(std::abs(r.x * move.dy) + std::abs(r.y * move.dx), Block) << move.dx << "," << move.dy;
      along += r.x * move.dx + r.y * move.dy;
    }
    EXPECT_GE(along, 3 * step) << move.dx << "," << move.dy;
  }
}

// Still pictures are "no motion", trusted: with a still player, after a change of exposure,
// and under rolling flicker bands.
TEST_F(PlayerTrackingTest, StillPicturesReportNoMotionThroughLightChanges) {
  const Frame still = Picture(room, head, 100, 60);
  std::vector<Report> reports;
  for (int f = 0; f < 4; ++f)
    reports.push_back(Process(still));
  // A step of exposure (every row 0.7 as bright: bands too long to vary), then rolling bands.
  reports.push_back(Process(WithBands(still, Width, -0.3, 3.14159265 / 2, 1e12)));
  for (int f = 0; f < 6; ++f)
    reports.push_back(Process(WithBands(still, Width, 0.15, f * 2.1)));
  for (std::size_t i = 1; i < reports.size(); ++i)
    EXPECT_EQ(reports[i], (Report{0, 0, true})) << i;
  // Through the bands a moving head is still followed.
  for (int f = 0; f < 4; ++f)
    reports.push_back(Process(WithBands(Picture(room, head, 100 + 8 * f, 60), Width, 0.15, f * 2.1)));
  EXPECT_EQ(reports.back(), (Report{8, 0, true}));
}

} // namespace
