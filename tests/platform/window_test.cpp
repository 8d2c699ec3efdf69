// The window manager on the headless screen: message order, paints, timers, modal loops,
// soft keys and menus, the order of windows. How the screen looks, turned or not, is golden.

#include <gtest/gtest.h>

#include <algorithm>
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
HeadlessBackend *g_screen = nullptr;

// Logs paints, commands and keys with their ids.
std::intptr_t LoggingProc(HWND w, std::uint32_t m, std::uintptr_t wp, std::intptr_t lp) {
  if (m == WM_PAINT)
    g_log.push_back("paint");
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
  t.dialogs = {{60,
                0,
                0,
                0,
                114,
                117,
                u"MS Shell Dlg",
                8,
                {{u"EDIT", 1000, 41, 30, 40, 19, WS_CHILD | WS_TABSTOP, u"", 0}}}};
  return t;
}

class WindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    g_log.clear();
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
  HWND MakeMain() {
    return CreateWindowExW(0, u"TESTMAIN", u"Main", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  }
  HWND MakeBar(HWND parent) {
    SHMENUBARINFO info{};
    info.cbSize = 36;
    info.hwndParent = parent;
    info.nToolBarId = 10;
    info.hInstRes = instance;
    EXPECT_TRUE(SHCreateMenuBar(&info));
    return info.hwndMB;
  }
  ResourceTable resources = MakeResources();
  HINSTANCE instance = nullptr;
};

TEST_F(WindowTest, PaintsCoalesceAndComeAfterPostedMessages) {
  HWND main = MakeMain();
  ASSERT_TRUE(main);
  PumpMessagesUntil(1);
  g_log.clear();
  RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE);
  PostMessageW(main, WM_COMMAND, 5, 0);
  RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE);
  PostMessageW(main, WM_COMMAND, 6, 0);
  PumpMessagesUntil(2);
  EXPECT_EQ(g_log, (std::vector<std::string>{"command:5", "command:6", "paint"}));
}

std::vector<std::uint32_t> g_ticks;
void TickProc(HWND, std::uint32_t, std::uintptr_t id, std::uint32_t time) {
  g_ticks.push_back(std::uint32_t(id) * 100000 + time);
}

TEST_F(WindowTest, TimersRunOnVirtualTimeAndRestartWithANewPeriod) {
  HWND main = MakeMain();
  g_ticks.clear();
  SetTimer(main, 1, 100, TickProc);
  PumpMessagesUntil(250);
  EXPECT_EQ(g_ticks, (std::vector<std::uint32_t>{100100, 100200}));
  // Setting the same id again restarts it from now with the new period.
  SetTimer(main, 1, 40, TickProc);
  g_ticks.clear();
  PumpMessagesUntil(340);
  EXPECT_EQ(g_ticks, (std::vector<std::uint32_t>{100290, 100330}));
  KillTimer(main, 1);
  g_ticks.clear();
  PumpMessagesUntil(1000);
  EXPECT_TRUE(g_ticks.empty());
}

HWND g_dialog = nullptr;
int g_dialogPaints = 0;
std::intptr_t DialogLoggingProc(HWND d, std::uint32_t m, std::uintptr_t wp, std::intptr_t) {
  if (m == WM_INITDIALOG)
    g_dialog = d;
  if (m == WM_PAINT)
    ++g_dialogPaints;
  if (m == WM_COMMAND && LOWORD(wp) == IDCANCEL)
    EndDialog(d, 42);
  if (m == WM_GETDLGCODE)
    g_log.push_back("dlgcode:" + std::to_string(wp));
  return 0;
}

void MainTick(HWND w, std::uint32_t, std::uintptr_t, std::uint32_t) {
  g_ticks.push_back(GetTickCount());
  RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE);
}

