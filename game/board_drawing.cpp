#include <algorithm>

#include "game/snake_board.h"
#include "platform/gdi.h"
#include "ui/game_text.h"

namespace {

constexpr COLORREF kTransparent = 0xFFFFFF;
constexpr COLORREF kBannerColour = 0xFFFFFF;
constexpr int kSpriteSize = 16;
constexpr int kHedgeSize = 110;

// Resource ids of segmentSprites 0..13, then the food, the hedge and the grass tile.
constexpr int kSpriteIds[kSegmentSpriteCount + 3] = {146, 147, 139, 145, 149, 150, 148, 141, 140,
                                                     144, 153, 151, 143, 152, 142, 154, 155};

// Where a neighbour lies as seen from a segment.
enum class Side { Above, Below, Left, Right, Elsewhere };

Side SideOf(int nx, int ny, int cx, int cy) {
  if (nx == cx && ny != cy)
    return ny < cy ? Side::Above : Side::Below;
  if (ny == cy && nx != cx)
    return nx < cx ? Side::Left : Side::Right;
  return Side::Elsewhere;
}

} // namespace

void SnakeBoard::ReleaseSprites() {
  for (HBITMAP &sprite : segmentSprites) {
    if (sprite != nullptr)
      DeleteObject(sprite);
    sprite = nullptr;
  }
  for (HBITMAP *sprite : {&foodSprite, &hedgeSprite, &grassTile}) {
    if (*sprite != nullptr)
      DeleteObject(*sprite);
    *sprite = nullptr;
  }
}

void SnakeBoard::LoadSprites(HINSTANCE module) {
  ReleaseSprites();
  instance = module;
  for (int i = 0; i < kSegmentSpriteCount; ++i)
    segmentSprites[i] = LoadBitmapW(module, kSpriteIds[i]);
  foodSprite = LoadBitmapW(module, kSpriteIds[kSegmentSpriteCount]);
  hedgeSprite = LoadBitmapW(module, kSpriteIds[kSegmentSpriteCount + 1]);
  grassTile = LoadBitmapW(module, kSpriteIds[kSegmentSpriteCount + 2]);
}

void SnakeBoard::ShowBanner(const char16_t *text) {
  int count = 0;
  for (; text != nullptr && count < kBannerCapacity - 1 && text[count] != 0; ++count)
    bannerText[count] = text[count];
  bannerText[count] = 0;
  bannerX = 3;
  bannerY = int(double(boardRect.bottom) - 30.0);
  bannerHeight = 20;
  bannerColour = kBannerColour;
  bannerPending = true;
}

void SnakeBoard::UnwrapForDrawing() {
  const int n = BoardSize();
  int minX = n, maxX = 0, minY = n, maxY = 0;
  for (int i = 0; i < length; ++i) {
    drawX[i] = bodyX[i];
    drawY[i] = bodyY[i];
    minX = std::min(minX, bodyX[i]);
    maxX = std::max(maxX, bodyX[i]);
    minY = std::min(minY, bodyY[i]);
    maxY = std::max(maxY, bodyY[i]);
  }
  if (!((minX == 0 && maxX == n - 1) || (minY == 0 && maxY == n - 1)))
    return;

  // Cut the torus at the last column and row that no segment uses: nothing crosses there.
  int freeColumn = -1, freeRow = -1;
  for (int c = n - 1; c >= 0 && (freeColumn < 0 || freeRow < 0); --c) {
    bool columnUsed = false, rowUsed = false;
    for (int i = 0; i < length; ++i) {
      columnUsed = columnUsed || bodyX[i] == c;
      rowUsed = rowUsed || bodyY[i] == c;
    }
    if (freeColumn < 0 && !columnUsed)
      freeColumn = c;
    if (freeRow < 0 && !rowUsed)
      freeRow = c;
  }
  for (int i = 0; i < length; ++i) {
    if (drawX[i] < freeColumn)
      drawX[i] += n;
    if (drawY[i] < freeRow)
      drawY[i] += n;
  }
}

