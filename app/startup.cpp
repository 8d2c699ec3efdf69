#include "app/startup.h"

#include <chrono>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <utility>

#include "app/camera_wiring.h"
#include "app/close_signals.h"
#include "app/paths.h"
#include "app/power_keeping.h"
#include "base/log.h"
#include "base/utf16.h"
#include "capture/camera_source.h"
#include "game/camera_choices.h"
#include "game/camera_view.h"
#include "game/game_screen.h"
#include "game/snake_board.h"
#include "motion/camera_tracker.h"
#include "motion/point_trail.h"
#include "platform/backend.h"
#include "platform/gdi.h"
#include "platform/input_door.h"
#include "platform/shell.h"
#include "platform/window.h"
#include "resources/resource_ids.h"
#include "scores/file_io.h"
#include "scores/score_table.h"
#include "state/app_state.h"
#include "ui/dialog_frame.h"

const char16_t kCameraErrorText[] =
    u"Camera initialization error.\n\nUse pad to navigate or exit and try again after few seconds.";

namespace {

constexpr char16_t kMainCaption[] = u"Vex Moor";
constexpr char16_t kClassName[] = u"VEXMOOR"; // string 2, for the check made before the module loads
constexpr int kSplashHiddenRows = 24;

std::string g_settingsFile;
std::string g_resultsFile;
bool g_seedGiven = false;
std::uint32_t g_seed = 0;
int g_assumedCameraBuild = -1;
bool g_assumedCameraAsked = true;
int g_cameraBuild = -1;
std::uint64_t g_boardDigest = 0;
StartupChoices g_choices;

// FNV-1a over the board's state: the snake, the food, the direction, the steering thresholds.
std::uint64_t BoardDigest(const SnakeBoard &b) {
  std::uint64_t h = 14695981039346656037ull;
  auto add = [&h](const void *data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i)
      h = (h ^ static_cast<const unsigned char *>(data)[i]) * 1099511628211ull;
  };
  const std::int32_t fields[] = {b.length, b.foodX, b.foodY, b.dirX, b.dirY, b.level, b.running, b.started};
  add(fields, sizeof fields);
  add(&b.thresholdX, sizeof b.thresholdX);
  add(&b.thresholdY, sizeof b.thresholdY);
  for (int i = 0; i < b.length && i < b.BodyCapacity(); ++i) {
    add(&b.bodyX[i], sizeof b.bodyX[i]);
    add(&b.bodyY[i], sizeof b.bodyY[i]);
  }
  return h;
}

// The kept camera choices, then the command line's for this run; a value that is not a choice
// (a replay of a tampered recording) is told and left out.
void LoadStartupCameraChoices() {
  LoadCameraChoices(SteeringFilePath(g_settingsFile));
  TrackingChoice tracking;
  if (!g_choices.cameraMode.empty() && ParseTrackingChoice(g_choices.cameraMode, &tracking))
    ChooseTrackingForRun(tracking);
  else if (!g_choices.cameraMode.empty())
    LogWarning("camera mode '%s' is not block or player; left out", g_choices.cameraMode.c_str());
  SteeringDirection direction;
  if (!g_choices.steer.empty() && ParseSteeringDirection(g_choices.steer.c_str(), &direction))
    ChooseSteeringForRun(direction);
  else if (!g_choices.steer.empty())
    LogWarning("steering '%s' is not picture, camera or mirror; left out", g_choices.steer.c_str());
}

// Held from the first check to the end of the run: whoever holds it owns the results file.
FolderLock g_resultsLock;
bool g_claimed = false; // the check found no other copy; start-up need not ask again
// 1 when start-up gave way to a copy it could not reach, or the scores could not be saved.
int g_exitCode = 0;
bool g_closing = false; // tear-down has begun: a second close request waits for it

// Brings the running copy's last active window forward; true once it confirmed.
bool RaiseRunning(HWND running) {
  return SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<std::uintptr_t>(running) | 1));
}

