#include "chain.h"

#include "game/snake_board.h"
#include "motion/camera_tracker.h"
#include "motion/point_trail.h"
#include "state/app_state.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <random>
#include <string>

namespace {

// The driver's queue when the sink takes the oldest frame: two buffers keep frames 67 to
// 100 ms old, as measured on webcams.
constexpr std::size_t DriverBuffers = 2;
constexpr double SinkRest = 0.050, SinkWork = 0.003, Tick = 0.200;

struct Chain {
  FramePick pick;
  std::unique_ptr<CameraTracker> tracker;
  std::unique_ptr<SnakeBoard> board;
  std::vector<std::int32_t> xs, ys;
  std::int32_t count = 0;
  bool seen = true, seenLast = true;
  std::deque<int> queue;
  int lastTaken = -1;
  double sinkFree = 0;
  ChainResult result;
  int trial = -1; // the trial whose outcome is pending
  int window = -1;

  void Enter() {
    g_app.trailX = xs.data();
    g_app.trailY = ys.data();
    g_app.trailCount = count;
    g_app.motionSeen = seen;
    g_app.motionSeenLastTick = seenLast;
  }
  void Leave() {
    count = g_app.trailCount;
    seen = g_app.motionSeen;
    seenLast = g_app.motionSeenLastTick;
  }
};

} // namespace

