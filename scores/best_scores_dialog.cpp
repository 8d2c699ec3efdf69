#include <algorithm>

#include "platform/gdi.h"
#include "platform/shell.h"
#include "platform/window.h"
#include "resources/resource_ids.h"
#include "scores/score_dialogs.h"
#include "state/app_state.h"
#include "ui/dialog_frame.h"

namespace {

constexpr std::uint32_t kRepaintPeriodMs = 100;

// Each dialog repaints its own window: another one of its kind may be open over it.
void OnTick(HWND dialog, std::uint32_t, std::uintptr_t, std::uint32_t) {
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE);
}

void CheckShownLevel() {
  for (int i = 0; i < 5; ++i)
    CheckMenuItem(g_app.scoresLevelMenu, std::uint32_t(IDM_LEVEL_1 + i), MF_BYCOMMAND | MF_UNCHECKED);
  CheckMenuItem(g_app.scoresLevelMenu, std::uint32_t(IDM_LEVEL_1 + g_app.scoresLevel),
                MF_BYCOMMAND | MF_CHECKED);
}

void OnInitDialog(HWND dialog) {
  InitDialogFlags(dialog, SHIDIF_SIZEDLGFULLSCREEN);
  HWND bar = CreateSoftKeyBar(dialog, g_app.instance, IDR_SCORES_BAR);

  RECT mainRect{};
  PlaceDialog(dialog, GetWindowRect(g_app.mainWindow, &mainRect) ? mainRect.top : g_app.dialogTop);
  g_app.scoresLevel = std::clamp(g_app.gameLevel, 0, 4);
  g_app.scoresDialog = dialog;
  g_app.scoresLevelMenu =
      bar ? reinterpret_cast<HMENU>(SendMessageW(bar, SHCMBM_GETSUBMENU, 0, IDM_LEVEL_BUTTON)) : nullptr;
  CheckShownLevel();
  SetTimer(dialog, IDT_BEST_SCORES, kRepaintPeriodMs, OnTick);
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE);
}

void OnPaint(HWND dialog) {
  DialogCanvas canvas(dialog);
  DrawScoreTable(g_app.scores, canvas.dc(), canvas.height(), canvas.width(), g_app.scoresLevel);
  canvas.Show();
}

} // namespace

std::intptr_t BestScoresDialogProc(HWND dialog, std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
  switch (message) {
  case WM_INITDIALOG:
    OnInitDialog(dialog);
    return 1;
  case WM_SIZE:
    if (g_app.scoresDialog == dialog)
      FollowScreenTurn(dialog);
    return 0;
  case WM_PAINT:
    OnPaint(dialog);
    return 0;
  case WM_COMMAND: {
    const int command = LOWORD(wParam);
    if (command >= IDM_LEVEL_1 && command <= IDM_LEVEL_1 + 4) {
      // The next tick repaints the page.
      g_app.scoresLevel = command - IDM_LEVEL_1;
      CheckShownLevel();
    } else if (command == IDM_OK) {
      SendMessageW(dialog, WM_CLOSE, 0, 0);
    }
    return 0;
  }
  case WM_CLOSE:
    KillTimer(dialog, IDT_BEST_SCORES);
    EndDialog(dialog, 0);
    return 1;
  case WM_CTLCOLORDLG:
    return reinterpret_cast<std::intptr_t>(GetStockObject(BLACK_BRUSH));
  case WM_CLOSE_REQUEST:
    KillTimer(dialog, IDT_BEST_SCORES);
    CloseProgramFrom(dialog);
    return 1;
  case WM_DESTROY:
    // The level menu goes with the dialog's bar.
    if (g_app.scoresDialog == dialog) {
      g_app.scoresDialog = nullptr;
      g_app.scoresLevelMenu = nullptr;
    }
    return 0;
  default:
    return 0;
  }
}
