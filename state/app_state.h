#pragma once
// The application's one global record: handles, owned objects, screen geometry, game state,
// the point trail, the settings and the power-keeping state. Read and written on the
// user-interface thread; only the trail is also written from the capture thread.

#include <atomic>
#include <cstdint>

#include "platform/types.h"
#include "state/game_settings.h"

class ScoreTable;
class SnakeBoard;
class CameraTracker;

// Power-keeping handles (app/power_keeping.h); zero means none.
enum class RegistryKey : std::intptr_t;
enum class PowerRequirement : std::intptr_t;

struct AppState {
  // Handles and owned objects.
  HINSTANCE instance = nullptr;
  HWND mainWindow = nullptr;
  HWND mainMenuBar = nullptr;
  HWND gameDialog = nullptr;
  HMENU gameMenu = nullptr;
  HWND scoresDialog = nullptr;
  HMENU scoresLevelMenu = nullptr;
  std::int32_t scoresLevel = 0;
  HWND nameDialog = nullptr;
  HBITMAP dialogBackBuffer = nullptr;
  std::int32_t nameEntryState = 0;
  ScoreTable *scores = nullptr;
  SnakeBoard *board = nullptr;
  CameraTracker *tracker = nullptr;
  HBITMAP backBuffer = nullptr;

  // Screen geometry.
  std::int32_t screenWidth = 0;
  std::int32_t screenHeight = 0;
  std::int32_t dialogTop = 0;
  std::int32_t menuBarHeight = 0;
  std::int32_t hudHeight = 0;
  std::int32_t orientation = 0; // 0 square, 1 landscape, 2 portrait

  // Game state. gameRunning is also read by the capture thread.
  std::atomic<bool> gameRunning{false};
  bool gamePlayed = false;
  bool selfCollisionOption = false;
  bool selfCollisionChosen = false;
  bool blockScreenOption = false;
  bool blockScreenChosen = false;
  std::int32_t padControl = 0;
  std::int32_t chosenLevel = 0;
  std::int32_t gameLevel = 0;
  std::int32_t score = 0;
  std::int32_t padX = 0, padY = 0;
  std::int32_t steerX = 0, steerY = 0;
  float tickInterval = 0.0f;
  float elapsedTime = 0.0f, elapsedTimeAtStep = 0.0f;
  float starveLeft = 0.0f, starveLeftAtStep = 0.0f;
  char16_t playerName[256] = {};

  // The point trail, filled on the capture thread and drained by the game tick.
  std::int32_t *trailX = nullptr;
  std::int32_t *trailY = nullptr;
  std::atomic<std::int32_t> trailCount{0};
  std::atomic<bool> motionSeen{true};
  bool motionSeenLastTick = true;

  GameSettings settings;

  // Power keeping.
  std::uint32_t savedTimeouts[3] = {120, 180, 240};
  RegistryKey timeoutsKey{};
  PowerRequirement backlightRequest{};
  std::uint32_t powerKept = 0;
};

extern AppState g_app;
