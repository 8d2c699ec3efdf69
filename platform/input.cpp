// Routing the backend's input to message boxes, pop-up menus, soft keys, dialogs and windows.
//
// A key goes to the first of these that takes it: F9 (the screen turns), an open message
// box, an open pop-up menu, the soft keys, the active dialog's Back and Enter, and last the
// focused window. Only a key that reaches a window types its text, into the focused edit
// control: a digit that picks a menu item, or a soft key, is used up and types nothing.

#include <vector>

#include "platform/shell.h"
#include "platform/window.h"
#include "platform/window_manager.h"

namespace {

// Typed text goes to the active window's focused edit control, when no box or menu is open.
void DeliverText(const std::u16string &text) {
  WindowManager &wm = WM();
  Window *focus = LiveWindow(wm.focus);
  if (text.empty() || PopupOpen() || !wm.messageBoxes.empty() || !focus || focus->kind != WindowKind::Edit ||
      focus->parent != ActiveWindow())
    return;
  for (char16_t unit : text)
    PostMessageW(focus, WM_CHAR, unit, 0);
}

// Enter on a window whose left soft key is a plain command (the splash's and the dialogs'
// "Ok") presses it; a left soft key with a menu is left to the arrows and the soft key itself.
bool PressLeftSoftKeyCommand(Window *active) {
  Window *bar = LiveWindow(BarOf(active));
  if (!bar || active->emptyBar || bar->barMenus.empty() || bar->barMenus[0])
    return false;
  PressSoftKey(0);
  return true;
}

void HandleClick(const InputEvent &event) {
  WindowManager &wm = WM();
  if (!wm.messageBoxes.empty()) {
    MessageBoxHandleKey(VK_RETURN);
    return;
  }
  if (PopupOpen()) {
    HandlePopupClick(event.x, event.y);
    return;
  }
  Window *active = LiveWindow(ActiveWindow());
  if (event.y >= wm.screenHeight - kSoftKeyBarHeight) {
    PressSoftKey(event.x < wm.screenWidth / 2 ? 0 : 1);
  } else if (event.y < kTitleStripHeight) {
    if (active && active->doneButton && event.x >= wm.screenWidth - 40)
      PostMessageW(active, WM_COMMAND, IDOK, 0);
  } else if (active) {
    PostMessageW(active, WM_LBUTTONDOWN, 0,
                 std::intptr_t(MAKEWPARAM(std::uint16_t(event.x - active->rect.left),
                                          std::uint16_t(event.y - active->rect.top))));
  }
}

// Every top-level window hears that the program gained or lost the focus, as on the desktop.
void NotifyFocus(bool gained) {
  for (Window *w : std::vector<Window *>(WM().windows))
    if (!w->parent && IsTopLevel(w))
      PostMessageW(w, WM_ACTIVATEAPP, gained ? 1 : 0, 0);
}

} // namespace

void ShowPadHints(bool pad) {
  if (WM().padHints != pad) {
    WM().padHints = pad;
    MarkScreenDirty();
  }
}

void HandleKey(std::uint32_t key, const std::u16string &text) {
  if (key == VK_F9) {
    RotateScreen();
    return;
  }
  if (MessageBoxHandleKey(key))
    return;
  if (PopupOpen()) {
    HandlePopupKey(key);
    return;
  }
  if (key == VK_F1 || key == VK_F2) {
    PressSoftKey(key == VK_F1 ? 0 : 1);
    return;
  }
  Window *active = LiveWindow(ActiveWindow());
  if (!active)
    return;
  bool dialog = active->kind == WindowKind::Dialog;
  if (dialog && (key == VK_BACK || key == VK_ESCAPE)) {
    PostMessageW(active, WM_COMMAND, IDCANCEL, 0);
    return;
  }
  if (key == VK_RETURN) {
    if (dialog && active->doneButton) {
      PostMessageW(active, WM_COMMAND, IDOK, 0);
      return;
    }
    if (PressLeftSoftKeyCommand(active))
      return;
  }
  Window *focus = LiveWindow(WM().focus);
  Window *target = (focus && focus->parent == active) ? focus : active;
  PostMessageW(target, WM_KEYDOWN, key, 0);
  DeliverText(text);
}

void HandleInput(const InputEvent &event) {
  WindowManager &wm = WM();
  switch (event.kind) {
  case InputEvent::Kind::CloseRequest:
    if (wm.appWindow)
      PostMessageW(wm.appWindow, WM_CLOSE_REQUEST, 0, 0);
    else
      PostQuitMessage(0);
    return;
  case InputEvent::Kind::Raise:
    // Another start asked for us: its last active window comes forward, as on the phone.
    if (wm.appWindow)
      SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<std::uintptr_t>(wm.appWindow) | 1));
    else
      wm.backend->Raise();
    return;
  case InputEvent::Kind::Motion:
    if (wm.motionHandler)
      wm.motionHandler(event.x, event.y, event.valid);
    return;
  case InputEvent::Kind::Nothing:
  case InputEvent::Kind::CatchUp: // the loop's own, taken before it gets here
    return;
  case InputEvent::Kind::Text:
    ShowPadHints(false);
    DeliverText(event.text);
    return;
  case InputEvent::Kind::Click:
    HandleClick(event);
    return;
  case InputEvent::Kind::Focus:
    NotifyFocus(event.valid);
    return;
  case InputEvent::Kind::PadButton:
  case InputEvent::Kind::PadAxis:
  case InputEvent::Kind::PadAdded:
  case InputEvent::Kind::PadRemoved:
    HandlePadInput(event);
    return;
  case InputEvent::Kind::Key:
    ShowPadHints(false);
    HandleKey(event.key, event.text);
    return;
  }
}
