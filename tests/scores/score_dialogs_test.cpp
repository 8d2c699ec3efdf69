#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/startup.h"
#include "game/hud.h"
#include "platform/backend.h"
#include "platform/gdi.h"
#include "platform/gdi_internal.h"
#include "platform/shell.h"
#include "platform/window.h"
#include "resources/resource_ids.h"
#include "resources/vexmoor_resources.h"
#include "scores/dialog_fixture.h"
#include "scores/score_dialogs.h"
#include "scores/score_table.h"

namespace {

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
int CountColour(const Surface &s, COLORREF colour, int top, int bottom, int left = 0, int right = -1) {
  const std::uint16_t wanted = ToRgb565(colour);
  if (right < 0)
    right = s.width;
  int count = 0;
  for (int y = std::max(top, 0); y < std::min(bottom, s.height); ++y)
    for (int x = left; x < right; ++x)
      count += s.Row(y)[x] == wanted;
  return count;
}

constexpr COLORREF kLine = 0x96FAC8, kCyan = 0xFFFF00, kTitle = 0xFAFAFA, kPage = 0x143C1E, kRed = 0x0000FF;

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

class ScoreDialogsTest : public DialogFixture {
protected:
  void FillLevels() {
    const char16_t *names[5] = {u"Ann", u"Bob", u"Cy", u"Dee", u"Eve"};
    const int scores[5] = {9, 7, 7, 3, 0};
    for (int level = 0; level < 5; ++level)
      for (int i = 0; i < 5; ++i) {
        table->levels[level][i].score = scores[i] + level * 10;
        std::u16string name = std::u16string(names[i]) + Decimal(level + 1);
        std::copy(name.begin(), name.end(), table->levels[level][i].name);
      }
  }
};

TEST_F(ScoreDialogsTest, PageLinesAreEighteenHighFromRow23OnA240x268Area) {
  FillLevels();
  HBITMAP page = CreateBitmap(240, 268, 1, 16, nullptr), reference = CreateBitmap(240, 268, 1, 16, nullptr);
  HDC dc = CreateCompatibleDC(nullptr), refDc = CreateCompatibleDC(nullptr);
  HBITMAP oldPage = SelectObject(dc, page), oldRef = SelectObject(refDc, reference);
  const int objects = GdiObjectCount();
  DrawScoreTable(table.get(), dc, 268, 240, 1);
  EXPECT_EQ(GdiObjectCount(), objects);
  ReferencePage(refDc, *table, 1, 240, 268, 18);

  const Surface &s = *BitmapSurface(page);
  EXPECT_EQ(s.pixels, BitmapSurface(reference)->pixels);
  EXPECT_EQ(s.Row(0)[0], 0); // the pen's outline
  EXPECT_EQ(s.Row(200)[120], ToRgb565(kPage));
  EXPECT_GT(CountColour(s, kTitle, 2, 23), 20); // "Level 2 best scores:"
  EXPECT_EQ(CountColour(s, kTitle, 23, 268), 0);
  for (int i = 0; i < 5; ++i)
    EXPECT_GT(CountColour(s, kLine, 23 + 18 * i, 41 + 18 * i), 10) << "line " << i + 1;
  EXPECT_EQ(CountColour(s, kLine, 0, 23), 0);
  EXPECT_EQ(CountColour(s, kLine, 113, 268), 0);
  EXPECT_EQ(CountColour(s, kCyan, 0, 268), 0); // nothing inserted in this run

  SelectObject(dc, oldPage);
  SelectObject(refDc, oldRef);
  DeleteDC(dc);
  DeleteDC(refDc);
  DeleteObject(page);
  DeleteObject(reference);
}

TEST_F(ScoreDialogsTest, LineTextIsNumberNameScoreAndNeverSplitsAPair) {
  HBITMAP a = CreateBitmap(240, 30, 1, 16, nullptr), b = CreateBitmap(240, 30, 1, 16, nullptr);
  HDC da = CreateCompatibleDC(nullptr), db = CreateCompatibleDC(nullptr);
  HBITMAP oldA = SelectObject(da, a), oldB = SelectObject(db, b);
  // A face with a visible replacement character, so that half a pair would show.
  HFONT pa = nullptr, pb = nullptr;
  HFONT fa = SelectGameFont(da, 17, 0, FW_NORMAL, false, u"DejaVu Sans", &pa);
  HFONT fb = SelectGameFont(db, 17, 0, FW_NORMAL, false, u"DejaVu Sans", &pb);
  SetTextColor(da, 0xFFFFFF);
  SetTextColor(db, 0xFFFFFF);
  auto same = [&](const ScoreRecord &record, int number, const std::u16string &expected) {
    FillBlack(da, 240, 30);
    FillBlack(db, 240, 30);
    POINT size{};
    GetTextExtentPoint32W(db, expected.c_str(), int(expected.size()), &size);
    const int x = std::min(10, 230 - int(size.x)); // the end of the line in view
    DrawScoreLine(record, da, number, x, 5);
    ExtTextOutW(db, x, 5, 0, nullptr, expected.c_str(), std::uint32_t(expected.size()), nullptr);
    return BitmapSurface(a)->pixels == BitmapSurface(b)->pixels;
  };
  ScoreRecord record;
  record.score = 42;
  std::copy_n(u"Zed", 3, record.name);
  EXPECT_TRUE(same(record, 1, u"1. Zed 42"));
  record.score = -3; // a file may hold anything
  EXPECT_TRUE(same(record, 12, u"12. Zed -3"));

  // At most 255 units: here unit 255 is the second half of a pair, so the pair goes whole.
  std::u16string name = std::u16string(251, u'x') + u"\U0001F40Dt"; // 254 units
  std::fill(std::begin(record.name), std::end(record.name), u'\0');
  std::copy(name.begin(), name.end(), record.name);
  EXPECT_TRUE(same(record, 1, u"1. " + std::u16string(251, u'x')));
  name = std::u16string(252, u'y') + u"\U0001F40D";
  std::fill(std::begin(record.name), std::end(record.name), u'\0');
  std::copy(name.begin(), name.end(), record.name);
  EXPECT_TRUE(same(record, 1, u"1. " + std::u16string(252, u'y')));
  EXPECT_FALSE(same(record, 1, u"1. " + std::u16string(252, u'y') + u"\xD83D")); // the test sees half pairs

  ReleaseGameFont(da, fa, pa);
  ReleaseGameFont(db, fb, pb);
  SelectObject(da, oldA);
  SelectObject(db, oldB);
  DeleteDC(da);
  DeleteDC(db);
  DeleteObject(a);
  DeleteObject(b);
}

TEST_F(ScoreDialogsTest, CyanFollowsTheInsertedPositionOnEveryLevel) {
  FillLevels();
  ASSERT_TRUE(table->Insert(0, 7, u"New")); // 9, 7, 7, 7, 3: position 3
  ASSERT_EQ(table->lastIndex, 3);
  HBITMAP page = CreateBitmap(240, 268, 1, 16, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, page);
  for (int level : {0, 2}) {
    DrawScoreTable(table.get(), dc, 268, 240, level);
    const Surface &s = *BitmapSurface(page);
    EXPECT_GT(CountColour(s, kCyan, 77, 95), 10) << "level " << level;
    EXPECT_EQ(CountColour(s, kCyan, 0, 77) + CountColour(s, kCyan, 95, 268), 0);
    EXPECT_EQ(CountColour(s, kLine, 77, 95), 0); // the green line is drawn over in cyan
  }
  DeleteDC(dc);
  DeleteObject(page);
}

TEST_F(ScoreDialogsTest, BestScoresOpensOnTheGameLevelAndSwitchesWithTheLevelKey) {
  FillLevels();
  g_app.gameLevel = 1;
  auto pageOnScreen = [this](int level) {
    HBITMAP reference = CreateBitmap(240, 268, 1, 16, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, reference);
    ReferencePage(dc, *table, level, 240, 268, 18);
    const Surface &screen = ScreenSurface(), &ref = *BitmapSurface(reference);
    int differ = 0;
    for (int y = 0; y < 268; ++y)
      for (int x = 0; x < 240; ++x)
        differ += screen.Row(26 + y)[x] != ref.Row(y)[x];
    DeleteDC(dc);
    DeleteObject(reference);
    return differ;
  };
  At(250, [&] {
    EXPECT_EQ(g_app.scoresLevel, 1);
    EXPECT_EQ(pageOnScreen(1), 0);
    EXPECT_TRUE(MenuChecked(g_app.scoresLevelMenu, IDM_LEVEL_1 + 1));
  });
  screen->QueueKey(300, VK_F2); // "Level"
  screen->QueueKey(320, '3');   // "Level 3"
  At(450, [&] {
    EXPECT_EQ(g_app.scoresLevel, 2);
    EXPECT_EQ(pageOnScreen(2), 0);
    EXPECT_TRUE(MenuChecked(g_app.scoresLevelMenu, IDM_LEVEL_1 + 2));
    EXPECT_FALSE(MenuChecked(g_app.scoresLevelMenu, IDM_LEVEL_1 + 1));
    objects = GdiObjectCount();
  });
  At(950, [&] { EXPECT_EQ(GdiObjectCount(), objects); }); // five repaints later
  screen->QueueKey(1000, VK_F1);                          // "Ok"
  RunDialog(IDD_BEST_SCORES, mainWindow, BestScoresDialogProc);
  EXPECT_EQ(GetTickCount(), 1000u);
  EXPECT_EQ(g_app.scoresDialog, nullptr);
  EXPECT_EQ(mainCloses, 0);
}

TEST_F(ScoreDialogsTest, NameIsCutToTenWithin100MsWithoutSplittingAPair) {
  std::copy_n(u"Ola", 3, g_app.playerName);
  At(250, [] {
    EXPECT_EQ(Field(), u"Ola");
    EXPECT_EQ(FieldCaret(), 3);
    const Surface &s = ScreenSurface();
    EXPECT_GT(CountColour(s, kRed, 26 + 10, 26 + 28), 20); // "Podaj imię:"
    EXPECT_GT(CountColour(s, kRed, 26 + 30, 26 + 48), 10); // "Ola_"
  });
  screen->QueueText(1050, u" Zażółć gęślą jaźń"); // desktop typing, accents included
  At(1149, [] {
    EXPECT_EQ(Field(), u"Ola Zażółć");
    EXPECT_EQ(std::u16string(g_app.playerName), u"Ola Zażółć");
  });
  screen->QueueKey(1200, VK_BACK);
  screen->QueueKey(1210, VK_BACK);
  screen->QueueKey(1220, VK_BACK);
  screen->QueueKey(1230, VK_BACK);
  screen->QueueText(1240, u"bcd\U0001F40D"); // 6 + 3 + 2 units: the snake would straddle the cut
  At(1349, [] { EXPECT_EQ(Field(), u"Ola Zabcd"); });
  screen->QueueKey(1400, VK_BACK);
  screen->QueueText(1410, u"\U0001F40D"); // 8 + 2 units: it fits whole
  At(1549, [] {
    EXPECT_EQ(Field(), u"Ola Zabc\U0001F40D");
    EXPECT_EQ(std::u16string(g_app.playerName), u"Ola Zabc\U0001F40D");
  });
  screen->QueueKey(1550, VK_BACK); // the pair goes as one character
  At(1560, [] { EXPECT_EQ(Field(), u"Ola Zabc"); });
  screen->QueueKey(1600, VK_F1);
  RunDialog(IDD_NAME_ENTRY, mainWindow, NameEntryDialogProc);
  EXPECT_EQ(std::u16string(g_app.playerName), u"Ola Zabc");
  EXPECT_EQ(g_app.nameDialog, nullptr);
}

TEST_F(ScoreDialogsTest, BackAndLeftKeysOnlyEverEditTheEnd) {
  screen->QueueKey(200, VK_BACK); // on an empty name: nothing
  At(290, [] { EXPECT_EQ(Field(), u""); });
  screen->QueueText(300, u"abc");
  screen->QueueKey(330, VK_BACK); // 3 characters leave 2
  At(340, [] {
    EXPECT_EQ(Field(), u"ab");
    EXPECT_EQ(FieldCaret(), 2);
  });
  screen->QueueText(420, u"cd");
  screen->QueueKey(430, VK_LEFT);
  At(440, [] { EXPECT_EQ(FieldCaret(), 4); }); // back at the end at once, not at the next tick
  screen->QueueKey(450, VK_LEFT);
  screen->QueueText(460, u"X");
  At(470, [] { EXPECT_EQ(Field(), u"abcdX"); });
  screen->QueueText(480, u"é"); // typed in the last moment before "Ok"
  screen->QueueKey(485, VK_F1);
  RunDialog(IDD_NAME_ENTRY, mainWindow, NameEntryDialogProc);
  EXPECT_EQ(std::u16string(g_app.playerName), u"abcdXé");
}

TEST_F(ScoreDialogsTest, CloseRequestEndsEachDialogAndClosesTheMainWindow) {
  struct Case {
    int id;
    DialogProc procedure;
  };
  for (Case c :
       {Case{IDD_NAME_ENTRY, Recorded<NameEntryDialogProc>},
        Case{IDD_BEST_SCORES, Recorded<BestScoresDialogProc>}, Case{IDD_ABOUT, Recorded<AboutDialogProc>}}) {
    mainCloses = 0;
    const std::uint64_t start = GetTickCount();
    At(start + 300, [] { PostMessageW(g_dialog, WM_CLOSE_REQUEST, 0, 0); });
    RunDialog(c.id, mainWindow, c.procedure);
    EXPECT_EQ(GetTickCount(), start + 300) << c.id;
    EXPECT_EQ(mainCloses, 1) << c.id;
    EXPECT_FALSE(IsWindow(g_dialog)) << c.id;
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
      At(start + 200, [] { RotateScreen(); });
      At(start + 350, [id, gameScreenFirst] {
        EXPECT_EQ(g_app.orientation, 1);
        EXPECT_EQ(g_app.screenWidth, 320);
        EXPECT_EQ(g_app.screenHeight, 240);
        RECT r{};
        GetWindowRect(id == IDD_NAME_ENTRY ? g_app.nameDialog : g_app.scoresDialog, &r);
        EXPECT_EQ(r.left, 0) << id << gameScreenFirst;
        EXPECT_EQ(r.top, 26);
        EXPECT_EQ(r.right, 320);
        EXPECT_EQ(r.bottom, 214);
        const Surface &s = ScreenSurface();
        if (id == IDD_BEST_SCORES) {
          EXPECT_EQ(s.Row(26 + 180)[310], ToRgb565(kPage)); // the page spans the turned area
        }
      });
      screen->QueueKey(start + 400, VK_F1);
      RunDialog(id, mainWindow, id == IDD_NAME_ENTRY ? NameEntryDialogProc : BestScoresDialogProc);
      RotateScreen();
    }
  }
}

} // namespace
