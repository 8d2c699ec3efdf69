#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "capture/frame_snapshot.h"
#include "capture/sample_grabber.h"
#include "capture_test_support.h"
#include "motion/camera_tracker.h"

namespace {

using namespace capture_test;
using namespace std::chrono_literals;

class SampleGrabberTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetReports();
    SetCapturePacing({50ms, VirtualWait});
    tracker.SetMode(BlockMatching, false, 40);
    tracker.onMotion = RecordReport;
  }
  void TearDown() override { SetCapturePacing({}); }

  // A grabber made with the pacing set now, that has accepted RGB565 frames of width x 120.
  std::unique_ptr<CSampleGrabber> Grabber(int width) {
    auto grabber = std::make_unique<CSampleGrabber>();
    grabber->m_pTracker = &tracker;
    EXPECT_EQ(grabber->CheckMediaType({"RGB16", width, 120}), S_OK);
    return grabber;
  }
  static HRESULT Render(CSampleGrabber &grabber, int width, int height, std::size_t stride, int left,
                        int up) {
    auto frame = TexturedFrame(width, height, stride, left, up);
    return grabber.DoRenderSample({frame.data(), stride, width, height});
  }

  CameraTracker tracker;
};

TEST_F(SampleGrabberTest, TakesOnlyRgb565WithASizeAndKeepsTheLastAccepted) {
  auto grabber = Grabber(160);
  for (const VideoType &refused : {VideoType{"YUY2", 320, 240}, {"RGB15", 320, 240}, {"RGB16", 0, 0}})
    EXPECT_EQ(grabber->CheckMediaType(refused), E_FAIL) << refused.format;
  EXPECT_EQ(std::tuple(tracker.format.biWidth, tracker.format.biHeight), std::tuple(160, 120));
}

TEST_F(SampleGrabberTest, PaddedTopDownFramesReachTheTrackerPackedAndBottomFirst) {
  CSampleGrabber unready;
  unready.m_pTracker = &tracker;
  EXPECT_EQ(Render(unready, 160, 120, 320, 0, 0), S_FALSE); // nothing is delivered before a format is agreed
  EXPECT_TRUE(Reports().empty());
  // An odd width: GStreamer pads each row to 324 bytes.
  auto grabber = Grabber(161);
  EXPECT_EQ(Render(*grabber, 161, 120, 324, 0, 0), S_OK);
  EXPECT_EQ(Render(*grabber, 161, 120, 324, 8, 0), S_OK);  // right by 8
  EXPECT_EQ(Render(*grabber, 161, 120, 324, 8, 4), S_OK);  // up by 4
  EXPECT_EQ(Render(*grabber, 161, 120, 324, 4, 12), S_OK); // left by 4, up by 8
  // A frame of another size than agreed is skipped, not read out of bounds.
  EXPECT_EQ(Render(*grabber, 80, 60, 160, 0, 0), S_FALSE);

  // Each frame was followed by its rest before the next could come.
  std::vector<std::tuple<int, int, bool>> moves;
  std::int64_t lastMs = -50;
  for (const Report &r : Reports()) // a move too soon after the last shows as not valid
    moves.emplace_back(r.x, r.y, r.valid && r.virtualMs - std::exchange(lastMs, r.virtualMs) >= 50);
  EXPECT_EQ(moves, (std::vector<std::tuple<int, int, bool>>{
                       {0, 0, false}, {8, 0, true}, {0, 4, true}, {-4, 8, true}}));
}

// A view copies frames only while it watches, as the tracker read them, rows top first.
TEST_F(SampleGrabberTest, FramesAreCopiedForAViewOnlyWhileItWatches) {
  auto grabber = Grabber(161);
  FrameSnapshot snapshot;
  EXPECT_EQ(Render(*grabber, 161, 120, 324, 0, 0), S_OK);
  EXPECT_FALSE(TakeFrameSnapshot(&snapshot));
  WatchFrames(true);
  EXPECT_FALSE(TakeFrameSnapshot(&snapshot));      // nothing since the watching began
  auto frame = TexturedFrame(161, 120, 324, 8, 0); // right by 8
  ASSERT_EQ(grabber->DoRenderSample({frame.data(), 324, 161, 120}), S_OK);
  ASSERT_TRUE(TakeFrameSnapshot(&snapshot));
  WatchFrames(false);
  EXPECT_FALSE(TakeFrameSnapshot(&snapshot));
  ASSERT_EQ(std::tuple(snapshot.width, snapshot.height, snapshot.pixels.size()),
            std::tuple(161, 120, 161u * 120));
  for (int y : {0, 57, 119})
    EXPECT_EQ(std::memcmp(&snapshot.pixels[y * 161], &frame[y * 324], 161 * 2), 0) << y;
  ASSERT_EQ(snapshot.reports.size(), 1u);
  EXPECT_EQ(std::tuple(snapshot.reports[0].x, snapshot.reports[0].y, snapshot.reports[0].valid),
            std::tuple(8, 0, true));
}

std::atomic<bool> g_inPause{false};
std::atomic<bool> g_releasePause{false};

void HeldWait(std::chrono::milliseconds) {
  g_inPause = true;
  while (!g_releasePause)
    std::this_thread::yield();
}

TEST_F(SampleGrabberTest, AFrameFromASecondThreadDuringAFrameIsSkipped) {
  g_inPause = g_releasePause = false;
  SetCapturePacing({50ms, HeldWait});
  auto grabber = Grabber(160);
  std::thread first([&] { EXPECT_EQ(Render(*grabber, 160, 120, 320, 0, 0), S_OK); });
  while (!g_inPause)
    std::this_thread::yield();
  EXPECT_EQ(Render(*grabber, 160, 120, 320, 0, 0), S_FALSE);
  g_releasePause = true;
  first.join();
  EXPECT_EQ(Reports().size(), 1u);
  EXPECT_FALSE(grabber->m_bBusy);
}

TEST_F(SampleGrabberTest, UnlockEndsTheRestAtOnce) {
  SetCapturePacing({10s, nullptr});
  auto grabber = Grabber(160);
  std::thread streaming([&] { Render(*grabber, 160, 120, 320, 0, 0); });
  while (Reports().empty())
    std::this_thread::yield();
  auto start = std::chrono::steady_clock::now();
  grabber->Unlock();
  streaming.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
  // While unlocked (the pipeline is stopping) further frames do not rest at all.
  start = std::chrono::steady_clock::now();
  EXPECT_EQ(Render(*grabber, 160, 120, 320, 0, 0), S_OK);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
}

} // namespace
