// The steering benchmark: simulated webcam sequences made from photographs and made-up
// scenes, run through the game's own tracker, trail and board in virtual time. Prints, per
// tracking mode, capture size and frame choice, how often a pan turns the snake the right
// way, how often the first turn is wrong, how soon it turns, and how often a still camera
// turns it for nothing.
//
//   bench_steering [--quick] [--held-out] [--seed N] [--sizes 320x240,...] [--frames oldest|newest|both]
//                  [--table pans|still|player|player-still]

#include "chain.h"

#include "motion/camera_tracker.h"
#include "motion/point_trail.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double Pi = 3.14159265358979323846;

struct Options {
  bool quick = false;
  bool heldOut = false;
  unsigned seed = 1;
  std::vector<std::pair<int, int>> sizes{{160, 120}, {176, 144}, {320, 240}, {640, 480}};
  std::vector<FramePick> picks{FramePick::Oldest, FramePick::Newest};
  int only = -1; // one table alone
};
const char *const TableNames[] = {"pans", "still", "player", "player-still"};

const Lighting Lightings[] = {
    {"bright", 1.0f, 0.0f, 50},       {"normal", 0.35f, 0.0f, 50},      {"dim", 0.04f, 0.0f, 50},
    {"dim+50Hz", 0.04f, 0.4f, 50},    {"dim+60Hz", 0.04f, 0.4f, 60},    {"bright+50Hz", 1.0f, 0.4f, 50},
    {"normal+60Hz", 0.35f, 0.4f, 60}, {"gloom+50Hz", 0.012f, 0.8f, 50},
};
enum { Bright, Normal, Dim, Dim50, Dim60, Bright50, Normal60, Gloom50 };

// Scenes at one capture size: photographs and made-up rooms three views wide, bare walls.
struct Scenes {
  std::vector<Picture> wide;  // for pans
  std::vector<Picture> rooms; // for a still camera, one view
  Picture wall;
};

std::vector<Picture> LoadPhotos(bool heldOut) {
  std::vector<Picture> photos;
  for (const std::string &path : PhotoPaths(heldOut)) {
    Picture p;
    std::string error;
    if (LoadJpeg(path, 1920, p, error))
      photos.push_back(std::move(p));
    else
      std::fprintf(stderr, "bench_steering: %s\n", error.c_str());
  }
  return photos;
}

Scenes MakeScenes(const std::vector<Picture> &photos, int width, int height, unsigned seed) {
  Scenes s;
  for (const Picture &photo : photos) {
    const int w = 3 * width;
    const int h = std::max(2 * height, photo.height * w / photo.width);
    s.wide.push_back(photo.Resized(w, h));
  }
  for (unsigned i = 0; i < 3; ++i)
    s.wide.push_back(MakeRoom(3 * width, 3 * height, seed * 100 + i).Resized(3 * width, 3 * height));
  for (unsigned i = 0; i < 2; ++i)
    s.rooms.push_back(MakeRoom(width + 8, height + 8, seed * 100 + 50 + i));
  if (!photos.empty())
    s.rooms.push_back(photos[seed % photos.size()].Resized(width + 8, height + 8));
  s.wall = MakeBareWall(width + 8, height + 8, seed);
  return s;
}

// Hand tremor and slow drift: a few sines at physiological tremor rates, in pixels.
struct Tremor {
  Tremor(std::mt19937 &random, float width) {
    std::uniform_real_distribution<float> phase(0, 2 * Pi);
    const float f[] = {4.7f, 7.9f, 10.3f, 0.23f, 0.41f};
    const float a[] = {0.0012f, 0.0010f, 0.0006f, 0.006f, 0.004f};
    for (int i = 0; i < 5; ++i)
      parts.push_back({f[i], a[i] * width, phase(random), phase(random)});
  }
  void At(double t, float &x, float &y) const {
    x = y = 0;
    for (const Part &p : parts) {
      x += p.amplitude * std::sin(2 * Pi * p.hz * t + p.phaseX);
      y += p.amplitude * std::sin(2 * Pi * p.hz * t * 1.07 + p.phaseY);
    }
  }
  struct Part {
    float hz, amplitude, phaseX, phaseY;
  };
  std::vector<Part> parts;
};

