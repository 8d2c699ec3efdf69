// The window manager and its loop on the headless screen. The loop's order comes from times
// alone: a session run against a clock that falls behind replays to the same ticks; input from
// other threads comes through the door, in order, on the loop's thread. Owned windows stay
// above their owner. How the screen looks is golden; modal loops, soft keys and menus run in
// every replay (the game screen is a modal dialog).

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <string>
#include <thread>
#include <vector>

#include "platform/backend.h"
#include "platform/gdi.h"
#include "platform/input_door.h"
#include "platform/recording.h"
#include "platform/window.h"
#include "platform/window_manager.h"

namespace {

std::vector<std::string> g_log;
std::vector<HWND> g_painted;

// A wall clock the test moves: inputs arrive at set times, and each timer's work takes 3 ms.
class LoadedClock : public Backend {
public:
  std::uint64_t now = 0;
  std::deque<std::pair<std::uint64_t, InputEvent>> arrivals;
  std::uint64_t NowMs() override { return now; }
  bool WaitEvent(bool hasDeadline, std::uint64_t deadlineMs, InputEvent *out) override {
    if (!arrivals.empty() && arrivals.front().first <= std::max(now, deadlineMs)) {
      now = std::max(now, arrivals.front().first);
      *out = arrivals.front().second;
      arrivals.pop_front();
      return true;
    }
    now = std::max(now, hasDeadline ? deadlineMs : now + 1000);
    return false;
  }
  void Wake() override {}
  void Present(const Surface &) override {}
  bool FollowsRealTime() const override { return true; }
};

LoadedClock *g_clock = nullptr;

// Logs keys, commands and paints at their loop times, and which windows paint.
std::intptr_t LogProc(HWND w, std::uint32_t m, std::uintptr_t wp, std::intptr_t lp) {
  const std::string at = "@" + std::to_string(GetTickCount());
  if (m == WM_KEYDOWN || m == WM_COMMAND)
    g_log.push_back((m == WM_KEYDOWN ? "key" : "command") + std::to_string(LOWORD(wp)) + at);
  if (m == WM_PAINT) {
    g_log.push_back("paint" + at);
    g_painted.push_back(w);
  }
  return DefWindowProcW(w, m, wp, lp);
}

void Tick(HWND w, std::uint32_t, std::uintptr_t id, std::uint32_t time) {
  g_log.push_back("tick" + std::to_string(id) + "@" + std::to_string(time));
  // Two paints asked for around a posted message: one paint, after the message.
  RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE);
  PostMessageW(w, WM_COMMAND, id, 0);
  RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE);
  if (g_clock)
    g_clock->now += 3;
}

HWND Make(HWND owner = nullptr, int top = 26) {
  return CreateWindowExW(0, u"LOOPTEST", u"", WS_VISIBLE, 0, top, 240, 200, owner, nullptr, nullptr, nullptr);
}

HWND StartWindow(std::unique_ptr<Backend> backend) {
  PlatformStart(std::move(backend));
  WNDCLASSW wc;
  wc.lpfnWndProc = LogProc;
  wc.lpszClassName = u"LOOPTEST";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  RegisterClassW(&wc);
  HWND w = Make();
  PumpMessagesUntil(0);
  g_log.clear();
  g_painted.clear();
  return w;
}

InputEvent Key(std::uint32_t key) {
  InputEvent e;
  e.kind = InputEvent::Kind::Key;
  e.key = key;
  return e;
}

TEST(WindowManager, TimersDueByAnInputsTimeFireWithTheirMessagesAndPaintsBeforeIt) {
  auto screen = std::make_unique<HeadlessBackend>();
  HeadlessBackend &s = *screen;
  HWND w = StartWindow(std::move(screen));
  SetTimer(w, 1, 100, Tick);
  s.QueueKey(99, VK_UP);
  s.QueueKey(100, VK_DOWN);
  s.QueueKey(150, VK_LEFT);
  PumpMessagesUntil(210);
  EXPECT_EQ(g_log,
            (std::vector<std::string>{"key38@99", "tick1@100", "command1@100", "paint@100", "key40@100",
                                      "key37@150", "tick1@200", "command1@200", "paint@200"}));
  PlatformStop();
}

