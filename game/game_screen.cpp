#include "game/game_screen.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "game/camera_choices.h"
#include "game/camera_view.h"
#include "game/hud.h"
#include "game/pause.h"
#include "game/snake_board.h"
#include "platform/gdi.h"
#include "platform/shell.h"
#include "platform/window.h"
#include "resources/resource_ids.h"
#include "scores/score_dialogs.h"
#include "scores/score_table.h"
#include "state/app_state.h"
#include "ui/dialog_frame.h"
#include "ui/game_text.h"

namespace {

constexpr std::uint32_t kIdlePeriodMs = 100;
constexpr char16_t kBannerText[] = u"Better background needed";
constexpr char16_t kNoCameraText[] = u"No camera";

// A qualifying score while its name is asked for; cleared once it is in the table.
bool g_scoreAwaitingName = false;
bool g_cameraOpen = true;
bool g_cameraTurnsWithScreen = false;

// Defaults of "Self collision" and "Block screen" by level index.
constexpr bool kSelfCollisionDefault[5] = {false, true, true, true, true};
constexpr bool kBlockScreenDefault[5] = {false, false, false, true, true};

void Check(int id, bool on) {
  CheckMenuItem(g_app.gameMenu, std::uint32_t(id), MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

void SetBoardRect() {
  if (g_app.board)
    g_app.board->boardRect = RECT{0, g_app.hudHeight, g_app.screenWidth, DialogAreaHeight()};
}

// The game screen may be gone when a modal dialog returns: the program can be closed
// from outside while one is open.
bool ScreenAlive() { return IsWindow(g_app.gameDialog) && g_app.board && g_app.scores; }

void OnInitDialog(HWND dialog) {
  InitDialogFlags(dialog, SHIDIF_SIZEDLGFULLSCREEN);
  HWND bar = CreateSoftKeyBar(dialog, g_app.instance, IDR_GAME_BAR);

  // The screen may have turned while no game screen was open to follow it.
  if (g_app.orientation != 0)
    g_app.orientation = ScreenOrientation();
  RECT d{}, m{};
  GetWindowRect(dialog, &d);
  GetWindowRect(g_app.mainMenuBar, &m);
  g_app.menuBarHeight = m.bottom - m.top;
  g_app.dialogTop = d.top;
  g_app.screenWidth = d.right;
  g_app.screenHeight = d.bottom + g_app.menuBarHeight;
  MoveWindow(dialog, 0, d.top, d.right, d.bottom - d.top, true);

  g_app.hudHeight = 20;
  SetBoardRect();
  if (g_app.board) {
    g_app.board->selfCollision = g_app.selfCollisionOption;
    g_app.board->LoadSprites(g_app.instance);
  }
  g_app.gameMenu = reinterpret_cast<HMENU>(SendMessageW(bar, SHCMBM_GETSUBMENU, 0, IDM_MENU));
  Check(IDM_LEVEL_1, true);
  Check(IDM_CAMERA, g_app.padControl == 0);
  Check(IDM_PAD, g_app.padControl != 0);
  Check(IDM_SELF_COLLISION, false);
  Check(IDM_BLOCK_SCREEN, false);
  CheckCameraChoices(g_app.gameMenu);
  if (g_app.scores)
    std::copy(std::begin(g_app.scores->lastName), std::end(g_app.scores->lastName), g_app.playerName);
  g_app.gameDialog = dialog;
  StartGameTimer(kIdlePeriodMs);
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE);
  SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<std::uintptr_t>(dialog) | 1));
  if (TakeCameraViewAtStart())
    PostMessageW(dialog, WM_COMMAND, IDM_CAMERA_VIEW, 0);
}

void OnSize(HWND dialog) {
  const int wanted = ScreenOrientation();
  if (wanted != 0 && g_app.orientation != wanted) {
    g_app.orientation = wanted;
    std::swap(g_app.screenWidth, g_app.screenHeight);
    SetWindowPos(dialog, HWND_TOP, 0, g_app.dialogTop, g_app.screenWidth, DialogAreaHeight(), SWP_SHOWWINDOW);
  }
  SetBoardRect();
}

void OnKey(std::uintptr_t key) {
  const GameSettings &s = g_app.settings;
  switch (key) {
  case 'P':
  case VK_PAUSE:
    if (GamePaused())
      ResumeGame();
    else
      PauseGame();
    break;
  case VK_RETURN:
    ResumeGame();
    break;
  case VK_LEFT:
    g_app.padX = s.padLeft, g_app.padY = 0;
    break;
  case VK_UP:
    g_app.padX = 0, g_app.padY = s.padUp;
    break;
  case VK_RIGHT:
    g_app.padX = s.padRight, g_app.padY = 0;
    break;
  case VK_DOWN:
    g_app.padX = 0, g_app.padY = s.padDown;
    break;
  default:
    break;
  }
}