std::vector<ChainResult> RunChains(Camera &camera, const ChainSetup &setup, const std::vector<Trial> &trials,
                                   const std::vector<StillWindow> &still,
                                   const std::vector<FramePick> &picks) {
  static GameSettings settings;
  g_app.settings = settings;
  g_app.gameRunning = true;
  g_app.tickInterval = Tick * 1000.0f;
  SetSteeringDirection(static_cast<SteeringDirection>(setup.direction));

  std::vector<Chain> chains(picks.size());
  for (std::size_t i = 0; i < picks.size(); ++i) {
    Chain &c = chains[i];
    c.pick = picks[i];
    c.tracker = std::make_unique<CameraTracker>();
    c.tracker->SetThresholds(settings.blockPeakRatio, settings.profilePeakRatio, settings.blockMinContrast,
                             settings.profileMinContrast);
    c.tracker->SetMode(setup.mode, false, 40);
    c.tracker->blockSize = CameraTracker::ChooseBlockSize(std::max(setup.width, setup.height), 40);
    c.tracker->format.biWidth = setup.width;
    c.tracker->format.biHeight = setup.height;
    c.tracker->ConfigureFormat();
    c.tracker->onMotion = AppendMotion;
    c.board = std::make_unique<SnakeBoard>(&settings);
    c.board->Reset();
    c.board->Start();
    c.xs.assign(settings.trailCapacity, 0);
    c.ys.assign(settings.trailCapacity, 0);
    c.result.spurious.assign(still.size(), 0);
    c.result.trials.assign(trials.size(), {});
  }

  const bool trace = std::getenv("VEXMOOR_STEERING_TRACE") != nullptr;
  if (trace)
    for (const Trial &trial : trials)
      std::printf("trial set %.2f onset %.2f until %.2f want %d %d\n", trial.set, trial.onset, trial.until,
                  trial.dirX, trial.dirY);
  std::mt19937 random(setup.seed);
  double nextTick = std::uniform_real_distribution<double>(0.0, Tick)(random);
  int nextFrame = 0;
  std::size_t nextTrial = 0;
  double nextReady = camera.Ready(0);
  // One millisecond steps: frames become ready, sinks take them, ticks come.
  for (long step = 0;; ++step) {
    const double t = step * 0.001;
    if (t > setup.duration)
      break;
    while (nextReady <= t) {
      for (Chain &c : chains) {
        if (c.pick == FramePick::Newest) {
          c.queue.clear();
          c.queue.push_back(nextFrame);
        } else if (c.queue.size() < DriverBuffers) {
          c.queue.push_back(nextFrame);
        }
      }
      nextReady = camera.Ready(++nextFrame);
    }
    for (Chain &c : chains) {
      if (c.sinkFree > t || c.queue.empty())
        continue;
      const int k = c.queue.front();
      c.queue.pop_front();
      c.lastTaken = k;
      c.Enter();
      c.tracker->ProcessFrame(camera.Frame(k).data());
      if (trace && &c == &chains.back())
        std::printf("    frame %d taken %.3f shot %.3f report %d %d %d changed %d peak %.2f contrast %.1f "
                    "banding %.3f%s\n",
                    k, t, k / camera.fps() + 0.012, c.tracker->reportX, c.tracker->reportY,
                    c.tracker->reportValid, c.tracker->figures.changedBlocks,
                    c.tracker->figures.block.peakRatio, c.tracker->figures.block.contrast,
                    c.tracker->figures.banding, c.tracker->figures.banded ? " banded" : "");
      if (const char *dump = std::getenv("VEXMOOR_STEERING_DUMP"); dump && &c == &chains[0] && k % 45 == 0) {
        // A look at what the tracker is given: binary PPM, top row first.
        const std::string path = std::string(dump) + "/" + std::to_string(setup.width) + "_" +
                                 std::to_string(setup.mode) + "_" + std::to_string(k) + ".ppm";
        if (std::FILE *f = std::fopen(path.c_str(), "wb")) {
          std::fprintf(f, "P6 %d %d 255\n", setup.width, setup.height);
          const std::vector<std::uint16_t> &frame = camera.Frame(k);
          for (int y = setup.height - 1; y >= 0; --y)
            for (int x = 0; x < setup.width; ++x) {
              const std::uint16_t p = frame[static_cast<std::size_t>(y) * setup.width + x];
              const unsigned char rgb[3] = {static_cast<unsigned char>((p >> 11) << 3),
                                            static_cast<unsigned char>(((p >> 5) & 63) << 2),
                                            static_cast<unsigned char>((p & 31) << 3)};
              std::fwrite(rgb, 1, 3, f);
            }
          std::fclose(f);
        }
      }
      c.Leave();
      ++c.result.frames;
      c.result.validReports += c.tracker->reportValid;
      c.result.frameAges.push_back(t + SinkWork - (k / camera.fps() + 0.012));
      c.sinkFree = t + SinkWork + SinkRest;
    }
    if (t < nextTick)
      continue;
    nextTick += Tick;
    // The snake is sent across the next trial's axis at its first tick.
    const bool setNow = nextTrial < trials.size() && trials[nextTrial].set <= t;
    for (Chain &c : chains) {
      c.Enter();
      OnGameTick(nullptr, 0, 0, 0);
      c.Leave();
      SnakeBoard &board = *c.board;
      if (setNow) {
        const Trial &trial = trials[nextTrial];
        const int sign = nextTrial % 2 ? 1 : -1;
        board.dirX = trial.dirX != 0 ? 0 : sign;
        board.dirY = trial.dirY != 0 ? 0 : sign;
        c.trial = static_cast<int>(nextTrial);
      }
      // Still windows: a new heading every 10 s, round the four directions.
      int window = -1;
      for (std::size_t w = 0; w < still.size(); ++w)
        if (still[w].from <= t && t < still[w].to)
          window = static_cast<int>(w);
      if (window >= 0) {
        const int period = static_cast<int>((t - still[window].from) / 10.0);
        const int heading = (period + window) % 4;
        static const int dx[] = {1, 0, -1, 0}, dy[] = {0, 1, 0, -1};
        if (c.window != window * 1000 + period) {
          c.window = window * 1000 + period;
          board.dirX = dx[heading];
          board.dirY = dy[heading];
        }
      }
      const int oldX = board.dirX, oldY = board.dirY;
      if (trace && &c == &chains.back())
        std::printf("  t=%.2f trial=%d steer %d %d thr %.1f %.1f dir %d %d\n", t, c.trial, g_app.steerX,
                    g_app.steerY, board.thresholdX, board.thresholdY, board.dirX, board.dirY);
      board.Advance(g_app.steerX, g_app.steerY);
      const bool turned = board.dirX != oldX || board.dirY != oldY;
      if (!turned)
        continue;
      if (window >= 0 && t >= still[window].from + StillSettle)
        ++c.result.spurious[window];
      if (c.trial >= 0) {
        const Trial &trial = trials[c.trial];
        TrialOutcome &outcome = c.result.trials[c.trial];
        if (t <= trial.until) {
          const bool right = t >= trial.onset && board.dirX == trial.dirX && board.dirY == trial.dirY;
          outcome.result = right ? TrialOutcome::Right : TrialOutcome::Wrong;
          outcome.latency = t - trial.onset;
        }
        c.trial = -1;
      }
    }
    if (setNow)
      ++nextTrial;
  }
  if (trace)
    for (std::size_t i = 0; i < trials.size(); ++i)
      std::printf("outcome %zu: %d after %.2f s kind %d lighting %d want %d %d\n", i,
                  chains.back().result.trials[i].result, chains.back().result.trials[i].latency,
                  trials[i].kind, trials[i].lighting, trials[i].dirX, trials[i].dirY);
  std::vector<ChainResult> results;
  for (Chain &c : chains)
    results.push_back(std::move(c.result));
  g_app.trailX = g_app.trailY = nullptr;
  g_app.gameRunning = false;
  return results;
}
