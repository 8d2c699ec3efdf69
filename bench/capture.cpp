// The camera path at 640 x 480, from a frame reaching the sink to the tracker's report, against
// the tracker's own time for the same frames. Also counts our own allocations per frame, and
// how old the frames are that reach the tracker from a camera faster than the sink.
//
//   bench_capture --benchmark_repetitions=9 --benchmark_report_aggregates_only=true

// Counting allocations replaces the global operator new; GCC then pairs inlined deletes with
// the malloc behind it and warns, wrongly.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <random>
#include <vector>

#include "capture/camera_source.h"
#include "capture/capture_graph.h"
#include "capture/sample_grabber.h"
#include "motion/camera_tracker.h"

namespace {

std::atomic<long> g_allocations{0};

constexpr int kWidth = 640;
constexpr int kHeight = 480;

// Two textured frames, the second moved 16 pixels right, rows top first.
std::vector<std::vector<std::uint16_t>> MovingFrames() {
  std::mt19937 random(3);
  std::vector<std::uint16_t> texture(1024 * 1024);
  for (auto &t : texture)
    t = static_cast<std::uint16_t>(random());
  std::vector<std::vector<std::uint16_t>> frames(2, std::vector<std::uint16_t>(kWidth * kHeight));
  for (int f = 0; f < 2; ++f) {
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x)
        frames[f][y * kWidth + x] = texture[((y / 6) * 1024 + (x + 64 - f * 16) / 6) % texture.size()];
    }
  }
  return frames;
}

void Configure(CameraTracker &tracker) {
  tracker.SetMode(BlockMatching, false, 40);
  tracker.blockSize = CameraTracker::ChooseBlockSize(kWidth, 40);
}

void NoWait(std::chrono::milliseconds) {}

void BM_TrackerAlone(benchmark::State &state) {
  auto frames = MovingFrames();
  CameraTracker tracker;
  Configure(tracker);
  tracker.format.biWidth = kWidth;
  tracker.format.biHeight = kHeight;
  tracker.ConfigureFormat();
  size_t i = 0;
  for (auto _ : state)
    tracker.ProcessFrame(frames[i++ & 1].data());
}
BENCHMARK(BM_TrackerAlone)->Unit(benchmark::kMicrosecond);

// The sink's own work per frame: flip, pack, hand over, no rest.
void BM_SinkToReport(benchmark::State &state) {
  auto frames = MovingFrames();
  SetCapturePacing({std::chrono::milliseconds(0), NoWait});
  CameraTracker tracker;
  Configure(tracker);
  CSampleGrabber grabber;
  grabber.m_pTracker = &tracker;
  grabber.CheckMediaType({"RGB16", kWidth, kHeight});
  size_t i = 0;
  const long before = g_allocations;
  for (auto _ : state) {
    const auto &frame = frames[i++ & 1];
    grabber.DoRenderSample(
        {reinterpret_cast<const std::uint8_t *>(frame.data()), kWidth * 2, kWidth, kHeight});
  }
  state.counters["allocs/frame"] = double(g_allocations - before) / double(state.iterations());
  SetCapturePacing({});
}
BENCHMARK(BM_SinkToReport)->Unit(benchmark::kMicrosecond);

std::mutex g_reportLock;
std::condition_variable g_reported;
long g_reports = 0;

void CountReport(int, int, bool) {
  {
    std::lock_guard<std::mutex> hold(g_reportLock);
    ++g_reports;
  }
  g_reported.notify_one();
}

void AwaitReports(long count) {
  std::unique_lock<std::mutex> hold(g_reportLock);
  g_reported.wait(hold, [count] { return g_reports >= count; });
}

// The whole GStreamer path with the moving test picture: source, converter, sink, tracker.
// Each iteration waits (asleep) for one more report; the process's CPU time per frame is the
// whole pipeline's work, the source's own drawing included.
void BM_PipelineToReport(benchmark::State &state) {
  SetCapturePacing({std::chrono::milliseconds(0), NoWait});
  CameraSource source;
  source.kind = CameraSourceKind::Test;
  source.testWidth = kWidth;
  source.testHeight = kHeight;
  source.testStepX = 16;
  SetCameraSource(source);
  auto tracker = std::make_unique<CameraTracker>();
  Configure(*tracker);
  if (tracker->BuildCaptureGraph(CountReport) != 1) {
    state.SkipWithError("capture graph did not build");
    return;
  }
  long next;
  {
    std::lock_guard<std::mutex> hold(g_reportLock);
    next = g_reports + 3;
  }
  AwaitReports(next);
  for (auto _ : state)
    AwaitReports(++next);
  tracker.reset();
  SetCapturePacing({});
}
BENCHMARK(BM_PipelineToReport)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime()->UseRealTime();

std::atomic<CSampleGrabber *> g_grabber{nullptr};
std::mutex g_ageLock;
std::vector<double> g_agesMs;

void CountReportWithAge(int x, int y, bool valid) {
  if (CSampleGrabber *grabber = g_grabber.load()) {
    const std::int64_t age = grabber->LastFrameAge();
    std::lock_guard<std::mutex> hold(g_ageLock);
    if (age >= 0)
      g_agesMs.push_back(double(age) / 1000.0);
  }
  CountReport(x, y, valid);
}

// A webcam at 30 frames a second whose driver keeps two filled buffers and drops what comes
// while both wait (as v4l2 does), read by the sink with its real 50 ms rest after each frame.
// The counter is the median age of the frames the tracker gets: the time from the frame's
// capture to its hand-over.
void BM_FrameAgeAtTheTracker(benchmark::State &state) {
  SetCapturePacing({});
  CameraSource source;
  source.kind = CameraSourceKind::Pipeline;
  source.name = "videotestsrc is-live=true pattern=smpte horizontal-speed=4 ! "
                "video/x-raw,width=320,height=240,framerate=30/1 ! "
                "queue max-size-buffers=2 max-size-bytes=0 max-size-time=0 leaky=upstream";
  SetCameraSource(source);
  auto tracker = std::make_unique<CameraTracker>();
  tracker->SetMode(BlockMatching, false, 40);
  if (tracker->BuildCaptureGraph(CountReportWithAge) != 1) {
    state.SkipWithError("capture graph did not build");
    return;
  }
  g_grabber = tracker->graph->sampleGrabber;
  long next;
  {
    std::lock_guard<std::mutex> hold(g_reportLock);
    next = g_reports + 5; // the start settles
  }
  AwaitReports(next);
  {
    std::lock_guard<std::mutex> hold(g_ageLock);
    g_agesMs.clear();
  }
  for (auto _ : state)
    AwaitReports(++next);
  g_grabber = nullptr;
  tracker.reset();
  std::vector<double> ages;
  {
    std::lock_guard<std::mutex> hold(g_ageLock);
    ages.swap(g_agesMs);
  }
  if (!ages.empty()) {
    std::sort(ages.begin(), ages.end());
    state.counters["age_median_ms"] = ages[ages.size() / 2];
    state.counters["age_max_ms"] = ages.back();
  }
}
BENCHMARK(BM_FrameAgeAtTheTracker)->Unit(benchmark::kMillisecond)->Iterations(40)->UseRealTime();

} // namespace

void *operator new(std::size_t size) {
  ++g_allocations;
  if (void *p = std::malloc(size ? size : 1))
    return p;
  throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }

BENCHMARK_MAIN();
