#include "game/camera_view.h"

#include <utility>

#include "game/camera_choices.h"
#include "game/pause.h"
#include "platform/gdi.h"
#include "platform/shell.h"
#include "platform/window.h"
#include "resources/resource_ids.h"
#include "state/app_state.h"
#include "ui/dialog_frame.h"

namespace {

// About the camera's own rate: every frame shown, none copied twice as often as needed.
constexpr std::uint32_t kRepaintPeriodMs = 50;

CameraViewFeed g_feed;
HWND g_view = nullptr;
HMENU g_viewMenu = nullptr;
bool g_grey = false;
bool g_openAtStart = false;
CameraPicture g_picture;

const char16_t *DirectionName(SteeringDirection direction) {
  switch (direction) {
  case SteeringDirection::FollowCamera:
    return u"follow the camera";
  case SteeringDirection::Mirror:
    return u"mirror";
  case SteeringDirection::FollowPicture:
    break;
  }
  return u"follow the picture";
}

void Watch(bool on) {
  if (g_feed.watch)
    g_feed.watch(on);
  g_picture = CameraPicture{};
}

void CheckViewMenu() {
  CheckMenuItem(g_viewMenu, IDM_VIEW_COLOUR, MF_BYCOMMAND | (g_grey ? MF_UNCHECKED : MF_CHECKED));
  CheckMenuItem(g_viewMenu, IDM_VIEW_GREY, MF_BYCOMMAND | (g_grey ? MF_CHECKED : MF_UNCHECKED));
  CheckCameraChoices(g_viewMenu);
}

void OnTick(HWND dialog, std::uint32_t, std::uintptr_t, std::uint32_t) {
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE);
}

void OnInitDialog(HWND dialog) {
  InitDialogFlags(dialog, SHIDIF_SIZEDLGFULLSCREEN);
  HWND bar = CreateSoftKeyBar(dialog, g_app.instance, IDR_CAMERA_VIEW_BAR);
  PlaceDialog(dialog, g_app.dialogTop);
  g_view = dialog;
  g_viewMenu =
      bar ? reinterpret_cast<HMENU>(SendMessageW(bar, SHCMBM_GETSUBMENU, 0, IDM_VIEW_BUTTON)) : nullptr;
  CheckViewMenu();
  Watch(true);
  SetTimer(dialog, IDT_CAMERA_VIEW, kRepaintPeriodMs, OnTick);
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE);
}

void OnPaint(HWND dialog) {
  if (!g_feed.take || !g_feed.take(&g_picture))
    g_picture = CameraPicture{};
  ViewSteering steering;
  steering.gameRunning = g_app.gameRunning;
  LastTickSteering(&steering.x, &steering.y);
  steering.direction = DirectionName(ChosenSteering());
  DialogCanvas canvas(dialog);
  DrawCameraView(canvas.dc(), canvas.width(), canvas.height(), g_picture, steering, g_grey);
  canvas.Show();
}

void Close(HWND dialog, bool program) {
  KillTimer(dialog, IDT_CAMERA_VIEW);
  Watch(false);
  if (program)
    CloseProgramFrom(dialog);
  else
    EndDialog(dialog, 0);
}

} // namespace

void SetCameraViewFeed(const CameraViewFeed &feed) { g_feed = feed; }

void OpenCameraViewAtStart(bool open) { g_openAtStart = open; }

bool TakeCameraViewAtStart() { return std::exchange(g_openAtStart, false); }

std::intptr_t CameraViewDialogProc(HWND dialog, std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
  switch (message) {
  case WM_INITDIALOG:
    OnInitDialog(dialog);
    return 1;
  case WM_SIZE:
    if (g_view == dialog)
      FollowScreenTurn(dialog);
    return 0;
  case WM_PAINT:
    OnPaint(dialog);
    return 0;
  case WM_COMMAND: {
    const int command = LOWORD(wParam);
    if (command == IDM_VIEW_BACK || command == IDCANCEL || command == IDOK) {
      Close(dialog, false);
    } else if (command == IDM_VIEW_COLOUR || command == IDM_VIEW_GREY) {
      g_grey = command == IDM_VIEW_GREY;
      CheckViewMenu();
    } else if (OnCameraChoiceCommand(command)) {
      CheckViewMenu();
      CheckCameraChoices(g_app.gameMenu);
    }
    return 0;
  }
  case WM_CLOSE:
    Close(dialog, false);
    return 1;
  case WM_CTLCOLORDLG:
    return reinterpret_cast<std::intptr_t>(GetStockObject(BLACK_BRUSH));
  case WM_CLOSE_REQUEST:
    Close(dialog, true);
    return 1;
  case WM_DESTROY:
    if (g_view == dialog) {
      g_view = nullptr;
      g_viewMenu = nullptr;
    }
    return 0;
  default:
    return 0;
  }
}
