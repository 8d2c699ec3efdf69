#include <algorithm>
#include <iterator>
#include <string>

#include "base/utf16.h"
#include "platform/gdi.h"
#include "platform/shell.h"
#include "platform/window.h"
#include "resources/resource_ids.h"
#include "scores/score_dialogs.h"
#include "state/app_state.h"
#include "ui/dialog_frame.h"
#include "ui/game_text.h"

namespace {

constexpr std::uint32_t kRepaintPeriodMs = 100;
constexpr std::size_t kMaxNameUnits = 10;
constexpr int kTextBufferUnits = 256;
constexpr COLORREF kTextColour = 0x0000FF;
constexpr char16_t kPrompt[] = u"Podaj imi\u0119:";

HWND Edit(HWND dialog) { return GetDlgItem(dialog, IDC_NAME_EDIT); }

std::u16string EditText(HWND edit) {
  char16_t buffer[kTextBufferUnits];
  const int length = GetWindowTextW(edit, buffer, kTextBufferUnits);
  return std::u16string(buffer, std::size_t(std::max(length, 0)));
}

std::int32_t Caret(HWND edit) {
  std::uint32_t start = 0, end = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<std::uintptr_t>(&start),
               reinterpret_cast<std::intptr_t>(&end));
  return std::int32_t(end);
}

void MoveCaretToEnd(HWND edit) {
  const auto length = std::intptr_t(EditText(edit).size());
  SendMessageW(edit, EM_SETSEL, std::uintptr_t(length), length);
}

// Runs before every message: a caret that went back into the text (the pad's left key) is
// put back at the end, so that the name is only ever edited at its end.
void KeepCaretAtEnd(HWND dialog) {
  HWND edit = Edit(dialog);
  if (!edit)
    return;
  std::int32_t caret = Caret(edit);
  if (caret < g_app.nameEntryState) {
    MoveCaretToEnd(edit);
    caret = Caret(edit);
  }
  g_app.nameEntryState = caret;
}

// The units to keep of text so that at most `units` remain and no surrogate pair is split.
std::size_t CutPoint(const std::u16string &text, std::size_t units) {
  if (text.size() <= units)
    return text.size();
  if (units > 0 && IsHighSurrogate(text[units - 1]) && IsLowSurrogate(text[units]))
    return units - 1;
  return units;
}

// Cuts the field to its first ten characters and hands its text over as the player's name.
std::u16string TakeName(HWND edit) {
  std::u16string text = EditText(edit);
  if (text.size() > kMaxNameUnits) {
    text.resize(CutPoint(text, kMaxNameUnits));
    SetWindowTextW(edit, text.c_str());
  }
  const std::size_t stored = std::min(text.size(), std::size(g_app.playerName) - 1);
  std::copy_n(text.begin(), stored, g_app.playerName);
  std::fill(g_app.playerName + stored, std::end(g_app.playerName), u'\0');
  return text;
}

// Each dialog repaints its own window: another one of its kind may be open over it.
void OnTick(HWND dialog, std::uint32_t, std::uintptr_t, std::uint32_t) {
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE);
}

void OnInitDialog(HWND dialog) {
  InitDialogFlags(dialog, 0);
  CreateSoftKeyBar(dialog, g_app.instance, IDR_MAIN_BAR);

  // playerName is handed in terminated or not: it is read up to its last unit.
  char16_t name[std::size(g_app.playerName)];
  std::copy(std::begin(g_app.playerName), std::end(g_app.playerName), name);
  name[std::size(name) - 1] = 0;
  HWND edit = Edit(dialog);
  SetWindowTextW(edit, name);
  SetFocus(edit);
  MoveCaretToEnd(edit);

  RECT mainRect{};
  PlaceDialog(dialog, GetWindowRect(g_app.mainWindow, &mainRect) ? mainRect.top : g_app.dialogTop);
  g_app.nameDialog = dialog;
  SetTimer(dialog, IDT_NAME_ENTRY, kRepaintPeriodMs, OnTick);
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE);
}

void OnPaint(HWND dialog) {
  DialogCanvas canvas(dialog);
  const std::u16string name = TakeName(Edit(dialog)) + u"_";
  HDC dc = canvas.dc();
  SetBkMode(dc, TRANSPARENT);
  HFONT previous = nullptr;
  HFONT font = SelectGameFont(dc, 18, 12, FW_BOLD, false, u"Courier New", &previous);
  SetTextColor(dc, kTextColour);
  ExtTextOutW(dc, 5, 10, 0, nullptr, kPrompt, std::uint32_t(std::size(kPrompt) - 1), nullptr);
  ExtTextOutW(dc, 5, 30, 0, nullptr, name.c_str(), std::uint32_t(name.size()), nullptr);
  ReleaseGameFont(dc, font, previous);
  canvas.Show();
}

// The Back key: the last character goes, a surrogate pair as one.
void OnBack(HWND dialog) {
  HWND edit = Edit(dialog);
  std::u16string text = EditText(edit);
  if (text.empty())
    return;
  const std::size_t last = text.size() - 1;
  const bool pair = last > 0 && IsLowSurrogate(text[last]) && IsHighSurrogate(text[last - 1]);
  text.resize(pair ? last - 1 : last);
  SetWindowTextW(edit, text.c_str());
  MoveCaretToEnd(edit);
}

void Close(HWND dialog) {
  KillTimer(dialog, IDT_NAME_ENTRY);
  // Typing in the last moment before "Ok" has not been painted yet; the name is what the field holds.
  if (HWND edit = Edit(dialog))
    TakeName(edit);
  EndDialog(dialog, 0);
}

} // namespace

std::intptr_t NameEntryDialogProc(HWND dialog, std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
  KeepCaretAtEnd(dialog);
  switch (message) {
  case WM_INITDIALOG:
    OnInitDialog(dialog);
    return 0; // the focus is set
  case WM_SIZE:
    if (g_app.nameDialog == dialog)
      FollowScreenTurn(dialog);
    return 0;
  case WM_PAINT:
    OnPaint(dialog);
    return 0;
  case WM_COMMAND:
    if (LOWORD(wParam) == IDCANCEL && HIWORD(wParam) == 0)
      OnBack(dialog);
    else if (LOWORD(wParam) == IDM_OK)
      SendMessageW(dialog, WM_CLOSE, 0, 0);
    return 0;
  case WM_CLOSE:
    Close(dialog);
    return 1;
  case WM_CTLCOLORDLG:
    return reinterpret_cast<std::intptr_t>(GetStockObject(BLACK_BRUSH));
  case WM_CLOSE_REQUEST:
    KillTimer(dialog, IDT_NAME_ENTRY);
    CloseProgramFrom(dialog);
    return 1;
  case WM_DESTROY:
    if (g_app.nameDialog == dialog)
      g_app.nameDialog = nullptr;
    return 0;
  default:
    return 0;
  }
}
