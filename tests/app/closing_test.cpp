// Every way out saves the scores once: the window's close button, `vexmoor --close` and the
// closing signals, also while a name is being typed and before start-up has made the window
// (program_test.cpp sends them to the program itself); a save that fails is told, and the run
// ends with status 1.

#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "app/close_signals.h"
#include "game/snake_board.h"
#include "platform/window.h"
#include "platform/window_manager.h"
#include "resources/resource_ids.h"
#include "scores/file_io.h"
#include "scores/score_table.h"
#include "state/app_state.h"
#include "support/game_harness.h"

namespace {

int g_saves = 0;
bool CountSave(const std::string &) { return ++g_saves > 0; }

// Waits (in real time, with a deadline) until the signal thread has done its part.
bool Soon(bool (*done)()) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!done() && std::chrono::steady_clock::now() < deadline)
    continue;
  return done();
}

// A signal as it comes from outside: the handler, the thread, the posted request.
void Signal(int number) {
  raise(number);
  ASSERT_TRUE(Soon(CloseRequestPosted));
}

// Asks the program to close as `vexmoor --close` does, through its socket.
void CloseFromOutside() {
  HWND running = ConnectToInstance(u"VEXMOOR", u"Vex Moor");
  ASSERT_TRUE(running);
  ASSERT_TRUE(PostMessageW(running, WM_CLOSE_REQUEST, 0, 0)); // true once the program took it
}

// One run of the program on the headless screen, with its saves counted.
struct ProgramRun {
  ProgramRun() {
    g_saves = 0;
    SetBeforeRenameHook(CountSave);
  }
  ~ProgramRun() { SetBeforeRenameHook(nullptr); }

  // A Level 1 game that ends with 3 points at 700 ms (the food kept off the snake's row), so
  // that the name entry is open from then on.
  void PlayToNameEntry() {
    h.OpenGameScreen(10);
    h.Command(50, IDM_LEVEL_1);
    h.eachIdle = [] {
      if (g_app.board)
        g_app.board->foodX = 10, g_app.board->foodY = 17;
    };
    h.At(700, [] {
      g_app.score = 3;
      PostMessageW(g_app.gameDialog, WM_COMMAND, IDM_NEW_GAME, 0);
    });
  }
  // Runs until the program ends, which must be soon after closeAt: the close request the
  // harness sends much later must not be the one that ends it. close null: the close button.
  void ClosedBy(std::uint64_t closeAt, const std::function<void()> &close) {
    if (close)
      h.At(closeAt, close);
    EXPECT_EQ(h.Run(close ? kLate : closeAt), 0);
    EXPECT_LT(h.screen->NowMs(), closeAt + 1000);
  }
  static constexpr std::uint64_t kLate = 1000000;

  GameHarness h;
};

// The field offers the last name, "Ola"; emptied, the score is kept under it all the same.
TEST(Closing, DuringNameEntryTheScoreIsKeptUnderTheNameTypedSoFar) {
  const std::function<void()> ways[] = {nullptr, CloseFromOutside, [] { Signal(SIGHUP); },
                                        [] { Signal(SIGQUIT); }, nullptr};
  for (const auto &way : ways) {
    SCOPED_TRACE(&way - ways);
    CloseOnSignals signals;
    ProgramRun run;
    ScoreTable(5, run.h.resultsFile).Insert(4, 9, u"Ola"); // saved on destruction
    g_saves = 0;
    run.PlayToNameEntry();
    const bool emptied = &way == std::end(ways) - 1;
    for (int i = 0; i < 3 && emptied; ++i)
      run.h.Key(800 + i, VK_BACK);
    if (!emptied)
      run.h.Text(800, u"Zo");
    run.ClosedBy(900, way);
    EXPECT_EQ(g_saves, 1);
    const ScoreTable saved(5, run.h.resultsFile);
    const std::u16string name = emptied ? u"Ola" : u"OlaZo";
    EXPECT_EQ(saved.levels[0][0].score, 3);
    EXPECT_EQ(std::u16string(saved.levels[0][0].name), name);
    EXPECT_EQ(saved.levels[0][1].score, 0); // once
    EXPECT_EQ(saved.LastName(), name);
  }
}

// A signal in the first moments is held until start-up has a window to close, then honoured.
TEST(Closing, ASignalBeforeTheWindowExistsClosesOnceStartUpCan) {
  CloseOnSignals signals;
  ProgramRun run;
  raise(SIGTERM);
  ASSERT_TRUE(Soon(CloseSignalled));
  EXPECT_EQ(run.h.Run(ProgramRun::kLate), 0);
  EXPECT_LT(run.h.screen->NowMs(), 1000u);
  EXPECT_EQ(g_saves, 1);
  EXPECT_TRUE(std::filesystem::exists(run.h.resultsFile));
}

TEST(Closing, AFailedSaveIsToldInABoxAndOnStderrAndEndsWithStatusOne) {
  GameHarness h;
  std::ofstream(h.folder + "/file") << "a file where the results folder should be";
  h.resultsFile = h.folder + "/file/results.txt";
  std::u16string told;
  h.eachIdle = [&] {
    if (!WM().messageBoxes.empty() && g_app.scores == nullptr && told.empty()) {
      told = WM().messageBoxes.back()->text;
      h.Key(h.screen->NowMs(), VK_RETURN);
    }
  };
  testing::internal::CaptureStderr();
  EXPECT_EQ(h.Run(100), 1);
  const std::string stderrText = testing::internal::GetCapturedStderr();
  const std::string text = "Scores could not be saved to " + h.resultsFile + ": Not a directory";
  EXPECT_EQ(told, std::u16string(text.begin(), text.end()));
  EXPECT_NE(stderrText.find("vexmoor: error: " + text + "\n"), std::string::npos) << stderrText;
}

} // namespace