// The single-instance check. The lock decides who owns the results folder; the socket is how a
// second start reaches the owner, which may still be on its way to listening, so a busy lock
// is asked again (it may be let go) and the socket tried until waitMs has passed.
int Claim(const char16_t *className, int waitMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  for (;;) {
    std::string reason;
    const FolderLock::Result taken = g_resultsLock.Take(g_resultsFile, &reason);
    if (taken == FolderLock::Result::Failed)
      LogWarning("cannot lock the results folder %s (%s); a copy started now could overwrite these scores",
                 g_resultsLock.Folder().c_str(), reason.c_str());
    HWND running = FindWindowW(className, kMainCaption);
    if (taken != FolderLock::Result::Busy) {
      g_claimed = !running;
      if (!running)
        return -1;
      // A copy with results elsewhere still makes this start the second one.
      g_resultsLock.Release();
      return RaiseRunning(running) ? 0 : 1;
    }
    if (running && RaiseRunning(running))
      return 0;
    if (running || std::chrono::steady_clock::now() >= deadline) {
      LogError("another Vexmoor is using %s", g_resultsLock.Folder().c_str());
      return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void PaintSplash(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  RECT r;
  GetWindowRect(window, &r);
  HBITMAP splash = LoadBitmapW(g_app.instance, IDB_SPLASH);
  if (splash) {
    BITMAP info;
    GetObjectW(splash, sizeof info, &info);
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP old = SelectObject(memory, splash);
    // The picture's top and bottom rows are never shown.
    StretchBlt(dc, 0, 0, r.right - r.left, r.bottom - r.top, memory, 0, kSplashHiddenRows, info.bmWidth,
               info.bmHeight - 2 * kSplashHiddenRows, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(splash);
  }
  EndPaint(window, &ps);
}

// Each owned object goes once, in this order; the pointers are cleared so a second
// close finds nothing to destroy.
void TearDown(HWND window) {
  delete g_app.tracker; // stops the camera before its buffers go
  g_app.tracker = nullptr;
  std::u16string failure;
  if (g_app.scores) {
    KeepScoreAwaitingName();
    std::string reason;
    if (!g_app.scores->Save(&reason))
      failure = Utf8ToUtf16(g_app.scores->SaveFailure(reason));
    delete g_app.scores; // written once above: destruction does not write again
    g_app.scores = nullptr;
  }
  if (g_app.board)
    g_boardDigest = BoardDigest(*g_app.board);
  delete g_app.board;
  g_app.board = nullptr;
  // Told while the window is still up; the line on stderr is written by the save itself.
  if (!failure.empty()) {
    g_exitCode = 1;
    MessageBoxW(window, failure.c_str(), u"Vexmoor", MB_OK);
  }
}

} // namespace

int ClaimFirstStart(int waitMs) {
  // The socket is reached through the window manager; before the desktop window exists, a
  // headless one serves for the check.
  const bool ownPlatform = CurrentBackend() == nullptr;
  if (ownPlatform)
    PlatformStart(std::make_unique<HeadlessBackend>());
  const int code = Claim(kClassName, waitMs);
  if (ownPlatform)
    PlatformStop();
  return code;
}

void SetStartupFiles(const std::string &settingsFile, const std::string &resultsFile) {
  g_settingsFile = settingsFile;
  g_resultsFile = resultsFile;
}

void SetStartupSeed(std::uint32_t seed) {
  g_seedGiven = true;
  g_seed = seed;
}

void SetStartupChoices(const StartupChoices &choices) { g_choices = choices; }

const StartupChoices &CurrentStartupChoices() { return g_choices; }

void AssumeCameraBuild(int built, bool asked) {
  g_assumedCameraBuild = built;
  g_assumedCameraAsked = asked;
}

int CameraBuildResult() { return g_cameraBuild; }

std::uint64_t BoardDigestAtClose() { return g_boardDigest; }

void ResetAppState() {
  delete[] g_app.trailX;
  delete[] g_app.trailY;
  g_app.~AppState();
  new (&g_app) AppState();
  g_seedGiven = false;
  g_assumedCameraBuild = g_cameraBuild = -1;
  g_assumedCameraAsked = true;
  g_boardDigest = 0;
  g_choices = StartupChoices{};
}

std::intptr_t MainWndProc(HWND window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  switch (message) {
  case WM_CREATE:
    g_app.mainMenuBar = CreateSoftKeyBar(window, g_app.instance, IDR_MAIN_BAR);
    return 0;
  case WM_PAINT:
    PaintSplash(window);
    return 0;
  case WM_COMMAND:
    if (LOWORD(wParam) == IDM_OK) {
      RunDialog(IDD_GAME, window, GameScreenProc);
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  case WM_KEYDOWN:
    return 0;
  case WM_CLOSE:
    if (std::exchange(g_closing, true))
      return 0;
    TearDown(window);
    return DefWindowProcW(window, message, wParam, lParam);
  case WM_DESTROY:
    SetCloseTarget(nullptr);
    DestroyWindow(g_app.mainMenuBar);
    g_app.mainMenuBar = nullptr;
    PostQuitMessage(0);
    return 0;
  case WM_CLOSE_REQUEST:
    SendMessageW(window, WM_CLOSE, 0, 0);
    return 0;
  default:
    return DefWindowProcW(window, message, wParam, lParam);
  }
}

std::uint16_t RegisterMainClass(HINSTANCE instance, const char16_t *className) {
  WNDCLASSW wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = MainWndProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, IDI_VEXMOOR);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = className;
  return RegisterClassW(&wc);
}

bool InitInstance(HINSTANCE instance, int) {
  g_app.instance = instance;
  SHInitExtraControls();
  char16_t className[100];
  LoadStringW(instance, IDS_CLASS_NAME, className, 100);
  // Normally settled before the desktop window was made (ClaimFirstStart); the lock is then held.
  if (const int code = g_claimed ? -1 : Claim(className, kClaimWaitMs); code >= 0) {
    g_exitCode = code;
    return false;
  }
  if (!RegisterMainClass(instance, className))
    return false;
  HWND window = CreateWindowExW(0, className, kMainCaption, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  if (!window)
    return false;
  // From here a signal closes the program: a request that came earlier is posted now and
  // handled by the first message loop (the camera error's, or the main one).
  SetCloseTarget(window);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  g_app.orientation = ScreenOrientation();
  g_app.settings.Load(g_settingsFile);
  g_app.scores = new ScoreTable(g_app.settings.scoresPerLevel, g_resultsFile);
  g_app.board = new SnakeBoard(&g_app.settings);
  g_app.trailX = new std::int32_t[std::size_t(g_app.settings.trailCapacity)];
  g_app.trailY = new std::int32_t[std::size_t(g_app.settings.trailCapacity)];
  g_app.tickInterval = float(g_app.settings.startInterval);
  g_app.tracker = new CameraTracker;
  const GameSettings &s = g_app.settings;
  g_app.tracker->SetThresholds(s.blockPeakRatio, s.profilePeakRatio, s.blockMinContrast,
                               s.profileMinContrast);
  LoadStartupCameraChoices();
  g_app.tracker->SetMode(TrackingModeOf(CurrentTrackingChoice()), false, 40);
  SetSteeringDirection(ChosenSteering());
  // Camera reports come through the platform's input door, so the trail takes them on this
  // thread in the loop's order, and recordings hold them.
  SetMotionHandler(AppendMotion);
  g_cameraBuild =
      g_assumedCameraBuild >= 0 ? g_assumedCameraBuild : g_app.tracker->BuildCaptureGraph(PostMotionReport);
  SetCameraOpen(g_cameraBuild == 1);
  if (g_cameraBuild == 0) {
    // "--camera none" is the player's own choice, not a failure to tell.
    const bool asked = g_assumedCameraBuild >= 0 ? g_assumedCameraAsked
                                                 : CurrentCameraSource().kind != CameraSourceKind::None;
    if (asked)
      MessageBoxW(window, kCameraErrorText, u"Vexmoor", MB_OK);
    g_app.padControl = 1;
  }
  WireCamera();
  // Closing from outside while the camera error was shown has already torn everything down.
  g_app.mainWindow = IsWindow(window) ? window : nullptr;
  // The camera view opens over the game screen, so that "Back" leads to the game.
  OpenCameraViewAtStart(g_choices.cameraView && g_app.mainWindow);
  if (g_choices.cameraView && g_app.mainWindow)
    PostMessageW(window, WM_COMMAND, IDM_OK, 0);
  return true;
}

int VexmoorEntry(HINSTANCE instance, int show) {
  g_exitCode = 0;
  g_closing = false;
  KeepPower(1);
  std::srand(g_seedGiven ? g_seed : GetTickCount());
  const bool started = InitInstance(instance, show);
  if (started) {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    g_exitCode = g_exitCode ? g_exitCode : int(msg.wParam);
  }
  KeepPower(0);
  g_resultsLock.Release();
  g_claimed = false;
  return g_exitCode;
}