// A 1 ms timer whose work takes 3 ms: the loop falls behind the clock, catches up in recorded
// steps, and keys still reach the window soon after they arrive. The recording, replayed on
// the headless screen, gives the same ticks, paints and keys at the same loop times.
TEST(WindowManager, ASessionBehindRealTimeReplaysToTheSameTicks) {
  char path[] = "/tmp/vexmoor-loop-XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  auto clock = std::make_unique<LoadedClock>();
  g_clock = clock.get();
  clock->arrivals = {{130, Key(VK_UP)}, {400, Key(VK_DOWN)}, {401, Key(VK_LEFT)}};
  std::string error;
  ASSERT_TRUE(StartRecording(path, &error));
  HWND w = StartWindow(std::move(clock));
  SetTimer(w, 7, 1, Tick);
  std::uint64_t worstLag = 0;
  for (std::uint64_t until = 10; until <= 600; until += 10) {
    PumpMessagesUntil(until);
    worstLag = std::max(worstLag, g_clock->now - GetTickCount());
  }
  ASSERT_TRUE(StopRecording(&error));
  PlatformStop();
  g_clock = nullptr;
  std::vector<std::string> live = g_log;
  EXPECT_LE(worstLag, 50u + 3u);
  for (const char *key : {"key38@", "key40@", "key37@"}) {
    auto it =
        std::find_if(live.begin(), live.end(), [&](const std::string &e) { return e.rfind(key, 0) == 0; });
    ASSERT_NE(it, live.end()) << key;
  }

  Recording recording;
  ASSERT_TRUE(ReadRecording(path, &recording, &error)) << error;
  std::remove(path);
  int catchUps = 0;
  auto screen = std::make_unique<HeadlessBackend>();
  for (const auto &input : recording.inputs) {
    catchUps += input.event.kind == InputEvent::Kind::CatchUp;
    screen->QueueEvent(input.at, input.event);
  }
  EXPECT_GT(catchUps, 3);
  w = StartWindow(std::move(screen));
  SetTimer(w, 7, 1, Tick);
  for (std::uint64_t until = 10; until <= 600; until += 10)
    PumpMessagesUntil(until);
  PlatformStop();
  // The live run was cut at loop time 600 however far its clock had gone; so is the replay.
  EXPECT_EQ(g_log, live);
}

TEST(WindowManager, ReportsFromOtherThreadsArriveInOrderOnTheLoopsThread) {
  static std::vector<std::pair<int, int>> received;
  static std::thread::id loopThread;
  static bool elsewhere = false;
  received.clear();
  loopThread = std::this_thread::get_id();
  StartWindow(std::make_unique<HeadlessBackend>());
  SetMotionHandler([](int x, int y, bool) {
    elsewhere |= std::this_thread::get_id() != loopThread;
    received.emplace_back(x, y);
  });
  constexpr int kThreads = 4, kEach = 250; // together less than the door holds: none is dropped
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < kEach; ++i) {
        PostMotionReport(t, i, true);
        if (i % 16 == 0)
          std::this_thread::yield();
      }
    });
  // The loop takes reports while they are being posted.
  while (received.size() < std::size_t(kThreads * kEach))
    PumpMessagesUntil(CurrentBackend()->NowMs());
  for (auto &thread : threads)
    thread.join();
  EXPECT_FALSE(elsewhere);
  ASSERT_EQ(received.size(), std::size_t(kThreads * kEach));
  std::vector<int> next(kThreads, 0);
  for (auto [t, i] : received)
    EXPECT_EQ(i, next[std::size_t(t)]++);

  // Nobody takes them: the door holds its capacity and drops the rest without waiting.
  received.clear();
  std::thread flood([] {
    for (std::size_t i = 0; i < 2 * kInputDoorCapacity; ++i)
      PostMotionReport(0, int(i), false);
  });
  flood.join();
  EXPECT_FALSE(PostInputEvent(InputEvent::Kind::Raise));
  InputEvent text;
  text.kind = InputEvent::Kind::Text;
  text.text = u"x";
  PumpMessagesUntil(CurrentBackend()->NowMs());
  EXPECT_EQ(received.size(), kInputDoorCapacity);
  EXPECT_FALSE(PostInputEvent(text)); // text cannot go through the door
  PlatformStop();
  EXPECT_FALSE(PostInputEvent(InputEvent::Kind::CloseRequest)); // nor anything once stopped
}

// Whatever brings a window forward brings the windows it owns with it, above it; a window that
// goes or hides uncovers those below it, which paint again.
TEST(WindowManager, OwnedWindowsStayAboveTheirOwnerAndUncoveredOnesRepaint) {
  HWND main = StartWindow(std::make_unique<HeadlessBackend>());
  HWND owned = Make(main, 40), ownedByOwned = Make(owned, 60);
  HWND other = Make(nullptr, 30); // made last, so on top
  using Z = std::vector<Window *>;
  ASSERT_EQ(WM().zOrder, (Z{main, owned, ownedByOwned, other}));
  ShowWindow(main, SW_SHOW);
  EXPECT_EQ(WM().zOrder, (Z{other, main, owned, ownedByOwned}));
  SetWindowPos(other, HWND_TOP, 0, 30, 240, 200, SWP_SHOWWINDOW);
  SetWindowPos(main, HWND_TOP, 0, 26, 240, 268, SWP_SHOWWINDOW);
  EXPECT_EQ(WM().zOrder, (Z{other, main, owned, ownedByOwned}));
  SetForegroundWindow(other);
  SetForegroundWindow(owned);
  EXPECT_EQ(WM().zOrder, (Z{main, other, owned, ownedByOwned}));
  EXPECT_EQ(ActiveWindow(), ownedByOwned);

  PumpMessagesUntil(1);
  g_painted.clear();
  DestroyWindow(ownedByOwned);
  PumpMessagesUntil(2);
  EXPECT_EQ(g_painted, (std::vector<HWND>{owned, other, main})); // topmost first
  g_painted.clear();
  ShowWindow(owned, 0);
  PumpMessagesUntil(3);
  EXPECT_EQ(g_painted, (std::vector<HWND>{other, main}));
  PlatformStop();
}

} // namespace