// Smooth start and stop: the share of the distance covered at fraction u of the motion.
double Ease(double u) {
  u = std::clamp(u, 0.0, 1.0);
  return u - std::sin(2 * Pi * u) / (2 * Pi);
}

struct Motion {
  double onset, duration, dx, dy; // content displacement, pixels
};
void Displacement(const std::vector<Motion> &motions, double t, float &x, float &y) {
  x = y = 0;
  for (const Motion &m : motions) {
    const double e = Ease((t - m.onset) / m.duration);
    x += static_cast<float>(m.dx * e);
    y += static_cast<float>(m.dy * e);
  }
}

const int DirX[] = {-1, 1, 0, 0}, DirY[] = {0, 0, -1, 1}; // left, right, up, down on the board
const char *const DirName[] = {"left", "right", "up", "down"};

struct Scenario {
  std::vector<Shot> shots;
  std::vector<Trial> trials;
  std::vector<StillWindow> still;
  double duration = 0;
  // Owned pictures the shots point at.
  std::vector<std::unique_ptr<Figure>> figures;
  std::vector<std::unique_ptr<std::vector<Motion>>> motions;
};

// Pans of a hand-held camera: per scene, the four directions at one speed, in random order.
// The content moves the way the snake should go (the picture's own direction).
Scenario HandHeld(const Scenes &scenes, int width, int height, int perCell, std::mt19937 &random) {
  Scenario s;
  const double distance[] = {0.20, 0.30, 0.45}, seconds[] = {1.0, 0.6, 0.4}; // of the view's width
  const int lightings[] = {Normal, Bright, Normal, Dim, Bright50, Normal60};
  std::uniform_real_distribution<double> unit(0, 1);
  double t = 0;
  int group = 0;
  for (int rep = 0; rep < perCell; ++rep)
    for (int speed = 0; speed < 3; ++speed, ++group) {
      const Picture &scene = scenes.wide[group % scenes.wide.size()];
      auto motions = std::make_unique<std::vector<Motion>>();
      const int lighting = lightings[(group / 3 + 2 * speed) % 6];
      int order[] = {0, 1, 2, 3};
      std::shuffle(order, order + 4, random);
      const double start = t;
      for (int d : order) {
        const double set = t + 1.4 + 0.3 * unit(random);
        const double onset = set + 0.2 + 0.5 * unit(random);
        const double length = distance[speed] * width;
        motions->push_back({onset, seconds[speed], DirX[d] * length, DirY[d] * length});
        s.trials.push_back({set, onset, onset + seconds[speed] + 0.8, DirX[d], DirY[d], speed, lighting});
        t = onset + seconds[speed] + 1.0;
      }
      // The view moves against the content; it starts in the middle of the scene.
      const float x0 = (scene.width - width) / 2.0f, y0 = (scene.height - height) / 2.0f;
      const std::vector<Motion> *m = motions.get();
      auto tremor = std::make_shared<Tremor>(random, static_cast<float>(width));
      Shot shot;
      shot.from = start;
      shot.scene = &scene;
      shot.lighting = Lightings[lighting];
      shot.view = [m, tremor, x0, y0, &scene, width, height](double time, float &x, float &y) {
        float dx, dy, tx, ty;
        Displacement(*m, time, dx, dy);
        tremor->At(time, tx, ty);
        x = std::clamp(x0 - dx + tx, 0.0f, static_cast<float>(scene.width - width - 1));
        y = std::clamp(y0 - dy + ty, 0.0f, static_cast<float>(scene.height - height - 1));
      };
      s.shots.push_back(std::move(shot));
      s.motions.push_back(std::move(motions));
    }
  s.duration = t;
  return s;
}

