#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "capture/camera_source.h"
#include "capture/capture_graph.h"
#include "capture/sample_grabber.h"
#include "capture_test_support.h"
#include "motion/camera_tracker.h"

namespace {

using namespace capture_test;
using namespace std::chrono_literals;

class CaptureGraphTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetReports();
    SetCapturePacing({50ms, VirtualWait});
  }
  void TearDown() override {
    SetCapturePacing({});
    SetCameraSource(CameraSource{});
  }

  // Waits (in real time, bounded) until the tracker has reported count frames.
  static bool AwaitReports(size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (Reports().size() < count && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(1ms);
    return Reports().size() >= count;
  }
  // Stops the stream: the tracker's fields may be read from this thread then.
  static void StopStream(CameraTracker &tracker) {
    tracker.releaseGraph(tracker.graph);
    tracker.graph = nullptr;
    tracker.graphBuilt = false;
  }
};

TEST_F(CaptureGraphTest, NoCameraOrAnUnusableSourceMeansNoGraph) {
  auto garbage = std::filesystem::temp_directory_path() / "vexmoor-capture-garbage.mkv";
  std::ofstream(garbage) << "this is not a video at all";
  CameraTracker tracker;
  std::string error;
  for (const std::string &choice :
       {std::string("none"), std::string("No Such Camera Anywhere"), garbage.string()}) {
    ASSERT_TRUE(SetCameraSource(choice, &error)) << error;
    EXPECT_EQ(tracker.BuildCaptureGraph(RecordReport), 0) << choice;
    EXPECT_EQ(tracker.graph, nullptr);
  }
  std::filesystem::remove(garbage);
  // One cannot link; the other links, but the sink cannot agree a format the tracker can work with.
  for (const char *pipeline :
       {"audiotestsrc", "videotestsrc ! capsfilter caps=video/x-raw,width=1,height=1"}) {
    SetCameraSource(CameraSource{.kind = CameraSourceKind::Pipeline, .name = pipeline});
    EXPECT_EQ(tracker.BuildCaptureGraph(RecordReport), 0) << pipeline;
    EXPECT_FALSE(tracker.graphBuilt);
  }
  EXPECT_TRUE(Reports().empty());
}

// Then a mode change while frames flow takes effect between frames, never within one.
TEST_F(CaptureGraphTest, AMovingPictureSteersWithItsDirectionAndSize) {
  SetCameraSource(
      CameraSource{.kind = CameraSourceKind::Test, .name = {}, .testStepX = 16, .testStepY = 8}); // right, up
  auto tracker = std::make_unique<CameraTracker>();
  tracker->SetMode(BlockMatching, false, 40);
  ASSERT_EQ(tracker->BuildCaptureGraph(RecordReport), 1);
  EXPECT_EQ(tracker->blockSize, 8); // a camera's default 320 x 240 gives 8-pixel blocks
  ASSERT_TRUE(AwaitReports(5));
  const auto reports = Reports();
  for (size_t i = 1; i < reports.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(reports[i].valid);
    EXPECT_EQ(std::pair(reports[i].x, reports[i].y), std::pair(16, 8));
    EXPECT_GE(reports[i].virtualMs - reports[i - 1].virtualMs, 50);
  }

  ChangeTrackingMode(*tracker, PlayerTracking);
  ASSERT_TRUE(AwaitReports(Reports().size() + 3));
  StopStream(*tracker);
  EXPECT_EQ(tracker->mode, PlayerTracking);
  EXPECT_EQ(tracker->figures.mode, PlayerTracking); // the buffers were made for it
}

TEST_F(CaptureGraphTest, TheSourcesSizeChoiceReachesTheTracker) {
  SetCameraSource(CameraSource{.kind = CameraSourceKind::Pipeline,
                               .name = "videotestsrc pattern=ball ! capsfilter caps=\"video/x-raw,width=80,"
                                       "height=60;video/x-raw,width=640,height=480\""});
  CameraTracker tracker;
  ASSERT_EQ(tracker.BuildCaptureGraph(RecordReport), 1);
  EXPECT_EQ(tracker.blockSize, 16);
  ASSERT_TRUE(AwaitReports(2));
  StopStream(tracker);
  EXPECT_EQ(std::pair(tracker.format.biWidth, tracker.format.biHeight), std::pair(640, 480));
}

std::atomic<CSampleGrabber *> g_grabber{nullptr};
std::mutex g_agesLock;
std::vector<std::int64_t> g_agesUs;

void RecordAge(int x, int y, bool valid) {
  if (CSampleGrabber *grabber = g_grabber.load()) {
    std::lock_guard<std::mutex> hold(g_agesLock);
    g_agesUs.push_back(grabber->LastFrameAge());
  }
  RecordReport(x, y, valid);
}

// A camera at 30 frames a second whose driver keeps two frames and drops later ones while
// both wait, and a sink resting 200 ms: read in turn, each frame would be over 150 ms old.
TEST_F(CaptureGraphTest, TheTrackerGetsTheNewestFrameOfALiveSourceFasterThanTheSink) {
  SetCapturePacing({200ms, nullptr});
  SetCameraSource(
      CameraSource{.kind = CameraSourceKind::Pipeline,
                   .name = "videotestsrc is-live=true pattern=smpte ! "
                           "video/x-raw,width=160,height=120,framerate=30/1 ! "
                           "queue max-size-buffers=2 max-size-bytes=0 max-size-time=0 leaky=upstream"});
  auto tracker = std::make_unique<CameraTracker>();
  ASSERT_EQ(tracker->BuildCaptureGraph(RecordAge), 1);
  g_grabber = tracker->graph->sampleGrabber;
  ASSERT_TRUE(AwaitReports(6));
  g_grabber = nullptr;
  tracker.reset();
  std::vector<std::int64_t> ages;
  {
    std::lock_guard<std::mutex> hold(g_agesLock);
    ages.swap(g_agesUs);
  }
  ASSERT_GE(ages.size(), 4u);
  ages.erase(ages.begin()); // the first may have waited for the pipeline to start
  std::sort(ages.begin(), ages.end());
  EXPECT_GE(ages.front(), 0);               // a live source's frames have an age
  EXPECT_LT(ages[ages.size() / 2], 80'000); // at most a frame interval, and some slack
}

TEST_F(CaptureGraphTest, ShutdownInTheMiddleOfAStreamIsFast) {
  // A rest far longer than the test: only the sink's unlock can end it in time.
  SetCapturePacing({30s, nullptr});
  SetCameraSource(CameraSource{.kind = CameraSourceKind::Test, .name = {}});
  auto tracker = std::make_unique<CameraTracker>();
  ASSERT_EQ(tracker->BuildCaptureGraph(RecordReport), 1);
  ASSERT_TRUE(AwaitReports(1));
  const auto start = std::chrono::steady_clock::now();
  tracker.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
  const size_t seen = Reports().size();
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(Reports().size(), seen); // nothing arrives after the graph is gone
}

} // namespace
