#pragma once
// The headless screen for the score dialogs: the program's resources, a main window of the
// tests' own class standing in for the program's, the portrait geometry the game screen
// records, a score table in a temporary folder, and checks run at virtual times.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/app_state.h"
#include "app/startup.h"
#include "platform/backend.h"
#include "platform/gdi.h"
#include "platform/shell.h"
#include "platform/window.h"
#include "resources/vexmoor_resources.h"
#include "scores/score_table.h"

inline int mainCloses = 0;
// When set, the main window takes a turn of the screen first, as the game screen below the
// dialogs does.
inline bool takeTurnFirst = false;
// The dialog a Recorded procedure saw open last.
inline HWND g_dialog = nullptr;

template <DialogProc P>
std::intptr_t Recorded(HWND dialog, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  if (message == WM_INITDIALOG)
    g_dialog = dialog;
  return P(dialog, message, wParam, lParam);
}

inline std::intptr_t TestMainProc(HWND window, std::uint32_t message, std::uintptr_t wParam,
                                  std::intptr_t lParam) {
  if (message == WM_CLOSE) {
    ++mainCloses; // stays open, so that the dialog must end by itself
    return 0;
  }
  if (message == WM_SIZE && takeTurnFirst && g_app.orientation != 0) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    const int wanted = h < w ? 1 : 2;
    if (g_app.orientation != wanted) {
      g_app.orientation = wanted;
      std::swap(g_app.screenWidth, g_app.screenHeight);
    }
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

inline std::u16string Decimal(long long v) {
  std::string s = std::to_string(v);
  return std::u16string(s.begin(), s.end());
}

// Whether a command's menu item carries a check mark (asked without changing it).
inline bool MenuChecked(HMENU menu, int id) {
  const std::uint32_t was = CheckMenuItem(menu, std::uint32_t(id), MF_BYCOMMAND | MF_CHECKED);
  CheckMenuItem(menu, std::uint32_t(id), MF_BYCOMMAND | was);
  return was == MF_CHECKED;
}

inline std::vector<std::function<void()>> &Checks() {
  static std::vector<std::function<void()>> checks;
  return checks;
}

constexpr std::uintptr_t kCheckTimerBase = 0x7000;

inline void RunCheck(HWND, std::uint32_t, std::uintptr_t id, std::uint32_t) {
  KillTimer(nullptr, id);
  auto check = Checks()[id - kCheckTimerBase]; // a check may add checks
  check();
}

class DialogFixture : public ::testing::Test {
protected:
  HeadlessBackend *screen = nullptr;
  HWND mainWindow = nullptr;
  std::unique_ptr<ScoreTable> table;
  std::string folder;
  int objects = 0;

  // Runs check once virtual time reaches atMs, inside whichever loop runs then.
  void At(std::uint64_t atMs, std::function<void()> check) {
    Checks().push_back(std::move(check));
    SetTimer(nullptr, kCheckTimerBase + Checks().size() - 1, std::uint32_t(atMs - GetTickCount()), RunCheck);
  }

  void RestoreGeometry() {
    g_app.screenWidth = GetSystemMetrics(SM_CXSCREEN);
    g_app.screenHeight = GetSystemMetrics(SM_CYSCREEN);
    g_app.dialogTop = kTitleStripHeight;
    g_app.menuBarHeight = kSoftKeyBarHeight;
    g_app.orientation = g_app.screenHeight > g_app.screenWidth ? 2 : 1;
  }

  void SetUp() override {
    ResetAppState();
    Checks().clear();
    mainCloses = 0;
    takeTurnFirst = false;
    g_dialog = nullptr;
    auto backend = std::make_unique<HeadlessBackend>();
    screen = backend.get();
    PlatformStart(std::move(backend));
    g_app.instance = CreateModule(&VexmoorResources());
    WNDCLASSW wc;
    wc.lpfnWndProc = TestMainProc;
    wc.hInstance = g_app.instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = u"ScoreDialogsTestMain";
    RegisterClassW(&wc);
    mainWindow =
        CreateWindowExW(0, u"ScoreDialogsTestMain", u"Vex Moor", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, g_app.instance, nullptr);
    g_app.mainWindow = mainWindow;
    RestoreGeometry();
    char dir[] = "/tmp/vexmoor-dialogs-XXXXXX";
    folder = mkdtemp(dir) ? dir : "";
    table = std::make_unique<ScoreTable>(5, folder + "/results.txt");
    g_app.scores = table.get();
  }

  void TearDown() override {
    g_app.scores = nullptr;
    table.reset(); // saves into the temporary folder
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    if (g_app.dialogBackBuffer)
      DeleteObject(g_app.dialogBackBuffer);
    PlatformStop();
    DestroyModule(g_app.instance);
    ResetAppState();
  }
};
