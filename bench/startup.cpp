// Time from process start to the first frame shown on the screen, with no camera:
// runs the game with --exit-after-first-frame and times the whole process.
// Run it on a display, e.g. `xvfb-run -a build/bench/bench_startup`.

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

extern char **environ;

namespace {

// A folder for the runs' settings and results, removed when the benchmark ends.
struct TempFolder {
  std::string path;
  TempFolder() {
    char base[] = "/tmp/vexmoor-bench-XXXXXX";
    path = mkdtemp(base) ? base : "";
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path.empty())
      std::filesystem::remove_all(path, ignored);
  }
};

void BM_StartToFirstFrame(benchmark::State &state) {
  static TempFolder temp;
  const std::string &folder = temp.path;
  std::string settings = folder + "/settings.txt";
  const char *argv[] = {VEXMOOR_BINARY, "--camera",     "none",       "--exit-after-first-frame",
                        "--data-dir",   folder.c_str(), "--settings", settings.c_str(),
                        nullptr};
  for (auto _ : state) {
    int out[2];
    if (pipe(out) != 0) {
      state.SkipWithError("no pipe");
      return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    auto start = std::chrono::steady_clock::now();
    pid_t pid;
    int spawned = posix_spawn(&pid, VEXMOOR_BINARY, &actions, nullptr, const_cast<char **>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
      close(out[0]);
      state.SkipWithError("cannot start the game");
      return;
    }
    // The game writes a line when its first frame is on the screen.
    char c = 0;
    while (read(out[0], &c, 1) == 1 && c != '\n') {
    }
    auto end = std::chrono::steady_clock::now();
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("the game did not start (is there a display?)");
      return;
    }
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
}
BENCHMARK(BM_StartToFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

BENCHMARK_MAIN();