void ChooseLevel(int level) {
  if (!g_app.blockScreenChosen) {
    g_app.blockScreenOption = kBlockScreenDefault[level];
    Check(IDM_BLOCK_SCREEN, g_app.blockScreenOption);
  }
  if (!g_app.selfCollisionChosen) {
    g_app.selfCollisionOption = kSelfCollisionDefault[level];
    Check(IDM_SELF_COLLISION, g_app.selfCollisionOption);
  }
  g_app.chosenLevel = level;
  UncheckLevels();
  Check(IDM_LEVEL_1 + level, true);
  g_app.gamePlayed = true;
  if (g_app.board)
    g_app.board->selfCollision = g_app.selfCollisionOption;
  NewGame();
}

void OnCommand(HWND dialog, int command) {
  switch (command) {
  case IDM_NEW_GAME:
    g_app.gamePlayed = true;
    NewGame();
    break;
  case IDM_CAMERA:
    g_app.padControl = 0;
    Check(IDM_CAMERA, true);
    Check(IDM_PAD, false);
    break;
  case IDM_PAD:
    g_app.padControl = 1;
    Check(IDM_CAMERA, false);
    Check(IDM_PAD, true);
    break;
  case IDM_BEST_SCORES:
    RunDialog(IDD_BEST_SCORES, dialog, BestScoresDialogProc);
    break;
  case IDM_CAMERA_VIEW:
    RunDialog(IDD_CAMERA_VIEW, dialog, CameraViewDialogProc);
    break;
  case IDM_ABOUT_ALT:
  case IDM_ABOUT:
    RunDialog(IDD_ABOUT, dialog, AboutDialogProc);
    break;
  case IDM_EXIT:
    if (g_app.gameRunning)
      EndGame();
    else
      KillTimer(g_app.gameDialog, IDT_GAME);
    EndDialog(dialog, 0);
    SendMessageW(g_app.mainWindow, WM_CLOSE, 0, 0);
    break;
  case IDM_SELF_COLLISION:
    g_app.selfCollisionChosen = true;
    g_app.selfCollisionOption = !g_app.selfCollisionOption;
    if (g_app.board)
      g_app.board->selfCollision = g_app.selfCollisionOption;
    Check(IDM_SELF_COLLISION, g_app.selfCollisionOption);
    break;
  case IDM_BLOCK_SCREEN:
    g_app.blockScreenChosen = true;
    g_app.blockScreenOption = !g_app.blockScreenOption;
    Check(IDM_BLOCK_SCREEN, g_app.blockScreenOption);
    break;
  default:
    if (command >= IDM_LEVEL_1 && command <= IDM_LEVEL_1 + 4)
      ChooseLevel(command - IDM_LEVEL_1);
    else if (OnCameraChoiceCommand(command))
      CheckCameraChoices(g_app.gameMenu);
    break;
  }
}

void OnPaint(HWND dialog) {
  SnakeBoard *board = g_app.board;
  if (!board)
    return;
  const int w = g_app.screenWidth, h = DialogAreaHeight();
  HDC windowDc = GetDC(dialog);
  HDC dc = CreateCompatibleDC(windowDc);
  if (g_app.backBuffer)
    DeleteObject(g_app.backBuffer);
  g_app.backBuffer = CreateBitmap(w, h, 1, 16, nullptr);
  HBITMAP old = SelectObject(dc, g_app.backBuffer);
  FillBlack(dc, w, h);

  const bool still = PaintStandsStill();
  // In landscape the vector of a camera that turns with the screen turns with it; a desktop
  // webcam stays where it stands. The pad's vector never turns.
  if (g_app.orientation == 1 && !still && g_cameraTurnsWithScreen) {
    std::int32_t x = g_app.steerX;
    g_app.steerX = -g_app.steerY;
    g_app.steerY = x;
  }
  if (g_app.padControl == 1) {
    g_app.steerX = g_app.padX;
    g_app.steerY = g_app.padY;
  }
  bool cameraBlind = !g_app.motionSeenLastTick && g_app.padControl == 0;
  if (g_app.gameRunning && cameraBlind && !still)
    board->ShowBanner(g_cameraOpen ? kBannerText : kNoCameraText);

  if (still) {
    board->DrawFrame(dc, 0, 0, false);
  } else if (cameraBlind && g_app.blockScreenOption) {
    // Frozen: drawn without a step, and the clocks go back to the last step's values.
    board->DrawFrame(dc, 0, 0, false);
    g_app.elapsedTime = g_app.elapsedTimeAtStep;
    g_app.starveLeft = g_app.starveLeftAtStep;
  } else {
    StepResult result = board->DrawFrame(dc, g_app.steerX, g_app.steerY, true);
    if (result == Ate)
      OnFoodEaten();
    else if (result == HitSelf || result == HitHedge)
      EndGame();
    if (ScreenAlive() && g_app.gameLevel >= 3 && g_app.gameRunning && g_app.starveLeft <= 0.0f) {
      g_app.board->Stop();
      EndGame();
    }
    g_app.starveLeftAtStep = g_app.starveLeft;
    g_app.elapsedTimeAtStep = g_app.elapsedTime;
  }
  if (ScreenAlive()) {
    DrawHud(dc, w, g_app.hudHeight, g_app.score, g_app.elapsedTime, g_app.gameLevel, &g_app.starveLeft);
    if (g_app.gamePlayed && !g_app.gameRunning)
      DrawGameOver(dc, w, h);
    else if (GamePaused())
      DrawPaused(dc, w, h);
    BitBlt(windowDc, 0, 0, w, h, dc, 0, 0, SRCCOPY);
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(dialog, windowDc);
}

} // namespace

