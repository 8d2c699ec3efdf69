#include "motion/camera_tracker.h"
#include "motion/tracker_kernels.h"
#include "reference_tracker.h"
#include "synthetic_frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>

namespace {

struct Case {
  int width, height, blockSize;
};

// Every estimate the tracker keeps, from the block and profile search to the report.
auto Estimates(const auto &t) {
  return std::tuple(t.blockX, t.blockY, t.blockValid, t.profileX, t.profileY, t.profileValid, t.reportX,
                    t.reportY, t.reportValid);
}

// Runs the tracker and the plain reference side by side over a sequence of frames and
// compares every statistic and estimate after each one. Returns how many reports were valid;
// counts the frames the tracker found banded by flicker in *banded.
int CompareOver(const Case &size, int mode, bool perChannel, const std::vector<Frame> &frames,
                int *banded = nullptr) {
  CameraTracker tracker;
  tracker.SetMode(mode, perChannel, 40);
  tracker.blockSize = size.blockSize;
  tracker.format.biWidth = size.width;
  tracker.format.biHeight = size.height;
  EXPECT_TRUE(tracker.ConfigureFormat());
  ReferenceTracker reference(size.width, size.height, size.blockSize, mode, perChannel);
  const int channels = perChannel ? 3 : 1;
  int valid = 0;
  for (std::size_t f = 0; f < frames.size(); ++f) {
    const int set = tracker.currentSet;
    tracker.ProcessFrame(frames[f].data());
    reference.Process(frames[f].data());
    SCOPED_TRACE(::testing::Message() << size.width << "x" << size.height << "/" << size.blockSize << " mode "
                                      << mode << (perChannel ? " rgb" : "") << " frame " << f);
    for (int c = 0; c < channels; ++c) {
      if (mode != BlockMatching) {
        const std::int64_t *columns =
            perChannel ? tracker.columnProfileRgb[set][c] : tracker.columnProfile[set];
        const std::int64_t *rows = perChannel ? tracker.rowProfileRgb[set][c] : tracker.rowProfile[set];
        EXPECT_EQ(std::vector<std::int64_t>(columns, columns + size.width), reference.columns[set][c]);
        EXPECT_EQ(std::vector<std::int64_t>(rows, rows + size.height), reference.rows[set][c]);
      }
      if (mode != ProfileMatching) {
        const std::int32_t *blocks = perChannel ? tracker.blockMapRgb[c] : tracker.blockMap;
        EXPECT_EQ(std::vector<std::int32_t>(blocks, blocks + reference.blocks[c].size()),
                  reference.blocks[c]);
      }
    }
    EXPECT_EQ(Estimates(tracker), Estimates(reference));
    if (::testing::Test::HasFailure())
      return valid;
    valid += tracker.reportValid;
    if (banded)
      *banded += tracker.figures.banded;
  }
  return valid;
}

// A walk over a textured scene in whole blocks (trackable) and single pixels, random
// frames, frames of few levels (small sums, long 16-bit runs) and a still picture.
std::vector<Frame> Sequence(const Case &size, unsigned seed) {
  std::mt19937 random(seed);
  const int margin = 8 + 5 * size.blockSize;
  const Scene scene(size.width + 2 * margin, size.height + 2 * margin, seed);
  const Scene dim(size.width, size.height, seed + 1, 8);
  std::vector<Frame> frames;
  std::uniform_int_distribution<int> step(-1, 1);
  int x = 0, y = 0;
  for (int i = 0; i < 5; ++i) {
    frames.push_back(scene.View(size.width, size.height, x, y));
    x = std::clamp(x + step(random) * size.blockSize, -3 * size.blockSize, 3 * size.blockSize);
    y = std::clamp(y + (i == 0 ? 1 : step(random)) * size.blockSize, -3 * size.blockSize, 3 * size.blockSize);
  }
  frames.push_back(scene.View(size.width, size.height, x + 3, y - 1));
  // Coarse texture passes the profile contrast test.
  const Scene coarse(size.width + 16, size.height + 16, seed + 3, 65536, 8);
  frames.push_back(coarse.View(size.width, size.height, 0, 0));
  frames.push_back(coarse.View(size.width, size.height, 3, -5));
  frames.push_back(Scene(size.width, size.height, seed + 2).View(size.width, size.height, 0, 0));
  frames.push_back(dim.pixels);
  frames.push_back(dim.pixels);
  frames.push_back(Frame(dim.pixels.size(), 0xFFFF));
  // Flicker bands rolling over a still and a moving view: the rows are evened out.
  const Scene smooth(size.width + 4 * size.blockSize, size.height + 4 * size.blockSize, seed + 4, 65536,
                     4 * size.blockSize);
  for (int i = 0; i < 4; ++i)
    frames.push_back(WithBands(smooth.View(size.width, size.height, 0, i < 3 ? 0 : size.blockSize),
                               size.width, 0.3, 2.1 * i, size.height / 3.0));
  return frames;
}

class FastPath : public ::testing::TestWithParam<tracker_kernels::Level> {
protected:
  void SetUp() override { tracker_kernels::LimitLevel(GetParam()); }
  void TearDown() override { tracker_kernels::LimitLevel(tracker_kernels::Level::Avx512); }
};

TEST_P(FastPath, IntensityBlocksMatchTheReference) {
  const Case sizes[] = {{176, 144, 4}, {177, 143, 4}, {160, 120, 4}, {64, 48, 1},    {90, 70, 6},
                        {99, 61, 2},   {320, 240, 8}, {8, 8, 4},     {250, 130, 13}, {640, 480, 16}};
  unsigned seed = 1;
  int banded = 0;
  for (const Case &size : sizes) {
    const int valid = CompareOver(size, BlockMatching, false, Sequence(size, seed++), &banded);
    // The walk is tracked wherever the grid leaves more than one candidate.
    if (size.width / size.blockSize >= 4 && size.height / size.blockSize >= 4) {
      EXPECT_GE(valid, 3) << size.width << "x" << size.height;
    }
  }
  EXPECT_GT(banded, 10) << "the flicker bands were evened out on some frames";
}

TEST_P(FastPath, EveryPixelValueDecodesAlike) {
  Frame all(256 * 256);
  for (int i = 0; i < 65536; ++i)
    all[i] = static_cast<std::uint16_t>(i * 40503u);
  Frame reversed(all.rbegin(), all.rend());
  for (int blockSize : {1, 4, 16, 32, 128})
    CompareOver({256, 256, blockSize}, BlockMatching, false, {all, reversed, all});
  CompareOver({256, 256, 8}, Combined, true, {all, reversed});
}

TEST_P(FastPath, OtherModesAndLargeBlocksMatchTheReference) {
  const Case sizes[] = {{176, 144, 4}, {61, 47, 5}, {300, 280, 130}};
  unsigned seed = 50;
  for (const Case &size : sizes)
    for (int mode : {Combined, BlockMatching, ProfileMatching})
      for (bool perChannel : {false, true}) {
        const int valid = CompareOver(size, mode, perChannel, Sequence(size, seed++));
        // Blocks of 130 leave a 2 x 2 grid, whose single candidate is never accepted; profiles
        // are, though per-channel ones miss the contrast test on this texture.
        if (size.blockSize < 100 || (mode == ProfileMatching && !perChannel)) {
          EXPECT_GT(valid, 0) << size.width << "x" << size.height << " mode " << mode << " rgb "
                              << perChannel;
        }
      }
}

// Each level runs where the processor has it and falls back to the next narrower one; the
// portable kernels run in every build, and alone in a portable one.
using tracker_kernels::Level;
std::string LevelName(const ::testing::TestParamInfo<Level> &info) {
  const char *const names[] = {"Portable", "Sse2", "Avx2", "Avx512"};
  return names[static_cast<int>(info.param)];
}
#if VEXMOOR_PORTABLE
INSTANTIATE_TEST_SUITE_P(Kernels, FastPath, ::testing::Values(Level::Portable), LevelName);
#else
INSTANTIATE_TEST_SUITE_P(Kernels, FastPath,
                         ::testing::Values(Level::Avx512, Level::Avx2, Level::Sse2, Level::Portable),
                         LevelName);
#endif

} // namespace