// A still camera (a webcam on its stand) in each lighting, for spurious turns.
Scenario StillCamera(const Scenes &scenes, double seconds, const Figure *person) {
  Scenario s;
  struct Case {
    const Picture *scene;
    int lighting;
  };
  const std::vector<Case> cases = {{&scenes.rooms[2 % scenes.rooms.size()], Bright},
                                   {&scenes.rooms[0], Normal},
                                   {&scenes.rooms[1 % scenes.rooms.size()], Dim},
                                   {&scenes.rooms[0], Dim50},
                                   {&scenes.rooms[1 % scenes.rooms.size()], Dim60},
                                   {&scenes.wall, Dim50},
                                   {&scenes.wall, Dim60},
                                   {&scenes.wall, Bright50},
                                   {&scenes.wall, Gloom50}};
  double t = 0;
  for (const Case &c : cases) {
    Shot shot;
    shot.from = t;
    shot.scene = c.scene;
    shot.still = true;
    shot.view = [](double, float &x, float &y) { x = y = 4; };
    shot.lighting = Lightings[c.lighting];
    if (person) {
      // A player sitting still: breathing and small sways.
      shot.figure = person;
      const float w = static_cast<float>(c.scene->width - 8), h = static_cast<float>(c.scene->height - 8);
      const float fw = static_cast<float>(person->picture.width),
                  fh = static_cast<float>(person->picture.height);
      shot.figureAt = [w, h, fw, fh](double time, float &x, float &y) {
        x = (w - fw) / 2 + 0.004f * w * static_cast<float>(std::sin(2 * Pi * 0.21 * time));
        y = h * 0.3f + 0.003f * h * static_cast<float>(std::sin(2 * Pi * 0.27 * time));
      };
    }
    s.shots.push_back(std::move(shot));
    s.still.push_back({t, t + seconds, c.lighting});
    t += seconds;
  }
  s.duration = t;
  return s;
}

// A still webcam facing the player, who moves the head or a hand one way and holds.
Scenario PlayerMoves(const Scenes &scenes, int width, int height, int perCell, std::mt19937 &random,
                     unsigned seed) {
  Scenario s;
  std::uniform_real_distribution<double> unit(0, 1);
  const int lightings[] = {Normal, Dim, Normal60, Bright, Dim50};
  double t = 0;
  int group = 0;
  for (int rep = 0; rep < perCell; ++rep)
    for (int kind = 0; kind < 2; ++kind, ++group) {
      const bool head = kind == 0;
      auto figure = std::make_unique<Figure>(
          head ? MakeHead(static_cast<int>(width * 0.28), static_cast<int>(height * 0.5), seed + group)
               : MakeHand(static_cast<int>(width * 0.14), static_cast<int>(height * 0.24), seed + group));
      const Picture &scene = scenes.rooms[group % scenes.rooms.size()];
      const float fw = static_cast<float>(figure->picture.width);
      const float homeX = head ? (width - fw) / 2 : width * 0.62f,
                  homeY = head ? height * 0.28f : height * 0.35f;
      int order[] = {0, 1, 2, 3};
      std::shuffle(order, order + 4, random);
      for (int d : order) {
        // Each move starts from the home position, where the figure settles first.
        auto motions = std::make_unique<std::vector<Motion>>();
        const double start = t;
        const double set = t + 1.3 + 0.3 * unit(random);
        const double onset = set + 0.2 + 0.5 * unit(random);
        const double seconds = head ? 0.5 : 0.35;
        const double length = (head ? 0.16 : 0.22) * width;
        // The picture's content moves opposite to the board direction in x: Mirror steers.
        motions->push_back({onset, seconds, -DirX[d] * length, DirY[d] * length});
        const int lighting = lightings[(group / 2 + 3 * kind) % 5];
        s.trials.push_back({set, onset, onset + seconds + 0.8, DirX[d], DirY[d], kind, lighting});
        const std::vector<Motion> *m = motions.get();
        Shot shot;
        shot.from = start;
        shot.scene = &scene;
        shot.still = true;
        shot.view = [](double, float &x, float &y) { x = y = 4; };
        shot.lighting = Lightings[lighting];
        shot.figure = figure.get();
        shot.figureAt = [m, homeX, homeY, width, height](double time, float &x, float &y) {
          float dx, dy;
          Displacement(*m, time, dx, dy);
          x = homeX + dx + 0.004f * width * static_cast<float>(std::sin(2 * Pi * 0.21 * time));
          y = homeY + dy + 0.003f * height * static_cast<float>(std::sin(2 * Pi * 0.27 * time));
        };
        s.shots.push_back(std::move(shot));
        s.motions.push_back(std::move(motions));
        t = onset + seconds + 1.0;
      }
      s.figures.push_back(std::move(figure));
    }
  s.duration = t;
  return s;
}

double Percentile(std::vector<double> v, double p) {
  if (v.empty())
    return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<std::size_t>(p * (v.size() - 1) + 0.5))];
}

