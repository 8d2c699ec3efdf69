// One instance: a second start reaches the first through its socket, also past the socket
// a crashed instance left behind.

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/backend.h"
#include "platform/gdi.h"
#include "platform/window.h"
#include "platform/window_manager.h"

namespace {

int g_closeRequests = 0;

std::intptr_t AppProc(HWND w, std::uint32_t m, std::uintptr_t wp, std::intptr_t lp) {
  if (m == WM_CLOSE_REQUEST)
    ++g_closeRequests;
  return DefWindowProcW(w, m, wp, lp);
}

std::string SocketPathFor(const char *name) {
  return std::string(std::getenv("XDG_RUNTIME_DIR")) + "/" + name + "-" + std::to_string(getuid()) + ".sock";
}

class InstanceTest : public ::testing::Test {
protected:
  void SetUp() override {
    g_closeRequests = 0;
    auto screen = std::make_unique<HeadlessBackend>();
    screen_ = screen.get();
    PlatformStart(std::move(screen));
    WNDCLASSW wc;
    wc.lpfnWndProc = AppProc;
    wc.lpszClassName = u"INSTTEST";
    ASSERT_TRUE(RegisterClassW(&wc));
  }
  void TearDown() override { PlatformStop(); }
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

TEST_F(InstanceTest, SecondStartRaisesAndClosesTheFirstThroughItsSocket) {
  HWND app = MakeApp();
  ASSERT_TRUE(app);
  HWND remote = ConnectToInstance(u"INSTTEST", u"Inst Test");
  ASSERT_TRUE(remote);
  EXPECT_NE(remote, app);
  EXPECT_TRUE(SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<std::uintptr_t>(remote) | 1)));
  WaitFor([&] { return screen_->raiseCount > 0; });
  EXPECT_EQ(screen_->raiseCount, 1);
  EXPECT_TRUE(PostMessageW(remote, WM_CLOSE_REQUEST, 0, 0));
  WaitFor([] { return g_closeRequests > 0; });
  EXPECT_EQ(g_closeRequests, 1);
  // Once the first instance is gone, nothing answers any more.
  DestroyWindow(app);
  EXPECT_EQ(ConnectToInstance(u"INSTTEST", u"Inst Test"), nullptr);
}

TEST_F(InstanceTest, StaleSocketOfACrashedInstanceDoesNotBlockAStart) {
  std::string path = SocketPathFor("insttest");
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  unlink(path.c_str());
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
  close(fd); // the file stays, as after kill -9
  ASSERT_EQ(access(path.c_str(), F_OK), 0);
  EXPECT_EQ(ConnectToInstance(u"INSTTEST", u"Inst Test"), nullptr);
  HWND app = MakeApp();
  ASSERT_TRUE(app);
  EXPECT_NE(ConnectToInstance(u"INSTTEST", u"Inst Test"), nullptr);
}

} // namespace
