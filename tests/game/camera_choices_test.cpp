// The camera steering choices kept in steering.txt: written as the menu changes them, read at
// the next start, and a file the game cannot take refused with one line. How the choices steer
// is replayed (tests/replay/steering.rec starts from the choices kept when it was recorded).

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "game/camera_choices.h"
#include "motion/camera_tracker.h"
#include "motion/point_trail.h"
#include "platform/window.h"
#include "resources/resource_ids.h"
#include "state/app_state.h"
#include "support/game_harness.h"

namespace {

std::string Read(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void Write(const std::string &path, const std::string &text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Player tracking keeps its own steering apart from the whole picture's; only what differs
// from the defaults is written, and the next run starts from it with its check marks.
TEST(CameraChoices, TheMenusChoicesAreKeptForTheNextRun) {
  GameHarness h;
  h.OpenGameScreen(10);
  h.Command(20, IDM_TRACK_PLAYER);
  h.Command(30, IDM_STEER_CAMERA);
  h.Command(40, IDM_TRACK_WHOLE_PICTURE);
  h.Command(50, IDM_TRACK_PLAYER);
  EXPECT_EQ(h.Run(100), 0);
  const std::string kept = Read(h.folder + "/steering.txt");
  EXPECT_EQ(kept.substr(kept.find('\n') + 1), "camera-mode player\nsteer-player camera\n");

  GameHarness next;
  Write(next.folder + "/steering.txt", kept);
  next.OpenGameScreen(10);
  next.At(20, [] {
    EXPECT_EQ(g_app.tracker->mode, PlayerTracking);
    EXPECT_EQ(CurrentSteeringDirection(), SteeringDirection::FollowCamera);
    EXPECT_TRUE(MenuChecked(g_app.gameMenu, IDM_STEER_CAMERA));
    EXPECT_FALSE(MenuChecked(g_app.gameMenu, IDM_TRACK_WHOLE_PICTURE));
  });
  EXPECT_EQ(next.Run(100), 0);
}

// A file the game cannot take keeps every default and is told once; it is never a crash.
TEST(CameraChoices, ABadOrUnreadableFileKeepsTheDefaultsWithOneWarning) {
  char base[] = "/tmp/vexmoor-choices-XXXXXX";
  const std::string folder = mkdtemp(base);
  const std::string path = folder + "/steering.txt";
  const std::string cases[] = {
      "camera-mode player\nsteer-player sideways\n",
      "camera-mode player\nsteer-player camera mirror\n",
      "camera-mode hand\n",
      "steer-block\n",
      "volume 11\n",
      std::string("camera-mode player\n\0\xff", 21),
      std::string(5000, '#'),
      "", // a folder where the file should be: "cannot be read"
  };
  for (const std::string &text : cases) {
    SCOPED_TRACE(text.substr(0, 40));
    if (text.empty())
      std::filesystem::remove(path), std::filesystem::create_directory(path);
    else
      Write(path, text);
    testing::internal::CaptureStderr();
    LoadCameraChoices(path);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(CurrentTrackingChoice(), TrackingChoice::WholePicture);
    EXPECT_EQ(ChosenSteering(), SteeringDirection::FollowPicture);
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find(path), std::string::npos) << said;
  }
  // Comments, blank lines and a missing file are fine, and silent.
  std::filesystem::remove(path);
  Write(path, "# mine\n\ncamera-mode player\r\nsteer-block mirror\n");
  testing::internal::CaptureStderr();
  LoadCameraChoices(path);
  EXPECT_EQ(CurrentTrackingChoice(), TrackingChoice::Player);
  EXPECT_EQ(ChosenSteering(), SteeringDirection::Mirror); // Player's default; block's choice is its own
  LoadCameraChoices(folder + "/missing.txt");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  std::filesystem::remove_all(folder);
}

} // namespace