std::string Percent(int right, int total) {
  char text[16];
  if (total == 0)
    std::snprintf(text, sizeof text, "-");
  else
    std::snprintf(text, sizeof text, "%.0f", 100.0 * right / total);
  return text;
}

// What the summary keeps of one table row.
struct TrialFigures {
  double right = 0, directionGap = 0, latency = 0;
  int wrong = 0;
};

TrialFigures PrintTrials(const char *size, const char *pick, const Scenario &s, const ChainResult &r,
                         const char *const kinds[3]) {
  int right = 0, wrong = 0;
  int dirRight[4] = {}, dirAll[4] = {}, kindRight[3] = {}, kindAll[3] = {};
  std::vector<double> latencies;
  for (std::size_t i = 0; i < s.trials.size(); ++i) {
    const Trial &t = s.trials[i];
    const TrialOutcome &o = r.trials[i];
    const int d = t.dirX < 0 ? 0 : t.dirX > 0 ? 1 : t.dirY < 0 ? 2 : 3;
    ++dirAll[d];
    ++kindAll[t.kind];
    if (o.result == TrialOutcome::Right) {
      ++right;
      ++dirRight[d];
      ++kindRight[t.kind];
      latencies.push_back(o.latency * 1000);
    } else if (o.result == TrialOutcome::Wrong) {
      ++wrong;
    }
  }
  std::printf("%-8s %-7s %5zu %6s %5s %5s %5s %5s", size, pick, s.trials.size(),
              Percent(right, static_cast<int>(s.trials.size())).c_str(),
              Percent(dirRight[0], dirAll[0]).c_str(), Percent(dirRight[1], dirAll[1]).c_str(),
              Percent(dirRight[2], dirAll[2]).c_str(), Percent(dirRight[3], dirAll[3]).c_str());
  for (int k = 0; k < 3; ++k)
    if (kinds[k])
      std::printf(" %5s", Percent(kindRight[k], kindAll[k]).c_str());
  std::printf(" %6d %6.0f %6.0f %6.0f\n", wrong, Percentile(latencies, 0.5), Percentile(latencies, 0.9),
              Percentile(r.frameAges, 0.5) * 1000);
  TrialFigures figures;
  figures.right = 100.0 * right / std::max<std::size_t>(1, s.trials.size());
  double low = 100, high = 0;
  for (int d = 0; d < 4; ++d)
    if (dirAll[d] > 0) {
      low = std::min(low, 100.0 * dirRight[d] / dirAll[d]);
      high = std::max(high, 100.0 * dirRight[d] / dirAll[d]);
    }
  figures.directionGap = high - low;
  figures.latency = Percentile(latencies, 0.5);
  figures.wrong = wrong;
  return figures;
}

double PrintStill(const char *size, const char *pick, const Scenario &s, const ChainResult &r) {
  std::printf("%-8s %-7s", size, pick);
  double total = 0, worst = 0;
  for (std::size_t w = 0; w < s.still.size(); ++w) {
    const double minutes = (s.still[w].to - s.still[w].from - StillSettle) / 60.0;
    const double rate = r.spurious[w] / minutes;
    worst = std::max(worst, rate);
    total += r.spurious[w];
    std::printf(" %8.1f", rate);
  }
  std::printf("   worst %.1f\n", worst);
  return worst;
}

void TrialHeader(const char *title, const char *const kinds[3]) {
  std::printf("\n%s\n%-8s %-7s %5s %6s %5s %5s %5s %5s", title, "size", "frame", "pans", "right%", "left",
              "right", "up", "down");
  for (int k = 0; k < 3; ++k)
    if (kinds[k])
      std::printf(" %5s", kinds[k]);
  std::printf(" %6s %6s %6s %6s\n", "wrong1", "lat50", "lat90", "age50");
}

void StillHeader(const char *title, const Scenario &s, const char *const scenes[]) {
  std::printf("\n%s\n%-8s %-7s", title, "size", "frame");
  for (std::size_t w = 0; w < s.still.size(); ++w) {
    char label[32];
    std::snprintf(label, sizeof label, "%s:%s", scenes[w], Lightings[s.still[w].lighting].name.c_str());
    std::printf(" %8.8s", label);
  }
  std::printf("\n");
}

