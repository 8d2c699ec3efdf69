#include "platform/gdi.h"
#include "platform/shell.h"
#include "platform/window.h"
#include "scores/score_dialogs.h"
#include "state/app_state.h"
#include "ui/dialog_frame.h"

std::intptr_t AboutDialogProc(HWND dialog, std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
  switch (message) {
  case WM_INITDIALOG: {
    InitDialogFlags(dialog, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN | SHIDIF_EMPTYMENU);
    PlaceDialog(dialog, g_app.dialogTop);
    return 1;
  }
  case WM_COMMAND:
    EndDialog(dialog, std::intptr_t(LOWORD(wParam)));
    return 1;
  case WM_CLOSE:
    EndDialog(dialog, 0);
    return 1;
  case WM_CTLCOLORDLG:
    return reinterpret_cast<std::intptr_t>(GetStockObject(BLACK_BRUSH));
  case WM_CLOSE_REQUEST:
    CloseProgramFrom(dialog);
    return 1;
  default:
    return 0;
  }
}
