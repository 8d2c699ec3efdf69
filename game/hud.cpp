#include "game/hud.h"

#include "platform/gdi.h"
#include "ui/game_text.h"

void DrawHud(HDC hdc, int width, int hudHeight, std::int32_t score, float elapsedTime, std::int32_t gameLevel,
             float *starveLeft) {
  SetBkMode(hdc, TRANSPARENT);
  HFONT previous = nullptr;
  HFONT font = SelectGameFont(hdc, hudHeight - 1, 0, FW_BOLD, false, kGameFontFace, &previous);
  SetTextColor(hdc, kHudColour);

  const std::u16string scoreText = FormatDecimal(double(score), 0);
  TextAt(hdc, width - 8 * int(scoreText.size()) - 2, 1, scoreText);
  TextAt(hdc, 1, 1, u"Time: " + FormatDecimal(elapsedTime, 1));
  if (gameLevel >= 3) {
    if (*starveLeft < 0.0f)
      *starveLeft = 0.0f;
    TextAt(hdc, width / 2 - 20, 1, u"Starve:" + FormatDecimal(*starveLeft, 1));
  }
  ReleaseGameFont(hdc, font, previous);
}

void DrawGameOver(HDC hdc, int width, int height) {
  HFONT previous = nullptr;
  HFONT font = SelectGameFont(hdc, 26, 0, FW_BOLD, false, kGameFontFace, &previous);
  SetTextColor(hdc, kHudColour);
  TextAt(hdc, (width - 100) / 2, height / 2 - 13, u"Game Over");
  ReleaseGameFont(hdc, font, previous);
}