bool ParseOptions(int argc, char **argv, Options &o) {
  bool sizesGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--quick") {
      o.quick = true;
    } else if (a == "--held-out") {
      o.heldOut = true;
    } else if (a == "--seed" && i + 1 < argc) {
      o.seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
    } else if (a == "--sizes" && i + 1 < argc) {
      o.sizes.clear();
      sizesGiven = true;
      std::string list = argv[++i];
      for (std::size_t p = 0; p < list.size();) {
        int w = 0, h = 0;
        if (std::sscanf(list.c_str() + p, "%dx%d", &w, &h) != 2 || w < 16 || h < 16 || w > 1920 || h > 1080) {
          std::fprintf(stderr, "bench_steering: bad size list \"%s\"\n", list.c_str());
          return false;
        }
        o.sizes.push_back({w, h});
        const std::size_t comma = list.find(',', p);
        p = comma == std::string::npos ? list.size() : comma + 1;
      }
    } else if (a == "--table" && i + 1 < argc) {
      const std::string name = argv[++i];
      for (int t = 0; t < 4; ++t)
        if (name == TableNames[t])
          o.only = t;
      if (o.only < 0) {
        std::fprintf(stderr, "bench_steering: --table takes pans, still, player or player-still\n");
        return false;
      }
    } else if (a == "--frames" && i + 1 < argc) {
      const std::string f = argv[++i];
      if (f == "oldest")
        o.picks = {FramePick::Oldest};
      else if (f == "newest")
        o.picks = {FramePick::Newest};
      else if (f != "both") {
        std::fprintf(stderr, "bench_steering: --frames takes oldest, newest or both\n");
        return false;
      }
    } else {
      std::fprintf(stderr, "usage: bench_steering [--quick] [--held-out] [--seed N] [--sizes WxH,...] "
                           "[--frames oldest|newest|both] [--table pans|still|player|player-still]\n");
      return false;
    }
  }
  if (o.quick && !sizesGiven)
    o.sizes = {{320, 240}};
  return true;
}

} // namespace

