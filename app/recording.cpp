#include "app/recording.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <vector>

#include "app/paths.h"
#include "app/startup.h"
#include "platform/recording.h"
#include "platform/window.h"
#include "state/app_state.h"
#include "state/game_settings.h"

namespace {

// The largest results file the score table reads: 5 levels x 90 records x 260 bytes + 512.
constexpr std::size_t kMaxResultsBytes = 117512;
// The camera steering choices' file is a few short lines; the game reads no more than this.
constexpr std::size_t kMaxSteeringBytes = 4096;

using Bytes = std::vector<unsigned char>;

// The first bytes of a regular file, or nothing when there is no such file.
std::optional<Bytes> ReadHead(const std::string &path, std::size_t limit) {
  std::error_code ec;
  if (path.empty() || !std::filesystem::is_regular_file(path, ec))
    return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return std::nullopt;
  Bytes bytes(limit);
  in.read(reinterpret_cast<char *>(bytes.data()), std::streamsize(limit));
  bytes.resize(std::size_t(in.gcount()));
  return bytes;
}

std::string Hex(const Bytes &bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    text.push_back(digits[b >> 4]);
    text.push_back(digits[b & 15]);
  }
  return text;
}

bool FromHex(const std::string &text, Bytes *out) {
  if (text.size() % 2)
    return false;
  out->clear();
  for (std::size_t i = 0; i < text.size(); i += 2) {
    unsigned value = 0;
    auto [end, status] = std::from_chars(text.data() + i, text.data() + i + 2, value, 16);
    if (status != std::errc() || end != text.data() + i + 2)
      return false;
    out->push_back(static_cast<unsigned char>(value));
  }
  return true;
}

std::string Digest64(std::uint64_t h) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
  return text;
}

std::string FileDigest(const std::string &path) {
  std::optional<Bytes> bytes = ReadHead(path, kMaxResultsBytes + 1);
  if (!bytes)
    return "none";
  std::uint64_t h = 14695981039346656037ull;
  for (unsigned char b : *bytes)
    h = (h ^ b) * 1099511628211ull;
  return Digest64(h);
}

// The thirteen values of the settings file, as the run holds them.
std::string SettingsLine(const GameSettings &s) {
  std::string line;
  for (std::int32_t v : {s.startInterval, s.boardSize, s.startLength, s.foodsPerSpeedUp, s.scoresPerLevel,
                         s.trailCapacity, s.turnThreshold, s.minThreshold})
    line += std::to_string(v) + " ";
  for (float v :
       {s.thresholdDecay, s.blockPeakRatio, s.blockMinContrast, s.profilePeakRatio, s.profileMinContrast}) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g ", double(v));
    line += text;
  }
  line.pop_back();
  return line;
}

// Runs the program once: atStart runs once the platform runs, atEnd after the message loop
// ends, while it still runs.
int RunOnce(std::unique_ptr<Backend> screen, HINSTANCE instance, const std::string &settingsFile,
            const std::string &resultsFile, const std::function<void()> &atStart,
            const std::function<void(int)> &atEnd) {
  PlatformStart(std::move(screen));
  SetStartupFiles(settingsFile, resultsFile);
  if (atStart)
    atStart();
  int code = VexmoorEntry(instance, SW_SHOW);
  if (atEnd)
    atEnd(code);
  PlatformStop();
  return code;
}

// What a replay needs from a recording's own lines, read and checked before anything runs.
struct Plan {
  std::uint32_t clock = 0, seed = 0, end = 0;
  int cameraBuilt = 0, exitCode = 0;
  std::int32_t score = 0;
  std::string settings, board, resultsEnd, camera;
  std::optional<Bytes> resultsStart, steeringStart;
  StartupChoices choices;
};

template <typename T> bool Number(const std::string &text, T *out) {
  const char *first = text.data(), *last = text.data() + text.size();
  auto [end, status] = std::from_chars(first, last, *out);
  return !text.empty() && status == std::errc() && end == last;
}

bool IsDigest(const std::string &text) {
  Bytes ignored;
  return text.size() == 16 && FromHex(text, &ignored);
}

