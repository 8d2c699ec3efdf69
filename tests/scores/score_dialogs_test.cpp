// The score dialogs' rules on the headless screen, over a main window of the tests' own class
// (their pictures are golden: tests/golden/).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <tuple>
#include <utility>

#include "platform/backend.h"
#include "platform/gdi.h"
#include "platform/resources.h"
#include "platform/window.h"
#include "resources/resource_ids.h"
#include "resources/vexmoor_resources.h"
#include "scores/score_dialogs.h"
#include "state/app_state.h"
#include "support/game_harness.h"
#include "ui/dialog_frame.h"

namespace {

int mainCloses = 0;
HWND g_dialog = nullptr; // the dialog a Recorded procedure saw open last

template <DialogProc P>
std::intptr_t Recorded(HWND dialog, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  if (message == WM_INITDIALOG)
    g_dialog = dialog;
  return P(dialog, message, wParam, lParam);
}

std::intptr_t TestMainProc(HWND window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  if (message == WM_CLOSE) {
    ++mainCloses; // stays open, so that the dialog must end by itself
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

std::u16string Field() {
  char16_t text[256];
  int n = GetWindowTextW(GetDlgItem(g_app.nameDialog, IDC_NAME_EDIT), text, 256);
  return std::u16string(text, std::size_t(n));
}

std::int32_t FieldCaret() {
  std::uint32_t start = 0, end = 0;
  SendMessageW(GetDlgItem(g_app.nameDialog, IDC_NAME_EDIT), EM_GETSEL,
               reinterpret_cast<std::uintptr_t>(&start), reinterpret_cast<std::intptr_t>(&end));
  return std::int32_t(end);
}

class ScoreDialogsTest : public ::testing::Test {
protected:
  GameHarness h; // the headless screen, checks at virtual times and a temporary folder
  HeadlessBackend *screen = h.screen;
  HWND mainWindow = nullptr;

  void SetUp() override {
    mainCloses = 0;
    g_dialog = nullptr;
    g_app.instance = CreateModule(&VexmoorResources());
    const WNDCLASSW wc{.lpfnWndProc = TestMainProc,
                       .hInstance = g_app.instance,
                       .hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)),
                       .lpszClassName = u"ScoreDialogsTestMain"};
    RegisterClassW(&wc);
    mainWindow =
        CreateWindowExW(0, u"ScoreDialogsTestMain", u"Vex Moor", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, g_app.instance, nullptr);
    g_app.mainWindow = mainWindow;
    g_app.screenWidth = 240, g_app.screenHeight = 320, g_app.orientation = 2;
    g_app.dialogTop = kTitleStripHeight, g_app.menuBarHeight = kSoftKeyBarHeight;
  }

  void TearDown() override {
    if (g_app.dialogBackBuffer)
      DeleteObject(g_app.dialogBackBuffer);
    PlatformStop();
    DestroyModule(g_app.instance);
  }
};

TEST_F(ScoreDialogsTest, NameEntryEditsOnlyTheEndAndCutsToTenWithin100MsWithoutSplittingAPair) {
  std::copy_n(u"Ola", 3, g_app.playerName);     // offered, as in the golden name entry
  for (std::uint64_t at : {300, 350, 360, 370}) // 3 characters leave 2, then none; the last one: nothing
    screen->QueueKey(at, VK_BACK);
  screen->QueueText(400, u"abcd");
  screen->QueueKey(410, VK_LEFT);
  h.At(420, [] { EXPECT_EQ(FieldCaret(), 4); }); // back at the end at once, not at the next tick
  screen->QueueKey(430, VK_LEFT);
  screen->QueueText(440, u"X");
  screen->QueueText(1050, u" Zażółć gęślą jaźń"); // desktop typing, accents included
  screen->QueueKey(1200, VK_BACK);
  screen->QueueKey(1210, VK_BACK);
  screen->QueueText(1240, u"b\U0001F40D"); // 9 + 2 units: the snake would straddle the cut
  screen->QueueKey(1400, VK_BACK);
  screen->QueueText(1410, u"\U0001F40D"); // 8 + 2 units: it fits whole
  screen->QueueKey(1550, VK_BACK);        // the pair goes as one character
  // The field at each time, and whether the name it gives is already the player's.
  const std::tuple<std::uint64_t, std::u16string, bool> fields[] = {
      {340, u"Ol", false},         {390, u"", false},           {450, u"abcdX", false},
      {1149, u"abcdX Zażó", true}, {1349, u"abcdX Zab", false}, {1549, u"abcdX Za\U0001F40D", true},
      {1560, u"abcdX Za", false}};
  for (const auto &[at, field, named] : fields)
    h.At(at, [&field = field, named = named] {
      EXPECT_EQ(Field(), field);
      EXPECT_EQ(named ? std::u16string(g_app.playerName) : field, field);
    });
  screen->QueueText(1580, u"é"); // typed in the last moment before "Ok"
  screen->QueueKey(1585, VK_F1);
  RunDialog(IDD_NAME_ENTRY, mainWindow, NameEntryDialogProc);
  EXPECT_EQ(std::u16string(g_app.playerName), u"abcdX Zaé");
  EXPECT_EQ(g_app.nameDialog, nullptr);
}

TEST_F(ScoreDialogsTest, CloseRequestEndsEachDialogAndClosesTheMainWindow) {
  const std::pair<int, DialogProc> cases[] = {{IDD_NAME_ENTRY, Recorded<NameEntryDialogProc>},
                                              {IDD_BEST_SCORES, Recorded<BestScoresDialogProc>},
                                              {IDD_ABOUT, Recorded<AboutDialogProc>}};
  for (auto [id, procedure] : cases) {
    mainCloses = 0;
    const std::uint64_t start = GetTickCount();
    SetTimer(nullptr, 1, 300, [](HWND, std::uint32_t, std::uintptr_t id, std::uint32_t) {
      KillTimer(nullptr, id); // a timer, so that the dialog's loop takes the message at once
      PostMessageW(g_dialog, WM_CLOSE_REQUEST, 0, 0);
    });
    RunDialog(id, mainWindow, procedure);
    EXPECT_EQ(GetTickCount(), start + 300) << id;
    EXPECT_EQ(mainCloses, 1) << id;
    EXPECT_FALSE(IsWindow(g_dialog)) << id;
  }
}

} // namespace
