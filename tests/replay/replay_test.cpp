// Recorded games replayed headless: the recordings under tests/replay/ were made by the real
// program under Xvfb (tools/record_game.sh) or by headless runs of scripted input; each must
// end as it ended then. A replay that
// goes another way, and a file that is not a recording, are told apart from a good replay.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/recording.h"
#include "app/startup.h"
#include "capture/camera_source.h"
#include "platform/recording.h"
#include "platform/resources.h"
#include "platform/window.h"
#include "resources/vexmoor_resources.h"
#include "state/app_state.h"

namespace {

const std::string kFolder = VEXMOOR_RECORDINGS;

std::string Read(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class Replay : public ::testing::Test {
protected:
  void SetUp() override {
    char base[] = "/tmp/vexmoor-replay-test-XXXXXX";
    folder = mkdtemp(base) ? base : "";
    ASSERT_FALSE(folder.empty());
    instance = CreateModule(&VexmoorResources());
  }
  void TearDown() override {
    DestroyModule(instance);
    ResetAppState();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
  int Play(const std::string &path) { return ReplayRecording(path, instance, nullptr); }
  std::string Write(const std::string &name, const std::string &text) {
    std::string path = folder + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  Recording Load(const std::string &path) {
    Recording r;
    std::string error;
    EXPECT_TRUE(ReadRecording(path, &r, &error)) << error;
    return r;
  }
  int Count(const Recording &r, InputEvent::Kind kind) {
    int n = 0;
    for (const auto &input : r.inputs)
      n += input.event.kind == kind;
    return n;
  }
  std::string folder;
  HINSTANCE instance = nullptr;
};

TEST_F(Replay, RecordedGamesEndAsTheyEndedOnScreen) {
  // A pad game at Level 3 with two foods a speed-up: the loop fell behind real time there and
  // caught up, which the replay must do at the same moments.
  std::string pad = kFolder + "/pad_level3.rec";
  Recording r = Load(pad);
  EXPECT_GE(std::stoi(*r.Note("score")), 4); // two speed-ups at least
  EXPECT_GT(Count(r, InputEvent::Kind::CatchUp), 0);
  EXPECT_EQ(Play(pad), 0);
  EXPECT_EQ(g_app.gameLevel, 2);
  EXPECT_LT(g_app.tickInterval, 200.0f * 0.8f * 0.8f + 0.01f);

  // A Level 4 game ended by starvation with a score that enters the table: the name is typed
  // into the name-entry dialog and the results file changes.
  std::string name = kFolder + "/name_entry.rec";
  r = Load(name);
  int typed = 0; // keys that typed text: the name
  for (const auto &input : r.inputs)
    typed += input.event.kind == InputEvent::Kind::Key && !input.event.text.empty();
  EXPECT_GE(typed, 3);
  EXPECT_NE(*r.Note("results-end"), "none");
  EXPECT_EQ(Play(name), 0);
  EXPECT_GE(g_app.score, 1);
  EXPECT_EQ(std::u16string(g_app.playerName).substr(0, 3), u"Ann");

  // A camera game: the test picture's reports came from the streaming thread through the door.
  std::string camera = kFolder + "/camera.rec";
  r = Load(camera);
  EXPECT_EQ(*r.Note("camera-built"), "1");
  EXPECT_GT(Count(r, InputEvent::Kind::Motion), 100);
  EXPECT_EQ(Play(camera), 0);
  EXPECT_EQ(g_app.padControl, 0);
  EXPECT_GE(g_app.score, 1);

  // Headless runs, their inputs scripted: "New game" chosen with the digit 1 ends a game of 2
  // points, and the digit is not typed into the name field; "Annx", Escape (the Back key) and
  // Enter leave Ann in the results file, which "Exit" saves as it ends the program. A game controller chooses
  // Level 2 with two pushes of the stick (however far each goes), steers with the stick and the d-pad, is
  // unplugged with its stick held and plugged in again.
  EXPECT_EQ(Play(kFolder + "/menu_digit_name.rec"), 0);
  EXPECT_EQ(std::u16string(g_app.playerName), u"Ann");
  EXPECT_EQ(Play(kFolder + "/gamepad.rec"), 0);
  EXPECT_EQ(g_app.gameLevel, 1);

  // A Level 4 game steered by a camera that reports nothing: "Block screen" holds the board
  // and the clocks until it is turned off in the menu, reached with the arrow keys (after the
  // menu was opened and backed out of).
  EXPECT_EQ(Play(kFolder + "/block_screen.rec"), 0);
  EXPECT_TRUE(g_app.gameRunning);
  EXPECT_FALSE(g_app.blockScreenOption);

  // Camera steering that starts from the kept "Follow the camera": Player tracking brings
  // "Mirror" with it, and going back to the whole picture brings back its own choice. Without
  // its note of the kept choices the replay starts from the defaults and goes another way.
  EXPECT_EQ(Play(kFolder + "/steering.rec"), 0);
  std::string text = Read(kFolder + "/steering.rec");
  const std::size_t note = text.find("steering-start ");
  text.erase(note, text.find('\n', note) + 1 - note);
  testing::internal::CaptureStderr();
  EXPECT_EQ(Play(Write("unsteered.rec", text)), 1);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("diverged: board"), std::string::npos);
}

TEST_F(Replay, AReplayThatGoesAnotherWayIsToldAndStillEnds) {
  // Level 2 chosen where Level 3 was: the same keys play another game.
  std::string text = Read(kFolder + "/pad_level3.rec");
  std::size_t level = text.find(" key 51 ");
  ASSERT_NE(level, std::string::npos);
  text.replace(level, 7, " key 50");
  testing::internal::CaptureStderr();
  EXPECT_EQ(Play(Write("changed.rec", text)), 1);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("diverged: board"), std::string::npos);

  // Without its close request the program would run for ever: the replay ends it.
  text = Read(kFolder + "/name_entry.rec");
  std::size_t close = text.find(" close\n");
  std::size_t begin = text.rfind('\n', close) + 1;
  text.erase(begin, close + 7 - begin);
  testing::internal::CaptureStderr();
  EXPECT_EQ(Play(Write("unclosed.rec", text)), 1);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("still running at loop time"), std::string::npos);
}

TEST_F(Replay, FilesThatAreNotUsableRecordingsAreRefusedWithTheirLine) {
  std::string good = Read(kFolder + "/name_entry.rec");
  auto replaced = [&](const std::string &from, const std::string &to) {
    std::string text = good;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  // The first input, the first key with its line number, and the last input with its time.
  auto firstInput = good.substr(good.find("\n", good.find("results-start")) + 1);
  firstInput = firstInput.substr(0, firstInput.find('\n'));
  const std::size_t keyStart = good.rfind('\n', good.find(" key ")) + 1;
  const std::string firstKey = good.substr(keyStart, good.find('\n', keyStart) - keyStart);
  const std::string keyLine =
      std::to_string(std::count(good.begin(), good.begin() + long(keyStart), '\n') + 1);
  std::size_t close = good.find(" close\n");
  std::string closeTime = good.substr(good.rfind('\n', close) + 1, close - good.rfind('\n', close) - 1);
  const std::pair<std::string, std::string> cases[] = {
      {"", "empty file"},
      {std::string("\x7f"
                   "ELF\0\1\2",
                   7),
       "not a Vexmoor recording"},
      {replaced("vexmoor-recording 1", "vexmoor-recording 7"), "version 1, not '7'"},
      {replaced(firstKey, firstKey + " 5"), ":" + keyLine + ": 'key' takes one virtual key"},
      {replaced(firstInput, "1 key 40"), "the first input, at 1 ms, comes before the clock starts"},
      {replaced(closeTime + " close", "1000 close"), "time 1000 comes before the previous input's"},
      {replaced(firstInput, firstInput.substr(0, firstInput.find(' ')) + " jump 3"), "unknown input 'jump'"},
      {replaced("seed ", "seed -"), "the 'seed' line needs"},
      {replaced("\nend ", "\nfinish "), "no 'end' line (the recorded run did not end"},
      {replaced("results-start none", "results-start 0g"), "'results-start' line needs"},
      {replaced("settings 300 ", "settings -3 "), "not thirteen values the game runs with"},
      {replaced("\nscore ", "\nscore 1\nscore "), "'score' is given twice"},
      {std::string("vexmoor-recording 1\n") + std::string(2 << 20, '1'), "line longer than"},
  };
  for (const auto &[text, message] : cases) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(Play(Write("bad.rec", text)), 2) << message;
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find(message), std::string::npos) << said;
  }
  testing::internal::CaptureStderr();
  EXPECT_EQ(Play(folder + "/missing.rec"), 2);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("No such file"), std::string::npos);
}

