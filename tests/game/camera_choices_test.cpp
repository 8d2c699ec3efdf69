// The camera steering choices: the menu, the file that keeps them, and a recording that starts
// from them.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/recording.h"
#include "app/startup.h"
#include "capture/camera_source.h"
#include "game/camera_choices.h"
#include "motion/camera_tracker.h"
#include "motion/point_trail.h"
#include "platform/backend.h"
#include "platform/recording.h"
#include "platform/resources.h"
#include "platform/window.h"
#include "resources/resource_ids.h"
#include "resources/vexmoor_resources.h"
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

std::string Steering(const std::string &folder) { return folder + "/steering.txt"; }

// Keys one after another, 3 ms apart from atMs.
void Keys(GameHarness &h, std::uint64_t atMs, std::initializer_list<std::uint32_t> keys) {
  for (std::uint32_t key : keys)
    h.Key(atMs, key), atMs += 3;
}

// Each menu choice steers at once, moves the check marks and is kept; Player tracking brings
// Mirror with it and keeps its own choice apart from the whole picture's.
TEST(CameraChoices, TheMenuChangesKeepsAndChecksThem) {
  GameHarness h;
  h.OpenGameScreen(10);
  Keys(h, 20, {VK_F1, '3', '1'}); // Control by, Camera
  h.At(40, [] {
    EXPECT_EQ(g_app.padControl, 0);
    EXPECT_EQ(CurrentSteeringDirection(), SteeringDirection::FollowPicture);
  });
  Keys(h, 50, {VK_F1, '3', '4', '2'}); // Control by, Tracking, Player
  h.At(70, [&] {
    EXPECT_EQ(g_app.tracker->mode, PlayerTracking);
    EXPECT_EQ(CurrentSteeringDirection(), SteeringDirection::Mirror);
    EXPECT_TRUE(MenuChecked(g_app.gameMenu, IDM_STEER_MIRROR));
    EXPECT_FALSE(MenuChecked(g_app.gameMenu, IDM_TRACK_WHOLE_PICTURE));
  });
  h.Command(80, IDM_STEER_CAMERA);
  h.Command(90, IDM_TRACK_WHOLE_PICTURE);
  h.At(100, [&] {
    EXPECT_EQ(g_app.tracker->mode, BlockMatching);
    EXPECT_EQ(CurrentSteeringDirection(), SteeringDirection::FollowPicture);
    EXPECT_TRUE(MenuChecked(g_app.gameMenu, IDM_STEER_PICTURE));
  });
  h.Command(110, IDM_TRACK_PLAYER);
  h.At(120, [&] {
    EXPECT_EQ(CurrentSteeringDirection(), SteeringDirection::FollowCamera);
    EXPECT_EQ(Read(Steering(h.folder)).substr(Read(Steering(h.folder)).find('\n') + 1),
              "camera-mode player\nsteer-player camera\n");
  });
  EXPECT_EQ(h.Run(200), 0);

  // The next run starts from what was kept.
  GameHarness next;
  Write(Steering(next.folder), Read(Steering(h.folder)));
  next.OpenGameScreen(10);
  next.At(20, [] {
    EXPECT_EQ(g_app.tracker->mode, PlayerTracking);
    EXPECT_EQ(CurrentSteeringDirection(), SteeringDirection::FollowCamera);
    EXPECT_TRUE(MenuChecked(g_app.gameMenu, IDM_STEER_CAMERA));
  });
  EXPECT_EQ(next.Run(100), 0);
}

// A file the game cannot take keeps every default and is told once; it is never a crash.
TEST(CameraChoices, ABadOrUnreadableFileKeepsTheDefaultsWithOneWarning) {
  char base[] = "/tmp/vexmoor-choices-XXXXXX";
  const std::string folder = mkdtemp(base);
  const std::string path = Steering(folder);
  const std::string cases[] = {
      "camera-mode player\nsteer-player sideways\n",
      "camera-mode player\nsteer-player camera mirror\n",
      "camera-mode hand\n",
      "steer-block\n",
      "volume 11\n",
      std::string("camera-mode player\n\0\xff", 21),
      std::string(5000, '#'),
  };
  for (const std::string &text : cases) {
    Write(path, text);
    testing::internal::CaptureStderr();
    LoadCameraChoices(path);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(CurrentTrackingChoice(), TrackingChoice::WholePicture) << text;
    EXPECT_EQ(ChosenSteering(), SteeringDirection::FollowPicture) << text;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find(path), std::string::npos) << said;
  }
  // A folder where the file should be cannot be read.
  std::filesystem::remove(path);
  std::filesystem::create_directory(path);
  testing::internal::CaptureStderr();
  LoadCameraChoices(path);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot be read"), std::string::npos);
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

// A recording starts from the kept choices it found, whatever the file holds when it is
// replayed.
TEST(CameraChoices, ARecordingReplaysFromTheChoicesItStartedWith) {
  char base[] = "/tmp/vexmoor-choices-XXXXXX";
  const std::string folder = mkdtemp(base);
  Write(Steering(folder), "steer-block camera\n");
  auto screen = std::make_unique<HeadlessBackend>(1000);
  HeadlessBackend &s = *screen;
  s.QueueKey(1100, VK_F1); // "Ok"
  std::uint64_t at = 1200;
  for (std::uint32_t key :
       {std::uint32_t(VK_F1), std::uint32_t('3'), std::uint32_t('1'), std::uint32_t(VK_F1),
        std::uint32_t('2'), std::uint32_t('1')}) // camera steering, then Level 1
    s.QueueKey(at += 10, key);
  // The picture moves up: followed by the camera, the snake goes down.
  for (int i = 0; i < 30; ++i)
    s.QueueMotion(1500 + 50 * i, 0, 24, true);
  InputEvent close;
  close.kind = InputEvent::Kind::CloseRequest;
  s.QueueEvent(3500, close);
  std::string error;
  SetCameraSource("none", &error);
  ResetAppState();
  HINSTANCE instance = CreateModule(&VexmoorResources());
  const std::string recorded = folder + "/run.rec";
  ASSERT_EQ(RunVexmoor(std::move(screen), instance, folder + "/settings.txt", folder + "/results.txt", "none",
                       recorded),
            0);
  EXPECT_EQ(g_app.board, nullptr);
  Write(Steering(folder), "steer-block picture\n");
  testing::internal::CaptureStdout();
  EXPECT_EQ(ReplayRecording(recorded, instance, nullptr), 0);
  testing::internal::GetCapturedStdout();
  // Without the note the replay starts from the defaults, and the snake goes another way.
  std::string text = Read(recorded);
  const std::size_t note = text.find("steering-start ");
  ASSERT_NE(note, std::string::npos);
  text.erase(note, text.find('\n', note) + 1 - note);
  Write(recorded, text);
  testing::internal::CaptureStderr();
  EXPECT_EQ(ReplayRecording(recorded, instance, nullptr), 1);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("diverged: board"), std::string::npos);
  DestroyModule(instance);
  ResetAppState();
  std::filesystem::remove_all(folder);
}

} // namespace
