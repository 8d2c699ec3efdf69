// One instance: a second start reaches the first through its socket, also past the socket a
// crashed instance left behind (the whole program's second start is in the app tests); an unusable runtime
// folder gives way to a private one; no peer that is slow or silent holds either side past its deadline.

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/backend.h"
#include "platform/window.h"
#include "platform/window_manager.h"

namespace {

int g_closeRequests = 0;

std::intptr_t AppProc(HWND w, std::uint32_t m, std::uintptr_t wp, std::intptr_t lp) {
  if (m == WM_CLOSE_REQUEST)
    ++g_closeRequests;
  return DefWindowProcW(w, m, wp, lp);
}

HWND Connect() { return ConnectToInstance(u"INSTTEST", u"Inst Test"); }

std::string SocketPathFor(const char *name, const std::string &folder = std::getenv("XDG_RUNTIME_DIR")) {
  return folder + "/" + name + "-" + std::to_string(getuid()) + ".sock";
}

// A socket at path: bound (in place of whatever was there) and, with backlog, listening but
// never answering; or connected to it. -1 on failure.
int Socket(const std::string &path, bool bound, int backlog = 0) {
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  const auto *a = reinterpret_cast<sockaddr *>(&address);
  if (bound)
    unlink(path.c_str());
  const bool ok = bound ? bind(fd, a, sizeof address) == 0 && (!backlog || listen(fd, backlog) == 0)
                        : connect(fd, a, sizeof address) == 0;
  if (!ok)
    close(fd);
  return ok ? fd : -1;
}

using Clock = std::chrono::steady_clock;
long MillisecondsSince(Clock::time_point start) {
  return long((Clock::now() - start) / std::chrono::milliseconds(1));
}

class InstanceTest : public ::testing::Test {
protected:
  void SetUp() override {
    g_closeRequests = 0;
    auto screen = std::make_unique<HeadlessBackend>();
    screen_ = screen.get();
    PlatformStart(std::move(screen));
    const WNDCLASSW wc{.lpfnWndProc = AppProc, .lpszClassName = u"INSTTEST"};
    ASSERT_TRUE(RegisterClassW(&wc));
  }
  void TearDown() override {
    PlatformStop();
    InstanceTimeouts() = InstanceDeadlines{};
  }
  HWND MakeApp() {
    return CreateWindowExW(0, u"INSTTEST", u"Inst Test", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
  }
  // Lets the listener thread's posted message arrive, in real time.
  template <typename Done> void WaitFor(Done done) {
    for (int i = 0; i < 200 && !done(); ++i) {
      usleep(5000);
      PumpMessagesUntil(screen_->NowMs());
    }
  }
  HeadlessBackend *screen_ = nullptr;
};

// The socket a crashed instance left behind (killed, its file still there) answers nothing and
// blocks no start; the next instance's socket raises and closes it.
TEST_F(InstanceTest, SecondStartRaisesAndClosesTheFirstPastAStaleSocket) {
  const int stale = Socket(SocketPathFor("insttest"), true);
  ASSERT_GE(stale, 0);
  close(stale);
  EXPECT_EQ(Connect(), nullptr);
  HWND app = MakeApp(), remote = Connect();
  ASSERT_TRUE(app && remote);
  EXPECT_NE(remote, app);
  EXPECT_TRUE(SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<std::uintptr_t>(remote) | 1)));
  WaitFor([&] { return screen_->raiseCount > 0; });
  EXPECT_EQ(screen_->raiseCount, 1);
  EXPECT_TRUE(PostMessageW(remote, WM_CLOSE_REQUEST, 0, 0));
  WaitFor([] { return g_closeRequests > 0; });
  EXPECT_EQ(g_closeRequests, 1);
  // Once the first instance is gone, nothing answers any more.
  DestroyWindow(app);
  EXPECT_EQ(Connect(), nullptr);
}