// Every kind of input goes through the recorder and back, from the headless screen: keys,
// text, clicks, a turn of the screen, camera reports, the focus, a game controller and a close
// request.
TEST_F(Replay, AHeadlessRunRecordsWhatItsReplayRepeats) {
  std::string error;
  SetCameraSource("none", &error);
  auto screen = std::make_unique<HeadlessBackend>(1000);
  HeadlessBackend &s = *screen;
  s.QueueKey(1100, VK_F1); // "Ok"
  for (std::uint32_t key : {VK_F1, std::uint32_t('3'), std::uint32_t('1'), VK_F1, std::uint32_t('2'),
                            std::uint32_t('2')}) // camera steering, then Level 2
    s.QueueKey(1200 + 10 * key, key);
  for (int i = 0; i < 120; ++i)
    s.QueueMotion(2500 + 50 * i, i % 7 < 4 ? 4 : 0, i % 7 < 4 ? 0 : -4, i % 11 != 0);
  s.QueueKey(4000, VK_F9);
  InputEvent click;
  click.kind = InputEvent::Kind::Click;
  click.x = 60, click.y = 230; // the left soft key in landscape: the menu opens
  s.QueueEvent(5000, click);
  s.QueueKey(5100, VK_ESCAPE);
  s.QueueText(5200, u"x");
  s.QueueKey(5300, 'P', u"p"); // pauses
  s.QueueFocus(5400, false);
  s.QueuePadButton(5500, PadButton::Start, 2);
  s.QueuePadAxis(5600, PadAxis::LeftY, -30000, 2);
  s.QueueKey(5700, VK_ESCAPE);
  s.QueueKey(5800, VK_PAUSE); // resumes
  InputEvent close;
  close.kind = InputEvent::Kind::CloseRequest;
  s.QueueEvent(9000, close);
  std::string recorded = folder + "/run.rec";
  ResetAppState();
  int code = RunVexmoor(std::move(screen), instance, folder + "/settings.txt", folder + "/results.txt",
                        "none", recorded);
  ASSERT_EQ(code, 0);
  Recording r = Load(recorded);
  EXPECT_EQ(Count(r, InputEvent::Kind::Motion), 120);
  EXPECT_EQ(Count(r, InputEvent::Kind::Click), 1);
  EXPECT_EQ(Count(r, InputEvent::Kind::Text), 1);
  EXPECT_EQ(Count(r, InputEvent::Kind::PadButton) + Count(r, InputEvent::Kind::PadAxis), 2);
  EXPECT_EQ(r.inputs.back().at, 9000u);
  std::int32_t score = g_app.score;
  EXPECT_EQ(Play(recorded), 0);
  EXPECT_EQ(g_app.score, score);
  EXPECT_EQ(g_app.orientation, 1); // landscape, after F9
}

} // namespace
