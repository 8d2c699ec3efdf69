#include "motion/camera_tracker.h"
#include "synthetic_frames.h"

#include <gtest/gtest.h>

#include <climits>
#include <tuple>
#include <vector>

namespace {

struct Report {
  int x, y;
  bool valid;
  bool operator==(const Report &) const = default;
};

std::vector<Report> reports;
void Record(int x, int y, bool valid) { reports.push_back({x, y, valid}); }

class TrackerTest : public ::testing::Test {
protected:
  void SetUp() override {
    reports.clear();
    tracker.onMotion = Record;
  }
  bool Configure(int width, int height, int mode, bool perChannel = false, int blockSize = 4) {
    tracker.SetMode(mode, perChannel, 40);
    tracker.blockSize = blockSize;
    tracker.format.biWidth = width;
    tracker.format.biHeight = height;
    return tracker.ConfigureFormat();
  }
  bool NoBuffers() const {
    const CameraTracker &t = tracker;
    bool none = !t.blockMap && !t.previousBlockMap;
    for (int i = 0; i < 2; ++i) {
      none = none && !t.columnProfile[i] && !t.rowProfile[i];
      for (int c = 0; c < 3; ++c)
        none = none && !t.columnProfileRgb[i][c] && !t.rowProfileRgb[i][c];
    }
    for (int c = 0; c < 3; ++c)
      none = none && !t.blockMapRgb[c] && !t.previousBlockMapRgb[c];
    return none;
  }
  CameraTracker tracker;
};

// Modes and grid targets out of range fall back to usable ones; a block size always fits.
TEST(CameraTrackerSetup, OddModesAndSizesFallBackToUsableOnes) {
  CameraTracker tracker;
  tracker.SetMode(3, true, -40);
  EXPECT_EQ(std::tuple(tracker.mode, tracker.perChannel, tracker.gridTarget), std::tuple(Combined, true, 40));
  tracker.SetMode(-1, false, INT_MIN);
  EXPECT_EQ(tracker.mode, Combined);
  EXPECT_GT(tracker.gridTarget, 0);
  EXPECT_EQ(CameraTracker::ChooseBlockSize(176, 40), 4);
  EXPECT_EQ(CameraTracker::ChooseBlockSize(30, 40), 1);
  EXPECT_EQ(CameraTracker::ChooseBlockSize(176, -40), 1);
  EXPECT_EQ(CameraTracker::ChooseBlockSize(INT_MIN, -1), INT_MAX);
}

TEST_F(TrackerTest, UniformPictureIsRejectedInEveryMode) {
  for (int mode : {Combined, BlockMatching, ProfileMatching}) {
    ASSERT_TRUE(Configure(176, 144, mode));
    reports.clear();
    const Frame grey(176 * 144, Rgb565(128, 128, 128));
    tracker.ProcessFrame(grey.data());
    tracker.ProcessFrame(grey.data());
    EXPECT_EQ(reports, (std::vector<Report>{{0, 0, false}, {0, 0, false}})) << mode;
  }
}

TEST_F(TrackerTest, WithoutAnAcceptedFormatFramesAreReportedInvalidAndNotRead) {
  const Frame frame(176 * 144, 0x1234);
  tracker.ProcessFrame(frame.data());
  EXPECT_EQ(reports, (std::vector<Report>{{0, 0, false}}));
  EXPECT_TRUE(NoBuffers());
  ASSERT_TRUE(Configure(176, 144, Combined, true));
  struct Bad {
    int width, height, blockSize;
  };
  for (Bad bad :
       {Bad{0, 144, 4}, Bad{-176, 144, 4}, Bad{176, 0, 4}, Bad{176, INT_MIN, 4}, Bad{100000, 100000, 4},
        Bad{7, 144, 4}, Bad{176, 5, 4}, Bad{176, 144, 0}, Bad{176, 144, -4}, Bad{16384, 1024, 1}}) {
    EXPECT_FALSE(Configure(bad.width, bad.height, Combined, true, bad.blockSize))
        << bad.width << "x" << bad.height;
    EXPECT_TRUE(NoBuffers());
  }
  tracker.format.biBitCount = 24;
  EXPECT_FALSE(Configure(176, 144, BlockMatching));

  reports.clear();
  tracker.ProcessFrame(frame.data());
  tracker.ProcessFrame(nullptr);
  EXPECT_EQ(reports, (std::vector<Report>{{0, 0, false}, {0, 0, false}}));
  EXPECT_EQ(tracker.frameCount, 0);
}

TEST_F(TrackerTest, WholeBlockShiftGivesThatDisplacement) {
  const Scene scene(400, 400, 7);
  for (int mode : {BlockMatching, Combined}) {
    for (bool perChannel : {false, true}) {
      ASSERT_TRUE(Configure(176, 144, mode, perChannel));
      reports.clear();
      tracker.ProcessFrame(scene.View(176, 144, 0, 0).data());
      tracker.ProcessFrame(scene.View(176, 144, 4, 8).data());
      tracker.ProcessFrame(scene.View(176, 144, -8, 4).data());
      // The first frame only primes the statistics.
      EXPECT_EQ(reports, (std::vector<Report>{{0, 0, false}, {4, 8, true}, {-12, -4, true}}))
          << mode << perChannel;
    }
  }
  // Profiles resolve single pixels; they need coarser texture to pass their contrast test.
  // A negative biHeight counts as its magnitude.
  const Scene coarse(400, 400, 9, 65536, 8);
  for (bool perChannel : {false, true}) {
    ASSERT_TRUE(Configure(176, -144, ProfileMatching, perChannel));
    reports.clear();
    tracker.ProcessFrame(coarse.View(176, 144, 0, 0).data());
    tracker.ProcessFrame(coarse.View(176, 144, 3, -5).data());
    EXPECT_EQ(reports.back(), (Report{3, -5, true})) << perChannel;
  }
}

// Mains flicker rolls bands of light over the picture; block matching took their move for
// motion. A banded frame is matched with its rows evened out: still views stay still (or
// untrackable on a bare wall), and a real move through the bands is still seen.
TEST_F(TrackerTest, FlickerBandsAreNotMotion) {
  const Scene textured(400, 400, 5, 65536, 4);
  Scene wall(400, 400, 6, 3);
  for (std::uint16_t &p : wall.pixels)
    p = Rgb565(150 + p, 150 + p, 140 + p); // grey paint, a grain of a level or two
  for (int mode : {BlockMatching, Combined}) {
    for (const Scene *scene : {&textured, static_cast<const Scene *>(&wall)}) {
      ASSERT_TRUE(Configure(320, 240, mode, false, 8));
      reports.clear();
      for (int f = 0; f < 8; ++f)
        tracker.ProcessFrame(WithBands(scene->View(320, 240, 0, 0), 320, 0.25, 2.1 * f).data());
      for (std::size_t f = 1; f < reports.size(); ++f)
        EXPECT_TRUE(reports[f].x == 0 && reports[f].y == 0)
            << mode << " frame " << f << ": " << reports[f].x << "," << reports[f].y;
      EXPECT_TRUE(tracker.figures.banded);
      EXPECT_EQ(tracker.figures.verdict, TrackerVerdict::Flicker);
    }
    reports.clear();
    for (int f = 0; f < 4; ++f)
      tracker.ProcessFrame(WithBands(textured.View(320, 240, 8 * f, -8 * f), 320, 0.25, 2.1 * f).data());
    EXPECT_EQ(reports.back(), (Report{8, -8, true})) << mode;
  }
}

// The figures come after each report and agree with it; the verdict follows the picture.
std::vector<char> calls;
std::vector<TrackerFigures> seen;
void RecordReport(int, int, bool) { calls.push_back('r'); }
void RecordFigures(const TrackerFigures &figures) {
  calls.push_back('f');
  seen.push_back(figures);
}

TEST_F(TrackerTest, FiguresFollowEachReportWithAVerdict) {
  ASSERT_TRUE(Configure(176, 144, BlockMatching));
  tracker.onMotion = RecordReport;
  tracker.onFigures = RecordFigures;
  calls.clear();
  seen.clear();
  const Scene scene(300, 300, 4);
  for (int f = 0; f < 3; ++f)
    tracker.ProcessFrame(scene.View(176, 144, 4 * f, 0).data());
  EXPECT_EQ(calls, (std::vector<char>{'r', 'f', 'r', 'f', 'r', 'f'}));
  EXPECT_EQ(seen[0].verdict, TrackerVerdict::NoFrames);
  const TrackerFigures &moving = seen.back();
  EXPECT_EQ(moving.verdict, TrackerVerdict::GoodBackground);
  EXPECT_EQ(std::tuple(moving.reportX, moving.reportY, moving.reportValid), std::tuple(4, 0, true));
  EXPECT_TRUE(moving.block.ran && moving.block.valid && !moving.profileX.ran);
  EXPECT_GT(moving.block.peakRatio, moving.block.minPeakRatio);
  EXPECT_GT(moving.block.contrast, moving.block.minContrast);

  // A bare grey picture fails its estimates until most recent frames did: too flat. A black
  // one is too dark whatever the estimates say.
  for (int f = 0; f < 16; ++f)
    tracker.ProcessFrame(Frame(176 * 144, Rgb565(120, 120, 120)).data());
  EXPECT_FALSE(seen.back().block.valid);
  EXPECT_LT(seen.back().block.peakRatio, seen.back().block.minPeakRatio);
  EXPECT_EQ(seen.back().verdict, TrackerVerdict::TooFlat);
  tracker.ProcessFrame(Frame(176 * 144, Rgb565(8, 8, 8)).data());
  EXPECT_EQ(seen.back().verdict, TrackerVerdict::TooDark);
}

TEST_F(TrackerTest, BlockTiesGoToTheLargerDyThenDx) {
  ASSERT_TRUE(Configure(176, 144, BlockMatching));
  tracker.SetThresholds(0.0f, 2.0f, 0.0f, 14.0f);
  const int hw = 22, hh = 18, blocks = 44 * 36;
  // Every candidate scores 0 except the one whose window covers a bright previous block.
  auto match = [&](int brightX, int brightY) {
    std::fill_n(tracker.blockMap, blocks, 100);
    std::fill_n(tracker.previousBlockMap, blocks, 100);
    tracker.previousBlockMap[brightY * 44 + brightX] = 5000;
    tracker.MatchBlocks();
    return std::vector<int>{tracker.blockX, tracker.blockY, tracker.blockValid};
  };
  EXPECT_EQ(match(0, 0), (std::vector<int>{(hw / 2 - (hw - 1)) * 4, (hh / 2 - (hh - 1)) * 4, 1}));
  EXPECT_EQ(match(2 * hw - 2, 2 * hh - 2),
            (std::vector<int>{(hw / 2 - (hw - 2)) * 4, (hh / 2 - (hh - 1)) * 4, 1}));
  // With the usual ratio the lone outlier does not make the mean twice the best.
  tracker.SetThresholds(2.0f, 2.0f, 2.0f, 14.0f);
  EXPECT_EQ(match(0, 0), (std::vector<int>{0, 0, 0}));
}

TEST_F(TrackerTest, ProfileSearchReachesBothEndsAndKeepsAnAcceptedAxis) {
  ASSERT_TRUE(Configure(176, 144, ProfileMatching));
  tracker.SetThresholds(2.0f, 2.0f, 2.0f, 0.0f);
  // One white column on black: the rows are all alike, so the vertical axis is rejected.
  auto column = [](int x) {
    Frame frame(176 * 144, 0);
    for (int y = 0; y < 144; ++y)
      frame[y * 176 + x] = 0xFFFF;
    return frame;
  };
  for (auto [from, to] : {std::pair{0, 87}, std::pair{88, 0}}) {
    reports.clear();
    tracker.ProcessFrame(column(from).data());
    tracker.ProcessFrame(column(to).data());
    EXPECT_EQ(std::tuple(tracker.profileX, tracker.profileY, tracker.profileValid),
              std::tuple(to - from, 0, false));
    EXPECT_EQ(reports.back(), (Report{to - from, 0, false}));
  }
}

TEST(CameraTrackerCombine, MergesAgreeingEstimatesAndFallsBackToTheValidOne) {
  CameraTracker t;
  auto combine = [&](int bx, int by, bool bv, int px, int py, bool pv) {
    t.blockX = bx, t.blockY = by, t.blockValid = bv, t.profileX = px, t.profileY = py, t.profileValid = pv;
    t.CombineEstimates();
    return Report{t.reportX, t.reportY, t.reportValid};
  };
  EXPECT_EQ(combine(8, -4, true, 5, 6, true), (Report{5, 0, true}));
  EXPECT_EQ(combine(-8, 0, true, -3, 2, true), (Report{-3, 0, true}));
  EXPECT_EQ(combine(8, -4, true, 5, 6, false), (Report{8, -4, true}));
  EXPECT_EQ(combine(8, -4, false, 5, 6, true), (Report{5, 6, true}));
  EXPECT_EQ(combine(8, 12, false, 5, 6, false), (Report{5, 6, false}));
  t.mode = ProfileMatching;
  EXPECT_EQ(combine(8, 12, true, 5, 0, false), (Report{5, 0, false}));
  t.mode = BlockMatching;
  EXPECT_EQ(combine(8, 12, false, 5, 6, true), (Report{8, 12, false}));
}

TEST_F(TrackerTest, ChangesWithoutReconfigurationAreNotTracked) {
  const Scene scene(300, 300, 3);
  ASSERT_TRUE(Configure(176, 144, BlockMatching));
  tracker.ProcessFrame(scene.View(176, 144, 0, 0).data());
  tracker.ProcessFrame(scene.View(176, 144, 4, 0).data());
  // Profiles were never allocated for this mode, and the block maps are for 4-pixel blocks.
  tracker.SetMode(ProfileMatching, false, 40);
  tracker.ProcessFrame(scene.View(176, 144, 8, 0).data());
  tracker.SetMode(BlockMatching, false, 40);
  tracker.blockSize = 8;
  tracker.ProcessFrame(scene.View(176, 144, 8, 0).data());
  // A new format starts over: its first frame primes instead of matching old statistics.
  ASSERT_TRUE(tracker.ConfigureFormat());
  tracker.ProcessFrame(scene.View(176, 144, 0, 0).data());
  tracker.ProcessFrame(scene.View(176, 144, 0, 8).data());
  EXPECT_EQ(reports,
            (std::vector<Report>{
                {0, 0, false}, {4, 0, true}, {0, 0, false}, {0, 0, false}, {0, 0, false}, {0, 8, true}}));
}

CameraTracker *released = nullptr;
bool buffersAtRelease = false;
int releaseCalls = 0;
void Release(CaptureGraph *) {
  ++releaseCalls;
  buffersAtRelease = released->blockMap != nullptr;
}

TEST(CameraTrackerLifetime, StopsTheGraphBeforeFreeingBuffers) {
  releaseCalls = 0;
  {
    CameraTracker tracker;
    tracker.format.biWidth = 176;
    tracker.format.biHeight = 144;
    ASSERT_TRUE(tracker.ConfigureFormat());
    tracker.releaseGraph = Release;
    tracker.graphBuilt = true;
    released = &tracker;
  }
  EXPECT_EQ(releaseCalls, 1);
  EXPECT_TRUE(buffersAtRelease);
  {
    CameraTracker unbuilt;
    unbuilt.releaseGraph = Release;
  }
  EXPECT_EQ(releaseCalls, 1);
}

} // namespace