int SnakeBoard::SegmentSprite(int i) const {
  if (length < 2)
    return HeadRight;
  const int cx = drawX[i], cy = drawY[i];
  if (i == length - 1) {
    const int px = drawX[i - 1], py = drawY[i - 1];
    if (px != cx)
      return px > cx ? TailBodyRight : TailBodyLeft;
    return py > cy ? TailBodyBelow : TailBodyAbove;
  }
  if (i == 0) {
    const int qx = drawX[1], qy = drawY[1];
    if (qx != cx)
      return qx > cx ? HeadLeft : HeadRight;
    return qy > cy ? HeadUp : HeadDown;
  }
  const int px = drawX[i - 1], py = drawY[i - 1];
  const int qx = drawX[i + 1], qy = drawY[i + 1];
  if (px == cx && qx == cx)
    return StraightVertical;
  if (py == cy && qy == cy)
    return StraightHorizontal;
  const Side p = SideOf(px, py, cx, cy);
  const Side q = SideOf(qx, qy, cx, cy);
  auto pair = [p, q](Side s, Side t) { return (p == s && q == t) || (p == t && q == s); };
  if (pair(Side::Above, Side::Right))
    return CornerUpRight;
  if (pair(Side::Above, Side::Left))
    return CornerUpLeft;
  if (pair(Side::Left, Side::Below))
    return CornerLeftDown;
  if (pair(Side::Below, Side::Right))
    return CornerDownRight;
  // Unreachable for a connected body; a straight piece is the least surprising picture.
  return StraightHorizontal;
}

void SnakeBoard::DrawSegment(HDC hdc, HDC spriteDc, int i, int cellW, int cellH) const {
  HBITMAP sprite = segmentSprites[SegmentSprite(i)];
  if (sprite == nullptr)
    return;
  SelectObject(spriteDc, sprite);
  TransparentImage(hdc, boardRect.left + bodyX[i] * cellW, boardRect.top + bodyY[i] * cellH, cellW, cellH,
                   spriteDc, 0, 0, kSpriteSize, kSpriteSize, kTransparent);
}

StepResult SnakeBoard::DrawFrame(HDC hdc, std::int32_t steerX, std::int32_t steerY, bool doStep) {
  const int n = BoardSize();
  const int cellW = (boardRect.right - boardRect.left) / n;
  const int cellH = (boardRect.bottom - boardRect.top) / n;

  HBRUSH grass = grassTile != nullptr ? CreatePatternBrush(grassTile) : nullptr;
  HBRUSH previousBrush = nullptr;
  if (grass != nullptr) {
    previousBrush = SelectObject(hdc, grass);
    Rectangle(hdc, boardRect.left, boardRect.top, boardRect.right, boardRect.bottom);
  }

  // One memory context serves every sprite of the frame; each is selected in turn.
  HBITMAP anySprite = foodSprite != nullptr ? foodSprite : hedgeSprite;
  for (HBITMAP sprite : segmentSprites)
    anySprite = anySprite != nullptr ? anySprite : sprite;
  HDC spriteDc = anySprite != nullptr ? CreateCompatibleDC(hdc) : nullptr;
  HBITMAP originalBitmap = nullptr;
  if (spriteDc != nullptr)
    originalBitmap = SelectObject(spriteDc, anySprite);

  if (level == 4 && hedgeSprite != nullptr && spriteDc != nullptr) {
    const int lo = n / 4;
    SelectObject(spriteDc, hedgeSprite);
    TransparentImage(hdc, boardRect.left + lo * cellW, boardRect.top + lo * cellH, (n * cellW) / 2,
                     (n * cellH) / 2, spriteDc, 0, 0, kHedgeSize, kHedgeSize, kTransparent);
  }

  // The step comes between the background and the snake, so the frame shows the new position.
  const StepResult result = running && doStep ? Advance(steerX, steerY) : Moved;

  UnwrapForDrawing();
  if (spriteDc != nullptr) {
    for (int i = 0; i < length; ++i)
      DrawSegment(hdc, spriteDc, i, cellW, cellH);
    // Drawn last, so it stays visible on a tail that shares its cell.
    if (foodSprite != nullptr) {
      SelectObject(spriteDc, foodSprite);
      TransparentImage(hdc, boardRect.left + foodX * cellW, boardRect.top + foodY * cellH, cellW, cellH,
                       spriteDc, 0, 0, kSpriteSize, kSpriteSize, kTransparent);
    }
    if (originalBitmap != nullptr)
      SelectObject(spriteDc, originalBitmap);
    DeleteDC(spriteDc);
  }

  if (grass != nullptr) {
    if (previousBrush != nullptr)
      SelectObject(hdc, previousBrush);
    DeleteObject(grass);
  }

  if (bannerPending) {
    SetTextColor(hdc, bannerColour);
    HFONT previousFont = nullptr;
    HFONT font = SelectGameFont(hdc, bannerHeight, 0, FW_BOLD, false, kGameFontFace, &previousFont);
    int count = 0;
    while (count < kBannerCapacity && bannerText[count] != 0)
      ++count;
    ExtTextOutW(hdc, bannerX, bannerY, 0, nullptr, bannerText, std::uint32_t(count), nullptr);
    ReleaseGameFont(hdc, font, previousFont);
  }
  bannerPending = false;
  return result;
}
