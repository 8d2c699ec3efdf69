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
    return !tracker.blockMap && !tracker.previousBlockMap && !tracker.columnProfile[0] &&
           !tracker.rowProfile[1] && !tracker.columnProfileRgb[1][2] && !tracker.blockMapRgb[2];
  }
  CameraTracker tracker;
};

// Out-of-range modes, grid targets and formats fall back to usable ones or are refused; frames
// without an accepted format are reported invalid and not read.
TEST_F(TrackerTest, BadSettingsAndFormatsAreRefusedAndFramesNotRead) {
  tracker.SetMode(3, true, INT_MIN);
  EXPECT_EQ(std::tuple(tracker.mode, tracker.perChannel, tracker.gridTarget > 0),
            std::tuple(Combined, true, true));
  tracker.SetMode(-1, false, -40);
  EXPECT_EQ(std::tuple(tracker.mode, tracker.gridTarget), std::tuple(Combined, 40));
  EXPECT_EQ(CameraTracker::ChooseBlockSize(INT_MIN, -1), INT_MAX);
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

  // Changes made without configuring again are not tracked: the buffers do not fit them.
  tracker.format.biBitCount = 16;
  reports.clear();
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

// Reports are in pixels, positive towards higher columns and buffer rows, in every mode; the
// first frame only primes the statistics. Profiles resolve single pixels but need coarser
// texture to pass their contrast test; a negative biHeight counts as its magnitude.
TEST_F(TrackerTest, ShiftedViewsGiveTheirDisplacementInEveryMode) {
  const Scene fine(400, 400, 7), coarse(400, 400, 9, 65536, 8);
  const struct {
    int mode, height;
    const Scene &scene;
    int dx, dy;
  } cases[] = {
      {BlockMatching, 144, fine, 4, 8}, {Combined, 144, fine, -8, 4}, {ProfileMatching, -144, coarse, 3, -5}};
  for (const auto &c : cases)
    for (bool perChannel : {false, true}) {
      ASSERT_TRUE(Configure(176, c.height, c.mode, perChannel));
      reports.clear();
      tracker.ProcessFrame(c.scene.View(176, 144, 0, 0).data());
      tracker.ProcessFrame(c.scene.View(176, 144, c.dx, c.dy).data());
      EXPECT_EQ(reports, (std::vector<Report>{{0, 0, false}, {c.dx, c.dy, true}})) << c.mode << perChannel;
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
std::vector<TrackerFigures> seen;
std::vector<std::size_t> reportsBefore; // reports delivered when each figures call came
void RecordFigures(const TrackerFigures &figures) {
  seen.push_back(figures);
  reportsBefore.push_back(reports.size());
}

TEST_F(TrackerTest, FiguresFollowEachReportWithAVerdict) {
  ASSERT_TRUE(Configure(176, 144, BlockMatching));
  tracker.onFigures = RecordFigures;
  const Scene scene(300, 300, 4);
  for (int f = 0; f < 3; ++f)
    tracker.ProcessFrame(scene.View(176, 144, 4 * f, 0).data());
  EXPECT_EQ(reportsBefore, (std::vector<std::size_t>{1, 2, 3}));
  EXPECT_EQ(seen[0].verdict, TrackerVerdict::NoFrames);
  const TrackerFigures &moving = seen.back();
  EXPECT_EQ(std::tuple(moving.verdict, moving.reportX, moving.reportY, moving.reportValid),
            std::tuple(TrackerVerdict::GoodBackground, 4, 0, true));
  EXPECT_TRUE(moving.block.ran && moving.block.valid && !moving.profileX.ran);
  EXPECT_GT(moving.block.peakRatio, moving.block.minPeakRatio);
  EXPECT_GT(moving.block.contrast, moving.block.minContrast);
  // A bare grey picture fails its estimates until most recent frames did: too flat. A black
  // one is too dark whatever the estimates say.
  for (int f = 0; f < 16; ++f)
    tracker.ProcessFrame(Frame(176 * 144, Rgb565(120, 120, 120)).data());
  EXPECT_LT(seen.back().block.peakRatio, seen.back().block.minPeakRatio);
  EXPECT_EQ(std::tuple(seen.back().block.valid, seen.back().verdict),
            std::tuple(false, TrackerVerdict::TooFlat));
  tracker.ProcessFrame(Frame(176 * 144, Rgb565(8, 8, 8)).data());
  EXPECT_EQ(seen.back().verdict, TrackerVerdict::TooDark);
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

CameraTracker *released = nullptr;
bool buffersAtRelease = false;
int releaseCalls = 0;
void Release(CaptureGraph *) {
  ++releaseCalls;
  buffersAtRelease = released->blockMap != nullptr;
}

// The stream stops before the buffers it writes to are freed; a graph never built is left be.
TEST(CameraTrackerLifetime, StopsTheGraphBeforeFreeingBuffers) {
  for (bool built : {true, false}) {
    releaseCalls = 0;
    buffersAtRelease = false;
    {
      CameraTracker tracker;
      tracker.format.biWidth = 176;
      tracker.format.biHeight = 144;
      ASSERT_TRUE(tracker.ConfigureFormat());
      tracker.releaseGraph = Release;
      tracker.graphBuilt = built;
      released = &tracker;
    }
    EXPECT_EQ(std::tuple(releaseCalls, buffersAtRelease), std::tuple(built ? 1 : 0, built));
  }
}

} // namespace