int main(int argc, char **argv) {
  Options options;
  if (!ParseOptions(argc, argv, options))
    return 2;
  const auto began = std::chrono::steady_clock::now();
  const unsigned seed = options.seed + (options.heldOut ? 1000 : 0);
  const std::vector<Picture> photos = LoadPhotos(options.heldOut);
  if (photos.empty())
    std::fprintf(
        stderr,
        "bench_steering: no photographs found (Debian package mate-backgrounds); made-up scenes only\n");
  const int perCell = options.quick ? 1 : 4;
  const double stillSeconds = options.quick ? 15 : 30;
  std::printf("bench_steering: %s set, seed %u, %zu photographs, %d trial(s) per direction and speed\n",
              options.heldOut ? "held-out" : "tuning", options.seed, photos.size(), perCell);

  const char *const speeds[3] = {"slow", "med", "fast"};
  const char *const figures[3] = {"head", "hand", nullptr};
  const char *const stillScenes[] = {"photo", "room", "room", "room", "room", "wall", "wall", "wall", "wall"};
  std::vector<std::string> handRows, playerRows, stillRows, playerStillRows;
  struct Table {
    std::string title;
    std::vector<std::string> rows;
  };
  const char *pickNames[] = {"oldest", "newest"};
  struct Summary {
    TrialFigures pans, player;
    double still = -1, playerStill = -1;
  };
  std::vector<std::vector<Summary>> summary(options.sizes.size(), std::vector<Summary>(options.picks.size()));
  for (int table = 0; table < 4; ++table) {
    if (options.only >= 0 && table != options.only)
      continue;
    bool headerDone = false;
    for (std::size_t z = 0; z < options.sizes.size(); ++z) {
      const auto [width, height] = options.sizes[z];
      char size[16];
      std::snprintf(size, sizeof size, "%dx%d", width, height);
      std::mt19937 random(seed * 7919 + width);
      const Scenes scenes = MakeScenes(photos, width, height, seed);
      Camera camera(width, height, seed + width);
      ChainSetup setup{width, height, BlockMatching, static_cast<int>(SteeringDirection::FollowPicture),
                       0,     seed};
      Scenario s;
      std::unique_ptr<Figure> person;
      if (table == 0) {
        s = HandHeld(scenes, width, height, perCell, random);
      } else if (table == 1) {
        s = StillCamera(scenes, stillSeconds, nullptr);
      } else if (table == 2) {
        s = PlayerMoves(scenes, width, height, perCell * 2, random, seed);
        setup.mode = PlayerTracking;
        setup.direction = static_cast<int>(DefaultSteeringDirection(PlayerTracking));
      } else {
        person = std::make_unique<Figure>(
            MakeHead(static_cast<int>(width * 0.28), static_cast<int>(height * 0.5), seed));
        s = StillCamera(scenes, stillSeconds, person.get());
        setup.mode = PlayerTracking;
        setup.direction = static_cast<int>(DefaultSteeringDirection(PlayerTracking));
      }
      setup.duration = s.duration;
      camera.SetShots(s.shots);
      const std::vector<ChainResult> results = RunChains(camera, setup, s.trials, s.still, options.picks);
      if (!headerDone) {
        headerDone = true;
        if (table == 0)
          TrialHeader("Hand-held camera, BlockMatching, Follow the picture: pans", speeds);
        else if (table == 1)
          StillHeader("Still camera, BlockMatching: spurious turns a minute", s, stillScenes);
        else if (table == 2)
          TrialHeader("Still webcam facing the player, PlayerTracking, Mirror: head and hand moves", figures);
        else
          StillHeader("Still webcam, player sitting still, PlayerTracking: spurious turns a minute", s,
                      stillScenes);
      }
      std::vector<ChainResult> slow;
      if (table == 1) {
        // Webcams in dim light drop to 15 frames a second: flicker bands then roll steadily.
        Camera camera15(width, height, seed + width + 1, 15.0);
        camera15.SetShots(s.shots);
        slow = RunChains(camera15, setup, s.trials, s.still, options.picks);
      }
      for (std::size_t p = 0; p < results.size(); ++p) {
        const char *pick = pickNames[options.picks[p] == FramePick::Oldest ? 0 : 1];
        if (table == 1) {
          char name[16];
          std::snprintf(name, sizeof name, "%s@15", pick);
          const double normal = PrintStill(size, pick, s, results[p]);
          summary[z][p].still = std::max(normal, PrintStill(size, name, s, slow[p]));
          continue;
        }
        Summary &sum = summary[z][p];
        if (table == 0)
          sum.pans = PrintTrials(size, pick, s, results[p], speeds);
        else if (table == 2)
          sum.player = PrintTrials(size, pick, s, results[p], figures);
        else
          sum.playerStill = PrintStill(size, pick, s, results[p]);
      }
      std::fflush(stdout);
    }
  }
  if (options.only < 0) {
    std::printf(
        "\nSummary against the targets (pans >= 95 %% right, 0 wrong first turns, directions within 5 "
        "points;\nstill < 0.5 spurious turns a minute in every lighting; median latency <= 320 ms; "
        "player >= 90 %% right, < 0.5 spurious a minute)\n");
    std::printf("%-8s %-7s %6s %6s %6s %6s %7s %7s %7s\n", "size", "frame", "pans%", "dirgap", "wrong1",
                "lat50", "still/m", "player%", "pstill/m");
    for (std::size_t z = 0; z < options.sizes.size(); ++z)
      for (std::size_t p = 0; p < options.picks.size(); ++p) {
        const Summary &sum = summary[z][p];
        char size[16];
        std::snprintf(size, sizeof size, "%dx%d", options.sizes[z].first, options.sizes[z].second);
        const bool pass = sum.pans.right >= 95 && sum.pans.wrong == 0 && sum.pans.directionGap <= 5 &&
                          sum.still < 0.5 && sum.pans.latency <= 320 && sum.player.right >= 90 &&
                          sum.playerStill < 0.5;
        std::printf("%-8s %-7s %6.0f %6.0f %6d %6.0f %7.1f %7.0f %7.1f  %s\n", size,
                    pickNames[options.picks[p] == FramePick::Oldest ? 0 : 1], sum.pans.right,
                    sum.pans.directionGap, sum.pans.wrong, sum.pans.latency, sum.still, sum.player.right,
                    sum.playerStill, pass ? "all targets met" : "");
      }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  std::printf("\n(%.0f s)\n", seconds);
  return 0;
}