TEST_F(WindowTest, ModalDialogKeepsOtherWindowsTimersAndPaintsRunning) {
  HWND main = MakeMain();
  g_ticks.clear();
  SetTimer(main, 3, 50, MainTick);
  g_screen->QueueKey(120, VK_UP);
  g_screen->QueueKey(300, VK_ESCAPE); // Back ends the dialog through IDCANCEL
  g_log.clear();
  const DialogTemplate *tmpl = LoadResource(instance, FindResourceW(instance, 60, RT_DIALOG));
  ASSERT_TRUE(tmpl);
  std::intptr_t result = DialogBoxIndirectParamW(instance, tmpl, main, DialogLoggingProc, 0);
  EXPECT_EQ(result, 42);
  EXPECT_GE(g_ticks.size(), 5u); // 50 .. 250 at least, while the dialog was open
  int paints = 0;
  for (const auto &entry : g_log)
    paints += entry == "paint";
  EXPECT_GE(paints, 4);
  // With no focused control the arrow key reaches the dialog's procedure as its key code.
  EXPECT_EQ(std::count(g_log.begin(), g_log.end(), "dlgcode:38"), 1);
  EXPECT_FALSE(IsWindow(g_dialog));
}

TEST_F(WindowTest, SoftKeysAndMenusSendCommandsAndKeepCheckMarks) {
  HWND main = MakeMain();
  HWND bar = MakeBar(main);
  auto menu = reinterpret_cast<HMENU>(SendMessageW(bar, SHCMBM_GETSUBMENU, 0, 200));
  ASSERT_TRUE(menu);
  EXPECT_EQ(CheckMenuItem(menu, 512, MF_CHECKED), MF_UNCHECKED);
  EXPECT_EQ(CheckMenuItem(menu, 512, MF_UNCHECKED), MF_CHECKED);
  EXPECT_EQ(CheckMenuItem(menu, 999, MF_CHECKED), std::uint32_t(-1));
  g_log.clear();
  g_screen->QueueKey(1, VK_F1);     // "Ok": a plain command
  g_screen->QueueKey(2, VK_F2);     // opens the menu
  g_screen->QueueKey(3, VK_DOWN);   // "More"
  g_screen->QueueKey(4, VK_RIGHT);  // its sub-menu
  g_screen->QueueKey(5, VK_DOWN);   // "Deep B"
  g_screen->QueueKey(6, VK_RETURN); // chosen
  g_screen->QueueKey(7, VK_F2);     // again
  g_screen->QueueKey(8, '3');       // digit picks "Last"
  g_screen->QueueKey(9, VK_F2);     // again, then back out twice
  g_screen->QueueKey(10, VK_BACK);
  g_screen->QueueKey(11, VK_LEFT); // menu closed: the key reaches the window
  PumpMessagesUntil(20);
  g_log.erase(std::remove(g_log.begin(), g_log.end(), "paint"), g_log.end());
  EXPECT_EQ(g_log, (std::vector<std::string>{"command:100", "command:512", "command:503", "key:37"}));
}

std::vector<HWND> g_painted;
std::intptr_t PaintLogProc(HWND w, std::uint32_t m, std::uintptr_t wp, std::intptr_t lp) {
  if (m == WM_PAINT)
    g_painted.push_back(w);
  return DefWindowProcW(w, m, wp, lp);
}

// Whatever brings a window forward brings the windows it owns with it, above it; a window that
// goes or hides uncovers those below it, which paint again.
TEST_F(WindowTest, OwnedWindowsStayAboveTheirOwnerAndUncoveredOnesRepaint) {
  WNDCLASSW wc;
  wc.lpfnWndProc = PaintLogProc;
  wc.lpszClassName = u"PAINTLOG";
  ASSERT_TRUE(RegisterClassW(&wc));
  auto make = [&](HWND owner, int top) {
    return CreateWindowExW(0, u"PAINTLOG", u"", WS_VISIBLE, 0, top, 240, 200, owner, nullptr, instance,
                           nullptr);
  };
  HWND main = make(nullptr, 26), owned = make(main, 40), ownedByOwned = make(owned, 60);
  HWND other = make(nullptr, 30); // made last, so on top
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
