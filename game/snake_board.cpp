#include "game/snake_board.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Keeps N * N and the body arrays within sensible bounds even when the settings were
// never checked (the loader refuses such values, but the board must not rely on it).
constexpr int kMinBoardSize = 3;
constexpr int kMaxBoardSize = 1024;
// After this many rejected random cells the first free cell from the last draw is taken,
// so placing food always ends.
constexpr int kRandomFoodTries = 10000;

std::int64_t Magnitude(std::int32_t v) { return v < 0 ? -std::int64_t(v) : std::int64_t(v); }

int Wrap(int v, int n) {
  v %= n;
  return v < 0 ? v + n : v;
}

// Lowers a threshold by the decay, never below the floor. A decay that is not a number
// also ends at the floor.
float Decay(float threshold, float decay, float floor) {
  threshold *= decay;
  return threshold >= floor ? threshold : floor;
}

} // namespace

SnakeBoard::SnakeBoard(GameSettings *gameSettings) : settings(gameSettings) {
  level = 0;
  selfCollision = false;
  capacity = std::clamp(settings->bodyCapacity, kMinBoardSize, BoardSize());
  bodyX = new std::int32_t[capacity]();
  bodyY = new std::int32_t[capacity]();
  drawX = new std::int32_t[capacity]();
  drawY = new std::int32_t[capacity]();
  Reset();
}

SnakeBoard::~SnakeBoard() {
  ReleaseSprites();
  delete[] bodyX;
  delete[] bodyY;
  delete[] drawX;
  delete[] drawY;
}

int SnakeBoard::BoardSize() const { return std::clamp(settings->boardSize, kMinBoardSize, kMaxBoardSize); }

void SnakeBoard::Reset() {
  // The snake is always shorter than the board is wide, so a free row and column exist.
  const int maxLength = std::min(capacity, BoardSize()) - 1;
  length = std::clamp(settings->startLength, 2, maxLength);
  for (int i = 0; i < length; ++i) {
    bodyX[i] = length - 1 - i;
    bodyY[i] = 0;
  }
  vacatedX = bodyX[length - 1];
  vacatedY = bodyY[length - 1];
  dirX = dirY = 0;
  PlaceFood();
  running = false;
  started = false;
  bannerPending = false;
  thresholdX = thresholdY = float(settings->minThreshold);
}

void SnakeBoard::Start() { running = true; }

void SnakeBoard::Stop() { running = false; }

StepResult SnakeBoard::Advance(std::int32_t steerX, std::int32_t steerY) {
  const int oldX = dirX;
  const int oldY = dirY;
  const float turn = float(settings->turnThreshold);
  const float floor = float(settings->minThreshold);
  const float decay = settings->thresholdDecay;
  const std::int64_t a = Magnitude(steerX);
  const std::int64_t b = Magnitude(steerY);

  // A zero vector never turns, even with a threshold configured below zero.
  if (steerX != 0 && float(a) > thresholdX) {
    thresholdX = turn;
    dirX = steerX > 0 ? 1 : -1;
  }
  thresholdX = Decay(thresholdX, decay, floor);
  // Positive steering means up, towards row 0.
  if (steerY != 0 && float(b) > thresholdY) {
    thresholdY = turn;
    dirY = steerY > 0 ? -1 : 1;
  }
  thresholdY = Decay(thresholdY, decay, floor);

  // Only one axis moves; a tie goes to the vertical one.
  if (dirX != 0 && dirY != 0) {
    if (a > b)
      dirY = 0;
    else
      dirX = 0;
  }
  // Asking for the opposite direction keeps the old one.
  if (dirX * oldX == -1)
    dirX = oldX;
  else if (dirY * oldY == -1)
    dirY = oldY;
  // The first step of a game always goes right, whatever the steering.
  if (!started) {
    dirX = 1;
    dirY = 0;
    started = true;
  }

  const int n = BoardSize();
  const int headX = Wrap(bodyX[0] + dirX, n);
  const int headY = Wrap(bodyY[0] + dirY, n);
  if (level == 4 && InHedge(headX, headY)) {
    running = false;
    return HitHedge;
  }

  vacatedX = bodyX[length - 1];
  vacatedY = bodyY[length - 1];
  for (int i = length - 1; i >= 1; --i) {
    bodyX[i] = bodyX[i - 1];
    bodyY[i] = bodyY[i - 1];
  }
  bodyX[0] = headX;
  bodyY[0] = headY;

  // New food goes onto the moved body, before the caller grows it; no collision test now.
  if (headX == foodX && headY == foodY) {
    PlaceFood();
    return Ate;
  }
  // The tail moved first, so its old cell is free for the head.
  if (selfCollision && length >= 2) {
    for (int i = 1; i < length; ++i) {
      if (bodyX[i] == headX && bodyY[i] == headY) {
        running = false;
        return HitSelf;
      }
    }
  }
  return Moved;
}

void SnakeBoard::Grow() {
  if (length < std::min(capacity, BoardSize()) - 1) {
    bodyX[length] = vacatedX;
    bodyY[length] = vacatedY;
    ++length;
  }
}

bool SnakeBoard::InHedge(int column, int row) const {
  const int lo = BoardSize() / 4;
  const int hi = 3 * lo;
  return lo <= column && column < hi && lo <= row && row < hi;
}

bool SnakeBoard::InFoodExclusion(int column, int row) const {
  const int lo = BoardSize() / 4;
  const int hi = 3 * lo;
  return lo <= column && column <= hi && lo <= row && row <= hi;
}

bool SnakeBoard::FoodCellFree(int column, int row) const {
  for (int i = 0; i < length; ++i) {
    if (bodyX[i] == column && bodyY[i] == row)
      return false;
  }
  return !(level == 4 && InFoodExclusion(column, row));
}

void SnakeBoard::PlaceFood() {
  const int n = BoardSize();
  const int cells = n * n;
  int r = 0;
  for (int tries = 0; tries < kRandomFoodTries; ++tries) {
    r = std::rand() % cells;
    if (FoodCellFree(r % n, r / n)) {
      foodX = r % n;
      foodY = r / n;
      return;
    }
  }
  for (int k = 0; k < cells; ++k) {
    const int c = (r + k) % cells;
    if (FoodCellFree(c % n, c / n)) {
      foodX = c % n;
      foodY = c / n;
      return;
    }
  }
}