bool ReadPlan(const Recording &r, Plan *plan, std::string *error) {
  for (const char *name : {"clock", "seed", "settings", "results-start", "camera-built", "exit", "end",
                           "score", "board", "results-end"})
    if (!r.Note(name)) {
      *error =
          std::string("no '") + name + "' line" +
          (r.Note("clock") && !r.Note("end") ? " (the recorded run did not end, or the file is cut short)"
                                             : "");
      return false;
    }
  auto bad = [error](const char *name, const char *what) {
    *error = std::string("the '") + name + "' line needs " + what;
    return false;
  };
  if (!Number(*r.Note("clock"), &plan->clock))
    return bad("clock", "a loop time in milliseconds");
  if (!Number(*r.Note("seed"), &plan->seed))
    return bad("seed", "a whole number from 0 to 4294967295");
  if (!Number(*r.Note("camera-built"), &plan->cameraBuilt) ||
      (plan->cameraBuilt != 0 && plan->cameraBuilt != 1))
    return bad("camera-built", "1 or 0");
  if (!Number(*r.Note("exit"), &plan->exitCode))
    return bad("exit", "an exit code");
  if (!Number(*r.Note("end"), &plan->end))
    return bad("end", "a loop time in milliseconds");
  if (!Number(*r.Note("score"), &plan->score))
    return bad("score", "a whole number");
  plan->board = *r.Note("board");
  if (!IsDigest(plan->board))
    return bad("board", "16 hexadecimal digits");
  plan->resultsEnd = *r.Note("results-end");
  if (plan->resultsEnd != "none" && !IsDigest(plan->resultsEnd))
    return bad("results-end", "16 hexadecimal digits or 'none'");
  const std::string &start = *r.Note("results-start");
  if (start != "none") {
    Bytes bytes;
    if (start.size() > 2 * kMaxResultsBytes || !FromHex(start, &bytes))
      return bad("results-start", "the file's bytes in hexadecimal (at most 117512) or 'none'");
    plan->resultsStart = std::move(bytes);
  }
  plan->settings = *r.Note("settings");
  if (const std::string *camera = r.Note("camera"))
    plan->camera = *camera;
  // Recordings made before the camera choices were kept start from the defaults.
  if (const std::string *steering = r.Note("steering-start"); steering && *steering != "none") {
    Bytes bytes;
    if (steering->size() > 2 * kMaxSteeringBytes || !FromHex(*steering, &bytes))
      return bad("steering-start", "the file's bytes in hexadecimal (at most 4096) or 'none'");
    plan->steeringStart = std::move(bytes);
  }
  if (const std::string *steer = r.Note("steer"))
    plan->choices.steer = *steer;
  if (const std::string *mode = r.Note("camera-mode"))
    plan->choices.cameraMode = *mode;
  if (const std::string *view = r.Note("camera-view"))
    plan->choices.cameraView = *view == "1";
  if (!r.inputs.empty() && r.inputs.front().at < plan->clock) {
    *error =
        "the first input, at " + std::to_string(r.inputs.front().at) + " ms, comes before the clock starts";
    return false;
  }
  return true;
}

bool WriteFile(const std::string &path, const void *data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char *>(data), std::streamsize(size));
  return bool(out.flush());
}

// A folder of our own for the replay's files and its instance socket, removed at the end.
class ReplayFolder {
public:
  ReplayFolder() {
    std::string base = std::filesystem::temp_directory_path().string() + "/vexmoor-replay-XXXXXX";
    std::vector<char> name(base.begin(), base.end());
    name.push_back('\0');
    if (mkdtemp(name.data()))
      path = name.data();
  }
  ~ReplayFolder() {
    std::error_code ignored;
    if (!path.empty())
      std::filesystem::remove_all(path, ignored);
  }
  std::string path;
};

// Points an environment variable elsewhere for a while.
class EnvironmentOverride {
public:
  EnvironmentOverride(const char *name, const std::string &value) : name_(name) {
    if (const char *old = std::getenv(name))
      old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~EnvironmentOverride() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }

private:
  const char *name_;
  std::optional<std::string> old_;
};

} // namespace

int RunVexmoor(std::unique_ptr<Backend> screen, HINSTANCE instance, const std::string &settingsFile,
               const std::string &resultsFile, const std::string &camera, const std::string &recordFile) {
  if (recordFile.empty())
    return RunOnce(std::move(screen), instance, settingsFile, resultsFile, nullptr, nullptr);
  std::string error;
  if (!StartRecording(recordFile, &error)) {
    std::fprintf(stderr, "vexmoor: --record: %s\n", error.c_str());
    return 2;
  }
  // The seed is the loop's clock at the start, as without a recording, but written down.
  auto atStart = [&] {
    std::uint32_t clock = GetTickCount();
    GameSettings settings;
    settings.Load(settingsFile);
    std::optional<Bytes> results = ReadHead(resultsFile, kMaxResultsBytes);
    RecordNote("clock", std::to_string(clock));
    RecordNote("seed", std::to_string(clock));
    RecordNote("camera", camera);
    RecordNote("settings", SettingsLine(settings));
    RecordNote("results-start", results ? Hex(*results) : "none");
    // The camera choices the run starts with: the kept ones, then the command line's.
    std::optional<Bytes> steering = ReadHead(SteeringFilePath(settingsFile), kMaxSteeringBytes);
    RecordNote("steering-start", steering ? Hex(*steering) : "none");
    const StartupChoices &choices = CurrentStartupChoices();
    if (!choices.steer.empty())
      RecordNote("steer", choices.steer);
    if (!choices.cameraMode.empty())
      RecordNote("camera-mode", choices.cameraMode);
    if (choices.cameraView)
      RecordNote("camera-view", "1");
    SetStartupSeed(clock);
  };
  auto atEnd = [&](int code) {
    RecordNote("camera-built", std::to_string(CameraBuildResult() == 1 ? 1 : 0));
    RecordNote("exit", std::to_string(code));
    RecordNote("end", std::to_string(GetTickCount()));
    RecordNote("score", std::to_string(g_app.score));
    RecordNote("board", Digest64(BoardDigestAtClose()));
    RecordNote("results-end", FileDigest(resultsFile));
  };
  int code = RunOnce(std::move(screen), instance, settingsFile, resultsFile, atStart, atEnd);
  if (!StopRecording(&error)) {
    std::fprintf(stderr, "vexmoor: --record: %s\n", error.c_str());
    if (code == 0)
      code = 1;
  }
  return code;
}

