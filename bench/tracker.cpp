// CameraTracker::ProcessFrame (block matching on intensity, the mode the game runs) at the
// usual camera sizes, with the frame in cache (as right after the sink's copy) and cold,
// beside the plain scalar tracker, a plain read of the same frames, and the portable kernels
// against the x86 ones; and Player tracking, both with a head moving before a still
// background and, its worst case, with the whole picture moving (every block changed).

#include "../tests/motion/reference_tracker.cpp"
#include "../tests/motion/synthetic_frames.h"
#include "motion/camera_tracker.h"
#include "motion/tracker_kernels.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

int BlockSizeFor(int width, int height) {
  return CameraTracker::ChooseBlockSize(std::max(width, height), 40);
}

// Enough frames to overflow the last-level cache, so each one comes from memory.
constexpr std::size_t ColdPoolBytes = std::size_t{256} << 20;

struct Frames {
  Frames(int width, int height, bool cold) : width(width), height(height) {
    // Two views one block apart, so that every frame is matched and accepted.
    const int step = BlockSizeFor(width, height);
    const Scene scene(width + 4 * step, height + 4 * step, 11);
    const Frame a = scene.View(width, height, 0, 0), b = scene.View(width, height, step, -step);
    const std::size_t bytes = a.size() * sizeof(std::uint16_t);
    const std::size_t count = cold ? std::max<std::size_t>(2, ColdPoolBytes / bytes) & ~std::size_t{1} : 2;
    pool.resize(count * a.size());
    for (std::size_t i = 0; i < count; ++i)
      std::copy(i % 2 ? b.begin() : a.begin(), i % 2 ? b.end() : a.end(), pool.begin() + i * a.size());
    frameCount = count;
  }
  const std::uint16_t *Next() {
    const std::uint16_t *frame = pool.data() + next * static_cast<std::size_t>(width) * height;
    next = (next + 1) % frameCount;
    return frame;
  }
  int width, height;
  std::size_t frameCount = 0, next = 0;
  std::vector<std::uint16_t> pool;
};

void ProcessFrame(benchmark::State &state, bool cold, TrackingMode mode = BlockMatching) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  Frames frames(width, height, cold);
  CameraTracker tracker;
  tracker.SetMode(mode, false, 40);
  tracker.blockSize = BlockSizeFor(width, height);
  tracker.format.biWidth = width;
  tracker.format.biHeight = height;
  if (!tracker.ConfigureFormat()) {
    state.SkipWithError("format refused");
    return;
  }
  tracker.ProcessFrame(frames.Next());
  for (auto _ : state) {
    tracker.ProcessFrame(frames.Next());
    benchmark::DoNotOptimize(tracker.reportX);
  }
  if (!tracker.reportValid && (mode == BlockMatching || mode == PlayerTracking))
    state.SkipWithError("the test scene was not tracked");
}

// The two halves of ProcessFrame apart, frame in cache.
void Parts(benchmark::State &state, bool match) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  Frames frames(width, height, false);
  CameraTracker tracker;
  tracker.SetMode(BlockMatching, false, 40);
  tracker.blockSize = BlockSizeFor(width, height);
  tracker.format.biWidth = width;
  tracker.format.biHeight = height;
  tracker.ConfigureFormat();
  tracker.AccumulateFrame(frames.Next());
  tracker.AccumulateFrame(frames.Next());
  for (auto _ : state) {
    if (match)
      tracker.MatchBlocks();
    else
      tracker.AccumulateFrame(frames.Next());
    benchmark::DoNotOptimize(tracker.blockX);
  }
}

// A wrapping 16-bit sum, which the compiler turns into one vector add per load.
void ReadFrame(benchmark::State &state, bool cold) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  Frames frames(width, height, cold);
  const std::size_t pixels = static_cast<std::size_t>(width) * height;
  for (auto _ : state) {
    const std::uint16_t *p = frames.Next();
    std::uint16_t sum = 0;
    for (std::size_t i = 0; i < pixels; ++i)
      sum = static_cast<std::uint16_t>(sum + p[i]);
    benchmark::DoNotOptimize(sum);
  }
}

