// One copy per results folder: starts of the program race as processes, and whichever wins,
// only one ever runs; the other brings it forward, or gives way when it cannot reach it.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/startup.h"
#include "child_process.h"
#include "platform/backend.h"
#include "platform/window.h"

namespace {

// A start as main() makes it, as far as the main window, in a forked copy of the test. It goes
// at the first byte on its input, then ends as a second start with that start's exit code, or
// makes the main window (which listens on the instance socket), says "running" and keeps the
// results folder until its input closes.
std::unique_ptr<ChildProcess> Start(const std::string &results, int waitMs, const std::string &runtime = "") {
  return std::make_unique<ChildProcess>([=] {
    char go = 0;
    if (read(0, &go, 1) != 1)
      return 2;
    if (!runtime.empty())
      setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    SetStartupFiles("", results);
    PlatformStart(std::make_unique<HeadlessBackend>());
    if (const int code = ClaimFirstStart(waitMs); code >= 0)
      return code;
    WNDCLASSW wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = u"VEXMOOR";
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, u"VEXMOOR", u"Vex Moor", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    std::printf("running\n");
    std::fflush(stdout);
    while (read(0, &go, 1) > 0) {
    }
    DestroyWindow(window);
    PlatformStop();
    return 0;
  });
}

bool Runs(ChildProcess &child) {
  std::string line;
  return child.ReadLine(&line, 5000) && line == "running"; // a second start's output just ends
}

TEST(SingleInstance, TwoStartsRacingNeverBothRun) {
  const TempFolder data;
  const std::string results = data.path + "/results.txt";
  for (int round = 0; round < 50; ++round) {
    // Both are forked before either goes, so neither has a head start.
    auto a = Start(results, kClaimWaitMs), b = Start(results, kClaimWaitMs);
    a->Write("g");
    b->Write("g");
    const bool aRuns = Runs(*a), bRuns = Runs(*b);
    ASSERT_NE(aRuns, bRuns) << "round " << round << ": both ran or neither did";
    ChildProcess &first = aRuns ? *a : *b, &second = aRuns ? *b : *a;
    EXPECT_EQ(second.Wait(5000), 0) << "round " << round << ": " << second.Errors();
    first.CloseInput();
    ASSERT_EQ(first.Wait(5000), 0) << "round " << round;
  }
}

// A copy in another runtime folder (another login, sudo -u) cannot be raised, but its results
// folder is still its own; with results elsewhere a start runs beside it.
TEST(SingleInstance, ACopyThatCannotBeReachedKeepsItsResultsFolder) {
  const TempFolder data, otherRuntime;
  auto first = Start(data.path + "/results.txt", kClaimWaitMs);
  auto second = Start(data.path + "/results.txt", 200, otherRuntime.path);
  auto third = Start(otherRuntime.path + "/results.txt", 200, otherRuntime.path);
  first->Write("g");
  ASSERT_TRUE(Runs(*first));

  second->Write("g");
  EXPECT_EQ(second->Wait(5000), 1);
  EXPECT_NE(second->Errors().find("another Vexmoor is using " + data.path + "\n"), std::string::npos)
      << second->Errors();

  third->Write("g");
  EXPECT_TRUE(Runs(*third));
  third->CloseInput();
  first->CloseInput();
  EXPECT_EQ(third->Wait(5000), 0);
  EXPECT_EQ(first->Wait(5000), 0);
}

} // namespace