void UncheckLevels() {
  for (int i = 0; i < 5; ++i)
    Check(IDM_LEVEL_1 + i, false);
}

void NewGame() {
  if (g_app.gameRunning)
    EndGame();
  if (!ScreenAlive())
    return;
  KillTimer(g_app.gameDialog, IDT_GAME);
  ForgetPause();
  g_app.gameLevel = g_app.chosenLevel;
  g_app.board->level = g_app.chosenLevel;
  g_app.board->Reset();
  g_app.gameRunning = true;
  g_app.tickInterval = float(g_app.settings.startInterval);
  g_app.score = 0;
  StartGameTimer(std::uint32_t(g_app.tickInterval));
  g_app.elapsedTime = g_app.elapsedTimeAtStep = 0.0f;
  g_app.starveLeft = g_app.starveLeftAtStep = float(g_app.settings.starveSteps) * g_app.tickInterval * 0.001f;
  g_app.board->Start();
}

void EndGame() {
  g_app.gameRunning = false;
  ForgetPause();
  KillTimer(g_app.gameDialog, IDT_GAME);
  if (g_app.scores && g_app.scores->Qualifies(g_app.gameLevel, g_app.score)) {
    g_scoreAwaitingName = true;
    RunDialog(IDD_NAME_ENTRY, g_app.gameDialog, NameEntryDialogProc);
    // Closing the program meanwhile put the score in already (KeepScoreAwaitingName).
    const bool awaiting = std::exchange(g_scoreAwaitingName, false);
    if (!ScreenAlive() || !awaiting)
      return;
    g_app.scores->Insert(g_app.gameLevel, g_app.score, g_app.playerName);
    RunDialog(IDD_BEST_SCORES, g_app.gameDialog, BestScoresDialogProc);
    if (!ScreenAlive())
      return;
  }
  StartGameTimer(kIdlePeriodMs);
}

void SetCameraOpen(bool open) { g_cameraOpen = open; }

void SetCameraTurnsWithScreen(bool turns) { g_cameraTurnsWithScreen = turns; }

void KeepScoreAwaitingName() {
  if (!std::exchange(g_scoreAwaitingName, false) || !g_app.scores)
    return;
  // Closing the dialog hands over the name typed so far, as "Ok" does.
  if (IsWindow(g_app.nameDialog))
    SendMessageW(g_app.nameDialog, WM_CLOSE, 0, 0);
  if (g_app.playerName[0] == 0)
    std::copy(std::begin(g_app.scores->lastName), std::end(g_app.scores->lastName), g_app.playerName);
  g_app.scores->Insert(g_app.gameLevel, g_app.score, g_app.playerName);
}

void OnFoodEaten() {
  g_app.score += 1;
  g_app.starveLeft = float(g_app.settings.starveSteps) * g_app.tickInterval * 0.001f;
  if (g_app.gameLevel == 0)
    return;
  g_app.board->Grow();
  // The loader refuses a zero divisor; the guard keeps a bad record from dividing by it.
  if (g_app.gameLevel >= 2 && g_app.settings.foodsPerSpeedUp > 0 &&
      g_app.score % g_app.settings.foodsPerSpeedUp == 0)
    SpeedUp();
}

void SpeedUp() {
  g_app.tickInterval = g_app.tickInterval * 0.8f;
  if (g_app.tickInterval < 1.0f)
    g_app.tickInterval = 1.0f;
  KillTimer(g_app.gameDialog, IDT_GAME);
  StartGameTimer(std::uint32_t(g_app.tickInterval));
}

std::intptr_t GameScreenProc(HWND dialog, std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
  switch (message) {
  case WM_INITDIALOG:
    OnInitDialog(dialog);
    return 0;
  case WM_SIZE:
    if (g_app.gameDialog == dialog && g_app.orientation != 0)
      OnSize(dialog);
    return 0;
  case WM_PAINT:
    OnPaint(dialog);
    return 0;
  case WM_GETDLGCODE:
    OnKey(wParam);
    return 0;
  case WM_ACTIVATEAPP:
    if (wParam == 0)
      PauseGame();
    return 0;
  case WM_COMMAND:
    OnCommand(dialog, LOWORD(wParam));
    return 0;
  case WM_CTLCOLORDLG:
    return reinterpret_cast<std::intptr_t>(GetStockObject(BLACK_BRUSH));
  case WM_CLOSE_REQUEST:
    KillTimer(g_app.gameDialog, IDT_GAME);
    EndDialog(dialog, 0);
    SendMessageW(g_app.mainWindow, WM_CLOSE, 0, 0);
    return 0;
  case WM_DESTROY:
    if (g_app.gameDialog == dialog) {
      g_app.gameDialog = nullptr;
      g_app.gameMenu = nullptr;
    }
    return 0;
  default:
    return 0;
  }
}