// Each unusable runtime folder is named once on stderr, and the socket goes to a private
// folder under TMPDIR instead, where a second start still finds the first.
TEST_F(InstanceTest, AnUnusableRuntimeFolderGivesWayToAPrivateOne) {
  const std::string runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string base = runtime + "/fallback-test";
  mkdir(base.c_str(), 0700);
  mkdir((base + "/open").c_str(), 0755);
  std::fclose(std::fopen((base + "/file").c_str(), "w"));
  const std::string tmp = base + "/tmp", fallback = tmp + "/vexmoor-" + std::to_string(getuid());
  mkdir(tmp.c_str(), 0700);
  setenv("TMPDIR", tmp.c_str(), 1);
  const std::string cases[][2] = {
      {base + "/missing", "No such file or directory"},
      {base + "/file", "not a folder"},
      {base + "/open", "mode 0755, not 0700"},
      {base + "/" + std::string(90, 'x'), "too long for a socket path"},
  };
  for (const auto &[folder, reason] : cases) {
    if (folder.size() > 100)
      mkdir(folder.c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    testing::internal::CaptureStderr();
    for (int twice = 0; twice < 2; ++twice) {
      HWND app = MakeApp();
      EXPECT_EQ(access(SocketPathFor("insttest", fallback).c_str(), F_OK), 0) << folder;
      EXPECT_TRUE(Connect()) << folder;
      DestroyWindow(app);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "vexmoor: warning: XDG_RUNTIME_DIR (" + folder +
                                                          ") is unusable: " + reason + "; using " + fallback +
                                                          " instead\n");
  }
  // A fallback that is not private is not used: no socket, and saying so.
  chmod(fallback.c_str(), 0755);
  testing::internal::CaptureStderr();
  HWND app = MakeApp();
  EXPECT_FALSE(Connect());
  DestroyWindow(app);
  EXPECT_NE(testing::internal::GetCapturedStderr().find(fallback + " is unusable too (mode 0755, not 0700)"),
            std::string::npos);
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  unsetenv("TMPDIR");
  std::filesystem::remove_all(base);
}

// A listener that takes the connection and never answers: the request is not reported as
// done, and the client gives up at its deadline.
TEST_F(InstanceTest, ARequestCountsOnlyWhenAnsweredAndNeverWaitsPastItsDeadline) {
  InstanceTimeouts().clientMs = 200;
  const int silent = Socket(SocketPathFor("insttest"), true, 4);
  HWND remote = Connect();
  ASSERT_TRUE(silent >= 0 && remote);
  const auto start = Clock::now();
  EXPECT_FALSE(PostMessageW(remote, WM_CLOSE_REQUEST, 0, 0));
  EXPECT_FALSE(SetForegroundWindow(remote));
  const long took = MillisecondsSince(start);
  EXPECT_TRUE(took >= 2 * 200 - 20 && took < 2 * 200 + 500) << took;
  close(silent);
}

// A client that sends a byte now and then holds the listener for one deadline at most, and
// its shutdown not at all. Clients are served in the order they connect.
TEST_F(InstanceTest, ATricklingClientHoldsNeitherTheListenerNorItsShutdown) {
  InstanceTimeouts().requestMs = 300;
  HWND app = MakeApp();
  ASSERT_TRUE(app);
  const std::string path = SocketPathFor("insttest");
  std::atomic<bool> trickling{false}, stop{false};
  std::thread trickle([&] {
    const int fd = Socket(path, false);
    while (fd >= 0 && !stop && send(fd, "r", 1, MSG_NOSIGNAL) == 1) {
      trickling = true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    trickling = true;
    close(fd); // refused harmlessly if the connection failed
  });
  while (!trickling)
    std::this_thread::yield();
  HWND remote = Connect();
  ASSERT_TRUE(remote);
  auto start = Clock::now();
  EXPECT_TRUE(SetForegroundWindow(remote)); // answered once the trickler's deadline passed
  const long took = MillisecondsSince(start);
  EXPECT_TRUE(took >= 200 && took < 300 + 500) << took;
  stop = true;
  trickle.join();

  // A request that does not end, with a long deadline: a client behind it is not answered in
  // time (so the listener is busy with it), and yet shutting down does not wait.
  DestroyWindow(app);
  InstanceTimeouts() = {.clientMs = 200, .requestMs = 10000};
  app = MakeApp();
  const int held = Socket(path, false);
  ASSERT_GE(held, 0);
  ASSERT_EQ(send(held, "ra", 2, MSG_NOSIGNAL), 2);
  EXPECT_FALSE(SetForegroundWindow(remote));
  start = Clock::now();
  DestroyWindow(app);
  EXPECT_LT(MillisecondsSince(start), 150);
  close(held);
}

} // namespace
