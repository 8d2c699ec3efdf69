// The three score dialogs on the headless screen, over a main window of the tests' own class.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "game/hud.h"
#include "platform/backend.h"
#include "platform/gdi.h"
#include "platform/gdi_internal.h"
#include "platform/shell.h"
#include "platform/window.h"
#include "resources/resource_ids.h"
#include "resources/vexmoor_resources.h"
#include "scores/score_dialogs.h"
#include "scores/score_table.h"
#include "state/app_state.h"
#include "support/game_harness.h"
#include "ui/dialog_frame.h"
#include "ui/game_text.h"

namespace {

int mainCloses = 0;
bool takeTurnFirst = false; // the main window takes a turn of the screen first, as the game screen does
HWND g_dialog = nullptr;    // the dialog a Recorded procedure saw open last

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
  if (message == WM_SIZE && takeTurnFirst) {
    const int wanted = GetSystemMetrics(SM_CYSCREEN) < GetSystemMetrics(SM_CXSCREEN) ? 1 : 2;
    if (g_app.orientation != wanted) {
      g_app.orientation = wanted;
      std::swap(g_app.screenWidth, g_app.screenHeight);
    }
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

std::u16string Decimal(long long v) {
  std::string s = std::to_string(v);
  return std::u16string(s.begin(), s.end());
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

// Whole pixels of a colour (glyph edges are blended) in rows [top, bottom) of a surface.
int CountColour(const Surface &s, COLORREF colour, int top, int bottom) {
  const std::uint16_t wanted = ToRgb565(colour);
  int count = 0;
  for (int y = std::max(top, 0); y < std::min(bottom, s.height); ++y)
    for (int x = 0; x < s.width; ++x)
      count += s.Row(y)[x] == wanted;
  return count;
}

constexpr COLORREF kLine = 0x96FAC8, kCyan = 0xFFFF00, kTitle = 0xFAFAFA, kPage = 0x143C1E, kRed = 0x0000FF;

// A 16-bit bitmap selected into a memory DC of its own.
struct Page {
  HBITMAP bitmap;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP old;
  Page(int w, int h) : bitmap(CreateBitmap(w, h, 1, 16, nullptr)), old(SelectObject(dc, bitmap)) {}
  ~Page() {
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  const Surface &surface() const { return *BitmapSurface(bitmap); }
};

// The page as the layout describes it, drawn from primitives: the reference for the pictures.
void ReferencePage(HDC dc, const ScoreTable &table, int level, int w, int h, int lineHeight) {
  HBRUSH brush = CreateSolidBrush(kPage);
  HBRUSH old = SelectObject(dc, brush);
  Rectangle(dc, 0, 0, w, h);
  SelectObject(dc, old);
  DeleteObject(brush);
  HFONT previous = nullptr;
  HFONT font = SelectGameFont(dc, lineHeight - 1, 0, FW_BOLD, false, u"Times New Roman", &previous);
  auto text = [&](int x, int y, COLORREF colour, const std::u16string &t) {
    SetTextColor(dc, colour);
    ExtTextOutW(dc, x, y, 0, nullptr, t.c_str(), std::uint32_t(t.size()), nullptr);
  };
  text(5, 2, kTitle, u"Level " + Decimal(level + 1) + u" best scores:");
  for (int i = 0; i < table.perLevel; ++i) {
    const ScoreRecord &r = table.levels[level][i];
    text(10, (i + 1) * lineHeight + 5, i == table.lastIndex ? kCyan : kLine,
         Decimal(i + 1) + u". " + std::u16string(r.name) + u" " + Decimal(r.score));
  }
  ReleaseGameFont(dc, font, previous);
}

class ScoreDialogsTest : public ::testing::Test {
protected:
  GameHarness h; // the headless screen, checks at virtual times and a temporary folder
  HeadlessBackend *screen = h.screen;
  HWND mainWindow = nullptr;
  std::unique_ptr<ScoreTable> table;

  void RestoreGeometry() {
    g_app.screenWidth = GetSystemMetrics(SM_CXSCREEN);
    g_app.screenHeight = GetSystemMetrics(SM_CYSCREEN);
    g_app.dialogTop = kTitleStripHeight;
    g_app.menuBarHeight = kSoftKeyBarHeight;
    g_app.orientation = g_app.screenHeight > g_app.screenWidth ? 2 : 1;
  }

  void SetUp() override {
    mainCloses = 0;
    takeTurnFirst = false;
    g_dialog = nullptr;
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
    table = std::make_unique<ScoreTable>(5, h.resultsFile);
    g_app.scores = table.get();
  }

  void TearDown() override {
    g_app.scores = nullptr;
    table.reset(); // saves into the temporary folder
    if (g_app.dialogBackBuffer)
      DeleteObject(g_app.dialogBackBuffer);
    PlatformStop();
    DestroyModule(g_app.instance);
  }

  void FillLevels() {
    const char16_t *names[5] = {u"Ann", u"Bob", u"Cy", u"Dee", u"Eve"};
    const int scores[5] = {9, 7, 7, 3, -30}; // files may hold negative scores
    for (int level = 0; level < 5; ++level)
      for (int i = 0; i < 5; ++i) {
        table->levels[level][i].score = scores[i] + level * 10;
        std::u16string name = std::u16string(names[i]) + Decimal(level + 1);
        std::copy(name.begin(), name.end(), table->levels[level][i].name);
      }
  }
};

TEST_F(ScoreDialogsTest, PageLinesAreEighteenHighFromRow23AndTheLastInsertionIsCyan) {
  FillLevels();
  Page page(240, 268), reference(240, 268);
  const int objects = GdiObjectCount();
  DrawScoreTable(table.get(), page.dc, 268, 240, 1);
  EXPECT_EQ(GdiObjectCount(), objects);
  ReferencePage(reference.dc, *table, 1, 240, 268, 18);

  const Surface &s = page.surface();
  EXPECT_EQ(s.pixels, reference.surface().pixels);
  EXPECT_EQ(s.Row(0)[0], 0); // the pen's outline
  EXPECT_EQ(s.Row(200)[120], ToRgb565(kPage));
  EXPECT_GT(CountColour(s, kTitle, 2, 23), 20); // "Level 2 best scores:"
  EXPECT_EQ(CountColour(s, kTitle, 23, 268), 0);
  for (int i = 0; i < 5; ++i)
    EXPECT_GT(CountColour(s, kLine, 23 + 18 * i, 41 + 18 * i), 10) << "line " << i + 1;
  EXPECT_EQ(CountColour(s, kLine, 0, 23) + CountColour(s, kLine, 113, 268), 0);
  EXPECT_EQ(CountColour(s, kCyan, 0, 268), 0); // nothing inserted in this run

  ASSERT_TRUE(table->Insert(0, 7, u"New")); // 9, 7, 7, 7, 3: position 3, cyan on every level's page
  ASSERT_EQ(table->lastIndex, 3);
  for (int level : {0, 2}) {
    DrawScoreTable(table.get(), page.dc, 268, 240, level);
    EXPECT_GT(CountColour(s, kCyan, 77, 95), 10) << "level " << level;
    EXPECT_EQ(CountColour(s, kCyan, 0, 77) + CountColour(s, kCyan, 95, 268), 0);
    EXPECT_EQ(CountColour(s, kLine, 77, 95), 0); // the green line is drawn over in cyan
  }
}

TEST_F(ScoreDialogsTest, BestScoresOpensOnTheGameLevelAndSwitchesWithTheLevelKey) {
  FillLevels();
  g_app.gameLevel = 1;
  auto pageOnScreen = [this](int level) {
    Page reference(240, 268);
    ReferencePage(reference.dc, *table, level, 240, 268, 18);
    const Surface &screen = ScreenSurface(), &ref = reference.surface();
    int differ = 0;
    for (int y = 0; y < 268; ++y)
      for (int x = 0; x < 240; ++x)
        differ += screen.Row(26 + y)[x] != ref.Row(y)[x];
    return differ;
  };
  int objects = 0;
  h.At(250, [&] {
    EXPECT_EQ(g_app.scoresLevel, 1);
    EXPECT_EQ(pageOnScreen(1), 0);
    EXPECT_TRUE(MenuChecked(g_app.scoresLevelMenu, IDM_LEVEL_1 + 1));
  });
  screen->QueueKey(300, VK_F2); // "Level"
  screen->QueueKey(320, '3');   // "Level 3"
  h.At(450, [&] {
    EXPECT_EQ(g_app.scoresLevel, 2);
    EXPECT_EQ(pageOnScreen(2), 0);
    EXPECT_TRUE(MenuChecked(g_app.scoresLevelMenu, IDM_LEVEL_1 + 2));
    EXPECT_FALSE(MenuChecked(g_app.scoresLevelMenu, IDM_LEVEL_1 + 1));
    objects = GdiObjectCount();
  });
  h.At(950, [&] { EXPECT_EQ(GdiObjectCount(), objects); }); // five repaints later
  screen->QueueKey(1000, VK_F1);                            // "Ok"
  RunDialog(IDD_BEST_SCORES, mainWindow, BestScoresDialogProc);
  EXPECT_EQ(GetTickCount(), 1000u);
  EXPECT_EQ(g_app.scoresDialog, nullptr);
  EXPECT_EQ(mainCloses, 0);
}

TEST_F(ScoreDialogsTest, NameEntryEditsOnlyTheEndAndCutsToTenWithin100MsWithoutSplittingAPair) {
  std::copy_n(u"Ola", 3, g_app.playerName);
  h.At(250, [] {
    EXPECT_EQ(Field(), u"Ola");
    EXPECT_EQ(FieldCaret(), 3);
    const Surface &s = ScreenSurface();
    EXPECT_GT(CountColour(s, kRed, 26 + 10, 26 + 28), 20); // "Podaj imię:"
    EXPECT_GT(CountColour(s, kRed, 26 + 30, 26 + 48), 10); // "Ola_"
  });
  screen->QueueKey(300, VK_BACK); // 3 characters leave 2
  h.At(340, [] {
    EXPECT_EQ(Field(), u"Ol");
    EXPECT_EQ(FieldCaret(), 2);
  });
  for (std::uint64_t at : {350, 360, 370}) // the last one on an empty name: nothing
    screen->QueueKey(at, VK_BACK);
  h.At(390, [] { EXPECT_EQ(Field(), u""); });
  screen->QueueText(400, u"abcd");
  screen->QueueKey(410, VK_LEFT);
  h.At(420, [] { EXPECT_EQ(FieldCaret(), 4); }); // back at the end at once, not at the next tick
  screen->QueueKey(430, VK_LEFT);
  screen->QueueText(440, u"X");
  h.At(450, [] { EXPECT_EQ(Field(), u"abcdX"); });

  screen->QueueText(1050, u" Zażółć gęślą jaźń"); // desktop typing, accents included
  h.At(1149, [] {
    EXPECT_EQ(Field(), u"abcdX Zażó");
    EXPECT_EQ(std::u16string(g_app.playerName), u"abcdX Zażó");
  });
  screen->QueueKey(1200, VK_BACK);
  screen->QueueKey(1210, VK_BACK);
  screen->QueueText(1240, u"b\U0001F40D"); // 9 + 2 units: the snake would straddle the cut
  h.At(1349, [] { EXPECT_EQ(Field(), u"abcdX Zab"); });
  screen->QueueKey(1400, VK_BACK);
  screen->QueueText(1410, u"\U0001F40D"); // 8 + 2 units: it fits whole
  h.At(1549, [] {
    EXPECT_EQ(Field(), u"abcdX Za\U0001F40D");
    EXPECT_EQ(std::u16string(g_app.playerName), u"abcdX Za\U0001F40D");
  });
  screen->QueueKey(1550, VK_BACK); // the pair goes as one character
  h.At(1560, [] { EXPECT_EQ(Field(), u"abcdX Za"); });
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

TEST_F(ScoreDialogsTest, AboutEndsWithTheCommandId) {
  screen->QueueKey(300, VK_BACK);
  EXPECT_EQ(RunDialog(IDD_ABOUT, mainWindow, AboutDialogProc), IDCANCEL);
  screen->QueueKey(GetTickCount() + 100, VK_RETURN); // the Done button
  EXPECT_EQ(RunDialog(IDD_ABOUT, mainWindow, AboutDialogProc), IDOK);
}

TEST_F(ScoreDialogsTest, DrawnDialogsFollowATurnOfTheScreen) {
  FillLevels();
  for (bool gameScreenFirst : {false, true}) {
    for (int id : {IDD_BEST_SCORES, IDD_NAME_ENTRY}) {
      RestoreGeometry();
      takeTurnFirst = gameScreenFirst;
      const std::uint64_t start = GetTickCount();
      h.At(start + 200, [] { RotateScreen(); });
      h.At(start + 350, [id, gameScreenFirst] {
        EXPECT_EQ(g_app.orientation, 1);
        EXPECT_EQ(g_app.screenWidth, 320);
        EXPECT_EQ(g_app.screenHeight, 240);
        RECT r{};
        GetWindowRect(id == IDD_NAME_ENTRY ? g_app.nameDialog : g_app.scoresDialog, &r);
        EXPECT_EQ(r.left, 0) << id << gameScreenFirst;
        EXPECT_EQ(r.top, 26);
        EXPECT_EQ(r.right, 320);
        EXPECT_EQ(r.bottom, 214);
        if (id == IDD_BEST_SCORES) { // the page spans the turned area
          EXPECT_EQ(ScreenSurface().Row(26 + 180)[310], ToRgb565(kPage));
        }
      });
      screen->QueueKey(start + 400, VK_F1);
      RunDialog(id, mainWindow, id == IDD_NAME_ENTRY ? NameEntryDialogProc : BestScoresDialogProc);
      RotateScreen();
    }
  }
}

} // namespace
