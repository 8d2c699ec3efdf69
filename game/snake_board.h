#pragma once
// The board and snake model: a wrapping N x N board, the snake from head to tail, the food,
// the direction and the adaptive steering thresholds, plus the drawing of one frame.
// One instance lives for the whole run (owned by AppState); the game screen drives it.

#include <cstdint>

#include "platform/types.h"
#include "state/game_settings.h"

enum StepResult : std::int32_t { Moved = 0, Ate = 1, HitSelf = 2, HitHedge = 3 };

// Sprite slots of segmentSprites.
enum SegmentSlot : int {
  HeadUp = 0,
  HeadDown = 1,
  HeadRight = 2,
  HeadLeft = 3,
  TailBodyAbove = 4,
  TailBodyBelow = 5,
  TailBodyRight = 6,
  TailBodyLeft = 7,
  StraightHorizontal = 8,
  StraightVertical = 9,
  CornerLeftDown = 10,
  CornerUpRight = 11,
  CornerDownRight = 12,
  CornerUpLeft = 13,
};
constexpr int kSegmentSpriteCount = 14;
constexpr int kBannerCapacity = 100;

class SnakeBoard {
public:
  std::int32_t dirX = 0;
  std::int32_t dirY = 0;
  RECT boardRect;
  std::int32_t length = 0;
  std::int32_t *bodyX = nullptr;
  std::int32_t *bodyY = nullptr;
  std::int32_t *drawX = nullptr;
  std::int32_t *drawY = nullptr;
  std::int32_t vacatedX = 0;
  std::int32_t vacatedY = 0;
  std::int32_t foodX = 0;
  std::int32_t foodY = 0;
  bool running = false;
  bool started = false;
  std::int32_t level = 0;
  bool selfCollision = false;
  char16_t bannerText[kBannerCapacity] = {};
  bool bannerPending = false;
  std::int32_t bannerX = 0;
  std::int32_t bannerY = 0;
  std::int32_t bannerHeight = 0;
  COLORREF bannerColour = 0;
  HBITMAP segmentSprites[kSegmentSpriteCount] = {};
  HBITMAP foodSprite = nullptr;
  HBITMAP hedgeSprite = nullptr;
  HBITMAP grassTile = nullptr;
  HINSTANCE instance = nullptr;
  float thresholdX = 0.0f;
  float thresholdY = 0.0f;
  GameSettings *settings = nullptr;

  // Allocates the body arrays once and lays out the first snake. The settings must outlive
  // the board.
  explicit SnakeBoard(GameSettings *gameSettings);
  ~SnakeBoard();
  SnakeBoard(const SnakeBoard &) = delete;
  SnakeBoard &operator=(const SnakeBoard &) = delete;

  // Model (snake_board.cpp).
  void Reset();
  void Start();
  void Stop();
  // One step. steerX > 0 asks for right, steerY > 0 for up.
  StepResult Advance(std::int32_t steerX, std::int32_t steerY);
  void Grow();
  void PlaceFood();

  // Drawing (board_drawing.cpp).
  void LoadSprites(HINSTANCE module);
  // Draws the board into hdc; takes one step first when running and doStep are both set.
  StepResult DrawFrame(HDC hdc, std::int32_t steerX, std::int32_t steerY, bool doStep);
  // A message drawn by the next DrawFrame only.
  void ShowBanner(const char16_t *text);
  // Fills drawX/drawY with the body shifted so that neighbours differ by one across the seams.
  void UnwrapForDrawing();
  // The segmentSprites slot for segment i, from the unwrapped copy.
  int SegmentSprite(int i) const;
  void DrawSegment(HDC hdc, HDC spriteDc, int i, int cellW, int cellH) const;

  // The board size N, kept within 3..1024 whatever the settings say.
  int BoardSize() const;
  // The number of entries in each body array.
  int BodyCapacity() const { return capacity; }

private:
  // Fixed at construction, so a later change of the settings cannot move the array bounds.
  int capacity = 0;

  bool InHedge(int column, int row) const;
  bool InFoodExclusion(int column, int row) const;
  bool FoodCellFree(int column, int row) const;
  void ReleaseSprites();
};