int ReplayRecording(const std::string &recordFile, HINSTANCE instance, std::unique_ptr<Backend> window) {
  Recording recording;
  Plan plan;
  std::string error;
  if (!ReadRecording(recordFile, &recording, &error)) {
    std::fprintf(stderr, "vexmoor: --replay: %s\n", error.c_str());
    return 2;
  }
  if (!ReadPlan(recording, &plan, &error)) {
    std::fprintf(stderr, "vexmoor: --replay: %s: %s\n", recordFile.c_str(), error.c_str());
    return 2;
  }
  ReplayFolder folder;
  if (folder.path.empty()) {
    std::fprintf(stderr, "vexmoor: --replay: cannot make a temporary folder\n");
    return 1;
  }
  std::string settingsFile = folder.path + "/settings.txt", resultsFile = folder.path + "/results.txt";
  std::string settingsText = plan.settings + "\n";
  const std::string steeringFile = SteeringFilePath(settingsFile);
  bool written =
      WriteFile(settingsFile, settingsText.data(), settingsText.size()) &&
      (!plan.resultsStart || WriteFile(resultsFile, plan.resultsStart->data(), plan.resultsStart->size())) &&
      (!plan.steeringStart ||
       WriteFile(steeringFile, plan.steeringStart->data(), plan.steeringStart->size()));
  if (!written) {
    std::fprintf(stderr, "vexmoor: --replay: cannot write in %s\n", folder.path.c_str());
    return 1;
  }
  // Values the game would refuse, or text it cannot read, would replay a different run.
  GameSettings settings;
  settings.Load(settingsFile);
  if (SettingsLine(settings) != plan.settings) {
    std::fprintf(stderr,
                 "vexmoor: --replay: %s: the 'settings' line is not thirteen values the game runs with\n",
                 recordFile.c_str());
    return 2;
  }

  auto timeline = std::make_unique<HeadlessBackend>(plan.clock);
  HeadlessBackend *t = timeline.get();
  for (const Recording::Input &input : recording.inputs)
    t->QueueEvent(input.at, input.event);
  std::vector<std::string> differences;
  bool closing = false;
  // A run that goes on past the recording is ended, so the replay always ends.
  auto closeNow = [&](const std::string &why) {
    if (closing)
      return;
    closing = true;
    differences.push_back(why);
    InputEvent close;
    close.kind = InputEvent::Kind::CloseRequest;
    t->QueueEvent(t->NowMs(), close);
  };
  t->onStall = [&] { closeNow("the program waited for input after the recording's last one"); };
  t->onIdle = [&](HeadlessBackend &b) {
    if (b.NowMs() > plan.end)
      closeNow("the program was still running at loop time " + std::to_string(plan.end) +
               " ms, where it ended");
  };
  std::unique_ptr<Backend> backend = std::move(timeline);
  if (window)
    backend = CreateWatchedBackend(
        std::unique_ptr<HeadlessBackend>(static_cast<HeadlessBackend *>(backend.release())),
        std::move(window), [&] { closeNow("the replay was stopped before its end"); });

  // The replay has its own instance socket: it neither reaches nor answers a running game.
  EnvironmentOverride runtime("XDG_RUNTIME_DIR", folder.path);
  ResetAppState();
  SetStartupSeed(plan.seed);
  SetStartupChoices(plan.choices);
  AssumeCameraBuild(plan.cameraBuilt, plan.camera != "none");
  std::uint32_t end = 0;
  std::size_t leftOver = 0;
  int code = RunOnce(std::move(backend), instance, settingsFile, resultsFile, nullptr, [&](int) {
    end = GetTickCount();
    leftOver = t->Pending();
  });
  auto differ = [&](const char *what, const std::string &got, const std::string &recorded) {
    if (got != recorded)
      differences.push_back(std::string(what) + " " + got + ", recorded " + recorded);
  };
  differ("exit code", std::to_string(code), std::to_string(plan.exitCode));
  differ("end at loop time", std::to_string(end), std::to_string(plan.end));
  differ("score", std::to_string(g_app.score), std::to_string(plan.score));
  differ("board", Digest64(BoardDigestAtClose()), plan.board);
  differ("results file", FileDigest(resultsFile), plan.resultsEnd);
  if (leftOver)
    differences.push_back(std::to_string(leftOver) + " recorded inputs were never taken");
  for (const std::string &d : differences)
    std::fprintf(stderr, "vexmoor: replay of %s diverged: %s\n", recordFile.c_str(), d.c_str());
  if (!differences.empty())
    return 1;
  std::printf("vexmoor: %s replays as recorded: %zu inputs, score %d, ended at loop time %u ms\n",
              recordFile.c_str(), recording.inputs.size(), int(plan.score), unsigned(plan.end));
  return 0;
}
