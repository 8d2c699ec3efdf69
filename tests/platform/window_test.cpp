// The window manager on the headless screen: soft keys and menus, the order of windows and
// what repaints when one goes. How the screen looks is golden; timers, paints and modal loops
// run in every replay (the game screen is a modal dialog) and in the message loop's tests.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/gdi.h"
#include "platform/resources.h"
#include "platform/shell.h"
#include "platform/window.h"
#include "platform/window_manager.h"

namespace {

std::vector<std::string> g_log;
std::vector<HWND> g_painted;
HeadlessBackend *g_screen = nullptr;

// Logs commands and keys with their ids, and the windows that paint.
std::intptr_t LoggingProc(HWND w, std::uint32_t m, std::uintptr_t wp, std::intptr_t lp) {
  if (m == WM_PAINT)
    g_painted.push_back(w);
  if (m == WM_COMMAND || m == WM_KEYDOWN)
    g_log.push_back((m == WM_COMMAND ? "command:" : "key:") + std::to_string(LOWORD(wp)));
  return DefWindowProcW(w, m, wp, lp);
}

ResourceTable MakeResources() {
  ResourceTable t;
  t.strings = {{1, u"Ok"}, {2, u"Menu"}};
  t.menus = {{50,
              {{0,
                u"Menu",
                {{501, u"First", {}},
                 {0, u"More", {{511, u"Deep A", {}}, {512, u"Deep B", {}}}},
                 {503, u"Last", {}}}}}}};
  t.bars = {{10, {{100, 1, 0, 0}, {200, 2, 50, 0}}}};
  return t;
}

class WindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    g_log.clear();
    g_painted.clear();
    auto screen = std::make_unique<HeadlessBackend>();
    g_screen = screen.get();
    PlatformStart(std::move(screen));
    instance = CreateModule(&resources);
    WNDCLASSW wc;
    wc.lpfnWndProc = LoggingProc;
    wc.lpszClassName = u"TESTMAIN";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    ASSERT_TRUE(RegisterClassW(&wc));
  }
  void TearDown() override {
    PlatformStop();
    DestroyModule(instance);
  }
  HWND Make(HWND owner, int top) {
    return CreateWindowExW(0, u"TESTMAIN", u"", WS_VISIBLE, 0, top, 240, 200, owner, nullptr, instance,
                           nullptr);
  }
  ResourceTable resources = MakeResources();
  HINSTANCE instance = nullptr;
};

TEST_F(WindowTest, SoftKeysAndMenusSendCommands) {
  SHMENUBARINFO info{};
  info.cbSize = 36;
  info.hwndParent = Make(nullptr, 26);
  info.nToolBarId = 10;
  info.hInstRes = instance;
  ASSERT_TRUE(SHCreateMenuBar(&info));
  g_screen->QueueKey(1, VK_F1);     // "Ok": a plain command
  g_screen->QueueKey(2, VK_F2);     // opens the menu
  g_screen->QueueKey(3, VK_DOWN);   // "More"
  g_screen->QueueKey(4, VK_RIGHT);  // its sub-menu
  g_screen->QueueKey(5, VK_DOWN);   // "Deep B"
  g_screen->QueueKey(6, VK_RETURN); // chosen
  g_screen->QueueKey(7, VK_F2);     // again
  g_screen->QueueKey(8, '3');       // digit picks "Last"
  g_screen->QueueKey(9, VK_F2);     // again, then backed out of
  g_screen->QueueKey(10, VK_BACK);
  g_screen->QueueKey(11, VK_LEFT); // menu closed: the key reaches the window
  PumpMessagesUntil(20);
  EXPECT_EQ(g_log, (std::vector<std::string>{"command:100", "command:512", "command:503", "key:37"}));
}

// Whatever brings a window forward brings the windows it owns with it, above it; a window that
// goes or hides uncovers those below it, which paint again.
TEST_F(WindowTest, OwnedWindowsStayAboveTheirOwnerAndUncoveredOnesRepaint) {
  HWND main = Make(nullptr, 26), owned = Make(main, 40), ownedByOwned = Make(owned, 60);
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
}

} // namespace
