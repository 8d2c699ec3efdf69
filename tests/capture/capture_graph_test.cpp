#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
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
    auto deadline = std::chrono::steady_clock::now() + 10s;
    while (Reports().size() < count) {
      if (std::chrono::steady_clock::now() > deadline)
        return false;
      std::this_thread::sleep_for(1ms);
    }
    return true;
  }
};

TEST_F(CaptureGraphTest, NoCameraMeansNoGraph) {
  std::string error;
  ASSERT_TRUE(SetCameraSource("none", &error));
  CameraTracker tracker;
  EXPECT_EQ(tracker.BuildCaptureGraph(RecordReport), 0);
  EXPECT_FALSE(tracker.graphBuilt);
  EXPECT_EQ(tracker.graph, nullptr);

  ASSERT_TRUE(SetCameraSource("No Such Camera Anywhere", &error));
  EXPECT_EQ(CurrentCameraSource().kind, CameraSourceKind::Named);
  EXPECT_EQ(tracker.BuildCaptureGraph(RecordReport), 0);
  EXPECT_FALSE(tracker.graphBuilt);
}

TEST_F(CaptureGraphTest, SourceSpecsAreCheckedUpFront) {
  std::string error;
  EXPECT_FALSE(SetCameraSource("", &error));
  EXPECT_FALSE(SetCameraSource("/nonexistent/clip.mkv", &error));
  EXPECT_NE(error.find("/nonexistent/clip.mkv"), std::string::npos);
  EXPECT_FALSE(SetCameraSource("missing-clip.mp4", &error));
  EXPECT_FALSE(SetCameraSource(std::filesystem::temp_directory_path().string(), &error));
  EXPECT_EQ(CurrentCameraSource().kind, CameraSourceKind::Auto); // unchanged by the failures
  ASSERT_TRUE(SetCameraSource("test", &error));
  EXPECT_EQ(CurrentCameraSource().kind, CameraSourceKind::Test);
}

TEST_F(CaptureGraphTest, AVideoThatCannotBeDecodedFailsTheBuild) {
  auto path = std::filesystem::temp_directory_path() / "vexmoor-capture-garbage.mkv";
  FILE *file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fputs("this is not a video at all", file);
  std::fclose(file);
  std::string error;
  ASSERT_TRUE(SetCameraSource(path.string(), &error)) << error;
  CameraTracker tracker;
  EXPECT_EQ(tracker.BuildCaptureGraph(RecordReport), 0);
  EXPECT_FALSE(tracker.graphBuilt);
  std::filesystem::remove(path);
}

TEST_F(CaptureGraphTest, AMovingPictureSteersWithItsDirectionAndSize) {
  CameraSource source;
  source.kind = CameraSourceKind::Test;
  source.testStepX = 8; // right
  source.testStepY = 4; // up
  SetCameraSource(source);
  auto tracker = std::make_unique<CameraTracker>();
  tracker->SetMode(BlockMatching, false, 40);
  ASSERT_EQ(tracker->BuildCaptureGraph(RecordReport), 1);
  EXPECT_TRUE(tracker->graphBuilt);
  EXPECT_EQ(tracker->blockSize, 4); // 160 x 120
  ASSERT_TRUE(AwaitReports(5));
  tracker.reset();

  auto reports = Reports();
  for (size_t i = 1; i < reports.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(reports[i].valid);
    EXPECT_EQ(reports[i].x, 8);
    EXPECT_EQ(reports[i].y, 4);
    EXPECT_GE(reports[i].virtualMs - reports[i - 1].virtualMs, 50);
  }
}

TEST_F(CaptureGraphTest, TheSourcesSizeChoiceReachesTheTracker) {
  CameraSource source;
  source.kind = CameraSourceKind::Pipeline;
  source.name = "videotestsrc pattern=ball ! capsfilter caps=\"video/x-raw,width=80,height=60;"
                "video/x-raw,width=640,height=480\"";
  SetCameraSource(source);
  CameraTracker tracker;
  ASSERT_EQ(tracker.BuildCaptureGraph(RecordReport), 1);
  EXPECT_EQ(tracker.blockSize, 16);
  ASSERT_TRUE(AwaitReports(2));
  tracker.releaseGraph(tracker.graph);
  tracker.graph = nullptr;
  tracker.graphBuilt = false;
  EXPECT_EQ(tracker.format.biWidth, 640);
  EXPECT_EQ(tracker.format.biHeight, 480);
}

TEST_F(CaptureGraphTest, ASourceThatCannotLinkOrBeTrackedFailsTheBuild) {
  CameraSource source;
  source.kind = CameraSourceKind::Pipeline;
  source.name = "audiotestsrc";
  SetCameraSource(source);
  CameraTracker tracker;
  EXPECT_EQ(tracker.BuildCaptureGraph(RecordReport), 0);
  EXPECT_FALSE(tracker.graphBuilt);

  // Links, but the sink cannot agree a format the tracker can work with.
  source.name = "videotestsrc ! capsfilter caps=video/x-raw,width=1,height=1";
  SetCameraSource(source);
  EXPECT_EQ(tracker.BuildCaptureGraph(RecordReport), 0);
  EXPECT_FALSE(tracker.graphBuilt);
  EXPECT_TRUE(Reports().empty());
}

TEST_F(CaptureGraphTest, ShutdownInTheMiddleOfAStreamIsFast) {
  // A rest far longer than the test: only the sink's unlock can end it in time.
  SetCapturePacing({30s, nullptr});
  CameraSource source;
  source.kind = CameraSourceKind::Test;
  SetCameraSource(source);
  auto tracker = std::make_unique<CameraTracker>();
  ASSERT_EQ(tracker->BuildCaptureGraph(RecordReport), 1);
  ASSERT_TRUE(AwaitReports(1));
  auto start = std::chrono::steady_clock::now();
  tracker.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
  size_t seen = Reports().size();
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(Reports().size(), seen); // nothing arrives after the graph is gone
}

} // namespace
