#include "scores/score_dialogs.h"

#include <algorithm>
#include <string>
#include <utility>

#include "app/app_state.h"
#include "game/hud.h"
#include "platform/gdi.h"
#include "platform/resources.h"
#include "platform/window.h"
#include "scores/score_table.h"

namespace {

constexpr COLORREF kPageColour = 0x143C1E;
constexpr COLORREF kTitleColour = 0xFAFAFA;
constexpr COLORREF kLineColour = 0x96FAC8;
constexpr COLORREF kNewestColour = 0xFFFF00;
constexpr std::size_t kMaxLineUnits = 255;

void AppendDecimal(std::u16string &text, long long value) {
  if (value < 0) {
    text.push_back(u'-');
    value = -value;
  }
  char16_t digits[24];
  int count = 0;
  do {
    digits[count++] = char16_t(u'0' + value % 10);
    value /= 10;
  } while (value > 0);
  while (count > 0)
    text.push_back(digits[--count]);
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void TextAt(HDC hdc, int x, int y, const std::u16string &text) {
  ExtTextOutW(hdc, x, y, 0, nullptr, text.c_str(), std::uint32_t(text.size()), nullptr);
}

} // namespace

void DrawScoreLine(const ScoreRecord &record, HDC hdc, int number, int x, int y) {
  std::u16string line;
  AppendDecimal(line, number);
  line += u". ";
  for (int i = 0; i < ScoreTable::kNameUnits && record.name[i] != 0; ++i)
    line.push_back(record.name[i]);
  line.push_back(u' ');
  AppendDecimal(line, record.score);
  if (line.size() > kMaxLineUnits) {
    std::size_t keep = kMaxLineUnits;
    if (IsHighSurrogate(line[keep - 1]) && IsLowSurrogate(line[keep]))
      --keep;
    line.resize(keep);
  }
  TextAt(hdc, x, y, line);
}

void DrawScoreTable(const ScoreTable *table, HDC hdc, int height, int width, int level) {
  HBRUSH page = CreateSolidBrush(kPageColour);
  HBRUSH previousBrush = SelectObject(hdc, page);
  Rectangle(hdc, 0, 0, width, height);
  SelectObject(hdc, previousBrush);
  DeleteObject(page);

  const int records = table ? table->perLevel : 0;
  // A page too small for its lines still gets a font one pixel high.
  const int lineHeight = std::max(1, std::min(height / (records + 1), 2 * (width / 26)));
  SetBkMode(hdc, TRANSPARENT);
  HFONT previousFont = nullptr;
  HFONT font = SelectGameFont(hdc, lineHeight - 1, 0, FW_BOLD, false, kGameFontFace, &previousFont);

  std::u16string title = u"Level ";
  AppendDecimal(title, level + 1);
  title += u" best scores:";
  SetTextColor(hdc, kTitleColour);
  TextAt(hdc, 5, 2, title);

  if (table && level >= 0 && level < ScoreTable::kLevels) {
    const auto &rows = table->levels[std::size_t(level)];
    const int shown = std::min(records, int(rows.size()));
    SetTextColor(hdc, kLineColour);
    for (int i = 0; i < shown; ++i)
      DrawScoreLine(rows[std::size_t(i)], hdc, i + 1, 10, (i + 1) * lineHeight + 5);
    // The newest entry is marked by its position, whichever level is shown.
    const int newest = table->lastIndex;
    if (newest >= 0 && newest < shown) {
      SetTextColor(hdc, kNewestColour);
      DrawScoreLine(rows[std::size_t(newest)], hdc, newest + 1, 10, (newest + 1) * lineHeight + 5);
    }
  }
  ReleaseGameFont(hdc, font, previousFont);
}

std::intptr_t RunDialog(int id, HWND owner,
                        std::intptr_t (*procedure)(HWND, std::uint32_t, std::uintptr_t, std::intptr_t)) {
  HRSRC resource = FindResourceW(g_app.instance, id, RT_DIALOG);
  const DialogTemplate *dialog = LoadResource(g_app.instance, resource);
  if (!dialog)
    return -1;
  return DialogBoxIndirectParamW(g_app.instance, dialog, owner, procedure, 0);
}

int DialogAreaHeight() { return g_app.screenHeight - g_app.dialogTop - g_app.menuBarHeight; }

void PlaceDialog(HWND dialog, int top) {
  MoveWindow(dialog, 0, top, g_app.screenWidth, DialogAreaHeight(), true);
}

void FollowScreenTurn(HWND dialog) {
  // Set at start-up from the screen; 0 is a square screen, which never turns.
  if (g_app.orientation == 0)
    return;
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  const int wanted = height < width ? 1 : height > width ? 2 : 0;
  if (wanted != 0 && g_app.orientation != wanted) {
    g_app.orientation = wanted;
    std::swap(g_app.screenWidth, g_app.screenHeight);
    SetWindowPos(dialog, HWND_TOP, 0, g_app.dialogTop, g_app.screenWidth, DialogAreaHeight(), SWP_SHOWWINDOW);
    return;
  }
  // The game screen below may have taken the turn first and swapped the geometry already;
  // the dialog must still follow it.
  RECT r{};
  if (GetWindowRect(dialog, &r) && (r.left != 0 || r.top != g_app.dialogTop || r.right != g_app.screenWidth ||
                                    r.bottom - r.top != DialogAreaHeight()))
    SetWindowPos(dialog, HWND_TOP, 0, g_app.dialogTop, g_app.screenWidth, DialogAreaHeight(), SWP_SHOWWINDOW);
}

void CloseProgramFrom(HWND dialog) {
  EndDialog(dialog, 0);
  SendMessageW(g_app.mainWindow, WM_CLOSE, 0, 0);
}

DialogCanvas::DialogCanvas(HWND dialog)
    : dialog_(dialog), window_(GetDC(dialog)), memory_(CreateCompatibleDC(window_)),
      width_(g_app.screenWidth), height_(DialogAreaHeight()) {
  if (g_app.dialogBackBuffer)
    DeleteObject(g_app.dialogBackBuffer);
  g_app.dialogBackBuffer = CreateBitmap(width_, height_, 1, 16, nullptr);
  if (g_app.dialogBackBuffer)
    previous_ = SelectObject(memory_, g_app.dialogBackBuffer);
  FillBlack(memory_, width_, height_);
}

DialogCanvas::~DialogCanvas() {
  if (previous_)
    SelectObject(memory_, previous_);
  DeleteDC(memory_);
  ReleaseDC(dialog_, window_);
}

void DialogCanvas::Show() {
  if (g_app.dialogBackBuffer)
    BitBlt(window_, 0, 0, width_, height_, memory_, 0, 0, SRCCOPY);
}
