#include "scores/score_dialogs.h"

#include <algorithm>
#include <string>

#include "base/utf16.h"
#include "platform/gdi.h"
#include "platform/window.h"
#include "scores/score_table.h"
#include "state/app_state.h"
#include "ui/game_text.h"

namespace {

constexpr COLORREF kPageColour = 0x143C1E;
constexpr COLORREF kTitleColour = 0xFAFAFA;
constexpr COLORREF kLineColour = 0x96FAC8;
constexpr COLORREF kNewestColour = 0xFFFF00;
constexpr std::size_t kMaxLineUnits = 255;

} // namespace

void DrawScoreLine(const ScoreRecord &record, HDC hdc, int number, int x, int y) {
  std::u16string line;
  line += FormatDecimal(number, 0);
  line += u". ";
  for (int i = 0; i < ScoreTable::kNameUnits && record.name[i] != 0; ++i)
    line.push_back(record.name[i]);
  line.push_back(u' ');
  line += FormatDecimal(record.score, 0);
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
  title += FormatDecimal(level + 1, 0);
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