// A still background with a head-sized textured square moving one block a frame, to and fro.
void PlayerHead(benchmark::State &state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const int step = BlockSizeFor(width, height);
  const Scene room(width, height, 13, 65536, 2);
  const Scene head(width * 3 / 10, height / 2, 14, 65536, 2);
  constexpr int Positions = 6;
  std::vector<Frame> frames;
  for (int i = 0; i < Positions; ++i) {
    Frame frame = room.pixels;
    const int x0 = width / 4 + i * step, y0 = height / 4;
    for (int y = 0; y < head.height; ++y)
      for (int x = 0; x < head.width; ++x)
        frame[(y0 + y) * width + x0 + x] = head.pixels[y * head.width + x];
    frames.push_back(std::move(frame));
  }
  CameraTracker tracker;
  tracker.SetMode(PlayerTracking, false, 40);
  tracker.blockSize = step;
  tracker.format.biWidth = width;
  tracker.format.biHeight = height;
  tracker.ConfigureFormat();
  // Two frames first: the background, then the first move (a change in one frame alone is none).
  tracker.ProcessFrame(frames[0].data());
  tracker.ProcessFrame(frames[1].data());
  int position = 1, direction = 1;
  std::int64_t followed = 0, processed = 0;
  for (auto _ : state) {
    if (position + direction < 0 || position + direction >= Positions)
      direction = -direction;
    position += direction;
    tracker.ProcessFrame(frames[position].data());
    followed += tracker.reportValid && tracker.reportX == direction * step;
    ++processed;
    benchmark::DoNotOptimize(tracker.reportX);
  }
  if (followed * 2 < processed)
    state.SkipWithError("the head was not followed");
}

// ProcessFrame with the frame in cache, on the kernels of one level (restored afterwards).
void Kernels(benchmark::State &state, tracker_kernels::Level level) {
  const tracker_kernels::Level before = tracker_kernels::ActiveLevel();
  tracker_kernels::LimitLevel(level);
  ProcessFrame(state, false);
  tracker_kernels::LimitLevel(before);
}

void Reference(benchmark::State &state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  Frames frames(width, height, false);
  ReferenceTracker tracker(width, height, BlockSizeFor(width, height), BlockMatching, false);
  tracker.Process(frames.Next());
  for (auto _ : state) {
    tracker.Process(frames.Next());
    benchmark::DoNotOptimize(tracker.reportX);
  }
}

void Sizes(benchmark::internal::Benchmark *b) {
  b->Args({176, 144})->Args({320, 240})->Args({640, 480})->Args({1280, 720})->Unit(benchmark::kMicrosecond);
}

} // namespace

BENCHMARK_CAPTURE(ProcessFrame, hot, false)->Apply(Sizes);
BENCHMARK_CAPTURE(ReadFrame, hot, false)->Apply(Sizes);
BENCHMARK_CAPTURE(ProcessFrame, cold, true)->Apply(Sizes);
BENCHMARK_CAPTURE(ReadFrame, cold, true)->Apply(Sizes);
// For scale: both estimators, the profile search in plain code.
BENCHMARK_CAPTURE(ProcessFrame, combined, false, Combined)
    ->Args({176, 144})
    ->Args({640, 480})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ProcessFrame, player, false, PlayerTracking)->Apply(Sizes);
BENCHMARK(PlayerHead)->Apply(Sizes);
BENCHMARK_CAPTURE(Parts, accumulate, false)->Apply(Sizes);
BENCHMARK_CAPTURE(Parts, match, true)->Apply(Sizes);
BENCHMARK(Reference)->Apply(Sizes);
// The portable kernels beside the widest the processor has (the same in a portable build).
BENCHMARK_CAPTURE(Kernels, widest, tracker_kernels::Level::Avx512)->Apply(Sizes);
BENCHMARK_CAPTURE(Kernels, portable, tracker_kernels::Level::Portable)->Apply(Sizes);

// VEXMOOR_KERNELS=avx2, sse2 or portable times the narrower kernels on a processor that has more.
int main(int argc, char **argv) {
  using tracker_kernels::Level;
  if (const char *kernels = std::getenv("VEXMOOR_KERNELS"))
    tracker_kernels::LimitLevel(std::strcmp(kernels, "portable") == 0 ? Level::Portable
                                : std::strcmp(kernels, "sse2") == 0   ? Level::Sse2
                                : std::strcmp(kernels, "avx2") == 0   ? Level::Avx2
                                                                      : Level::Avx512);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}
