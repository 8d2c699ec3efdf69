#include "app/startup.h"

#include <cstdlib>
#include <new>

#include "app/power_keeping.h"
#include "game/game_screen.h"
#include "game/snake_board.h"
#include "motion/camera_tracker.h"
#include "motion/point_trail.h"
#include "platform/gdi.h"
#include "platform/input_door.h"
#include "platform/shell.h"
#include "platform/window.h"
#include "resources/resource_ids.h"
#include "scores/score_table.h"
#include "state/app_state.h"
#include "ui/dialog_frame.h"

const char16_t kCameraErrorText[] =
    u"Camera initialization error.\n\nUse pad to navigate or exit and try again after few seconds.";

namespace {

constexpr char16_t kMainCaption[] = u"Vex Moor";
constexpr int kSplashHiddenRows = 24;

std::string g_settingsFile;
std::string g_resultsFile;
bool g_seedGiven = false;
std::uint32_t g_seed = 0;
int g_assumedCameraBuild = -1;
int g_cameraBuild = -1;
std::uint64_t g_boardDigest = 0;

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
void TearDown() {
  delete g_app.tracker; // stops the camera before its buffers go
  g_app.tracker = nullptr;
  delete g_app.scores; // saves the results file
  g_app.scores = nullptr;
  if (g_app.board)
    g_boardDigest = BoardDigest(*g_app.board);
  delete g_app.board;
  g_app.board = nullptr;
}

} // namespace

void SetStartupFiles(const std::string &settingsFile, const std::string &resultsFile) {
  g_settingsFile = settingsFile;
  g_resultsFile = resultsFile;
}

void SetStartupSeed(std::uint32_t seed) {
  g_seedGiven = true;
  g_seed = seed;
}

void AssumeCameraBuild(int built) { g_assumedCameraBuild = built; }

int CameraBuildResult() { return g_cameraBuild; }

std::uint64_t BoardDigestAtClose() { return g_boardDigest; }

void ResetAppState() {
  delete[] g_app.trailX;
  delete[] g_app.trailY;
  g_app.~AppState();
  new (&g_app) AppState();
  g_seedGiven = false;
  g_assumedCameraBuild = g_cameraBuild = -1;
  g_boardDigest = 0;
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
    TearDown();
    return DefWindowProcW(window, message, wParam, lParam);
  case WM_DESTROY:
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
  if (HWND running = FindWindowW(className, kMainCaption)) {
    // Bring its last active window (the game screen, if open) to the front.
    SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<std::uintptr_t>(running) | 1));
    return false;
  }
  if (!RegisterMainClass(instance, className))
    return false;
  HWND window = CreateWindowExW(0, className, kMainCaption, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  if (!window)
    return false;
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
  g_app.tracker->SetMode(BlockMatching, false, 40);
  // Camera reports come through the platform's input door, so the trail takes them on this
  // thread in the loop's order, and recordings hold them.
  SetMotionHandler(AppendMotion);
  g_cameraBuild =
      g_assumedCameraBuild >= 0 ? g_assumedCameraBuild : g_app.tracker->BuildCaptureGraph(PostMotionReport);
  if (g_cameraBuild == 0) {
    MessageBoxW(window, kCameraErrorText, u"Vexmoor", MB_OK);
    g_app.padControl = 1;
  }
  g_app.mainWindow = window;
  return true;
}

int VexmoorEntry(HINSTANCE instance, int show) {
  KeepPower(1);
  std::srand(g_seedGiven ? g_seed : GetTickCount());
  if (!InitInstance(instance, show)) {
    KeepPower(0);
    return 0;
  }
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  KeepPower(0);
  return int(msg.wParam);
}
