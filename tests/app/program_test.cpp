// The program itself, started as a process on SDL's dummy display: a second start, --close,
// closing signals and --camera choices that must not hang start-up.

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "child_process.h"
#include "platform/backend.h"
#include "platform/window.h"

namespace {

std::unique_ptr<ChildProcess> Program(std::vector<std::string> args,
                                      const std::string &set = "SDL_VIDEODRIVER=dummy") {
  args.insert(args.begin(), VEXMOOR_PROGRAM);
  return std::make_unique<ChildProcess>(args, std::vector<std::string>{set});
}

// True once a running copy answers on the instance socket (within 10 s).
bool RunningCopyAnswers() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    PlatformStart(std::make_unique<HeadlessBackend>());
    const bool found = FindWindowW(u"VEXMOOR", u"Vex Moor") != nullptr;
    PlatformStop();
    if (found)
      return true;
    poll(nullptr, 0, 5);
  }
  return false;
}

TEST(Program, ASecondStartRaisesTheFirstAndCloseEndsItWithItsScoresSaved) {
  const TempFolder data;
  auto first = Program({"--camera", "none", "--data-dir", data.path});
  ASSERT_TRUE(RunningCopyAnswers());
  // The second start makes no window at all: with no display to open it still ends well.
  auto second = Program({"--camera", "none", "--data-dir", data.path}, "SDL_VIDEODRIVER=no-such-display");
  EXPECT_EQ(second->Wait(5000), 0) << second->Errors();
  EXPECT_EQ(kill(first->Pid(), 0), 0) << "the first copy still runs";

  auto close = Program({"--close"});
  EXPECT_EQ(close->Wait(5000), 0) << close->Errors();
  EXPECT_EQ(first->Wait(5000), 0);
  EXPECT_EQ(std::filesystem::file_size(data.path + "/results.txt"), 7012u);

  auto nobody = Program({"--close"});
  EXPECT_EQ(nobody->Wait(5000), 1);
  EXPECT_EQ(nobody->Errors(), "vexmoor: no running instance to close\n");
  auto told = Program({"--close"}, "VEXMOOR_DEBUG=1");
  EXPECT_EQ(told->Wait(5000), 1);
  EXPECT_NE(told->Errors().find("vexmoor: debug: instance socket "), std::string::npos);
}

// As a session ends it, or a terminal closes, or a user quits: the scores are saved just once.
TEST(Program, ClosingSignalsCloseInOrderAndSaveOnce) {
  for (int number : {SIGTERM, SIGHUP, SIGQUIT}) {
    SCOPED_TRACE(number);
    const TempFolder data;
    auto game = Program({"--camera", "none", "--data-dir", data.path, "--verbose"});
    ASSERT_TRUE(RunningCopyAnswers());
    kill(game->Pid(), number);
    EXPECT_EQ(game->Wait(5000), 0);
    const std::string saved = "vexmoor: info: scores saved to " + data.path + "/results.txt";
    const std::string errors = game->Errors();
    const std::size_t at = errors.find(saved);
    EXPECT_TRUE(at != std::string::npos && errors.find(saved, at + 1) == std::string::npos) << errors;
  }
}

// Only a regular file is a video; nothing else may hang start-up or be misnamed.
TEST(Program, CameraChoicesThatAreNoVideoFileAreRefusedAtOnceWithTheirReason) {
  const TempFolder data;
  ASSERT_EQ(mkfifo((data.path + "/pipe").c_str(), 0600), 0);
  const std::pair<std::string, std::string> cases[] = {
      {data.path + "/pipe", "it is a FIFO, not a video file"},
      {"/dev/null", "it is a device that is not a camera, not a video file"},
      {data.path, "it is a folder, not a video file"},
      {data.path + "/missing.mkv", "No such file or directory"},
  };
  for (const auto &[choice, reason] : cases) {
    auto refused = Program({"--camera", choice});
    EXPECT_EQ(refused->Wait(5000), 2) << choice;
    EXPECT_EQ(refused->Errors(),
              "vexmoor: --camera: cannot read video file " + choice + ": " + reason + "\n");
  }
}

} // namespace
