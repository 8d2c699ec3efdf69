#pragma once
// The window manager's own state: windows and their classes, z-order, the queue, the
// loop's clock and inputs, timers, menus and the screen. Internal to platform/.

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/input_door.h"
#include "platform/resources.h"
#include "platform/surface.h"
#include "platform/types.h"
#include "platform/window.h"

struct Menu {
  struct Item {
    int id = 0;
    std::u16string text;
    bool checked = false;
    std::unique_ptr<Menu> submenu;
  };
  std::vector<Item> items;
};

// What sort of window this is, for layout and input routing; its messages go to its class's
// procedure whatever the kind.
enum class WindowKind { Normal, Dialog, MenuBar, Edit, Static, Remote };

struct Window {
  WindowKind kind = WindowKind::Normal;
  std::u16string className;
  std::u16string text;
  WindowProc proc = nullptr;       // the class's procedure; none answers every message with 0
  DialogProc dialogProc = nullptr; // a dialog's own procedure, called by the dialog class's
  std::uint32_t style = 0;
  HBRUSH background = nullptr;
  int id = 0;
  RECT rect;                // screen coordinates for top-level windows, parent client for children
  Window *parent = nullptr; // child controls and bars
  Window *owner = nullptr;  // owned top-level windows and dialogs
  std::vector<Window *> children;
  Surface surface; // contents of top-level windows and dialogs
  bool visible = false;
  bool enabled = true;
  bool invalid = false;
  bool destroying = false;
  bool dead = false;       // destroyed; freed once no procedure or loop of it is on the stack
  int busy = 0;            // procedures and modal loops of this window now running
  bool fullScreen = false; // kept at the work area's size when the screen turns
  HWND lastActivePopup = nullptr;

  // Dialogs.
  bool dialogEnded = false;
  std::intptr_t dialogResult = 0;
  bool doneButton = false;
  bool emptyBar = false;

  // Soft-key bars.
  const BarResource *bar = nullptr;
  std::vector<std::u16string> labels;
  std::vector<std::unique_ptr<Menu>> barMenus; // one per button; null when it sends its command

  // Edit controls: the caret, always within the text.
  int caret = 0;

  // Static picture controls.
  HBITMAP picture = nullptr;

  // A window of another instance, reached through its socket.
  std::string remotePath;
};

struct Timer {
  HWND window;
  std::uintptr_t id;
  std::uint32_t period;
  TimerProc procedure;
  std::uint64_t due;
};

// The open pop-up menus: a stack of levels, each with its highlighted row.
struct PopupState {
  HWND bar = nullptr;
  int button = 0; // 0 left soft key, 1 right
  struct Level {
    Menu *menu;
    int selected;
  };
  std::vector<Level> levels;
};

struct MessageBoxState {
  std::u16string text;
  std::u16string caption;
  bool done = false;
};

// An input that has reached the loop, with the loop time it counts at.
struct ArrivedInput {
  std::uint64_t stamp;
  InputEvent event;
};

struct WindowManager {
  std::unique_ptr<Backend> backend;
  std::uint64_t loopTime = 0;       // GetTickCount, SetTimer and recordings read this clock
  std::deque<ArrivedInput> arrived; // taken from the backend and the door, by stamp
  std::uint64_t lastComposeMs = 0;  // backend clock of the last composed screen
  void (*motionHandler)(int x, int y, bool valid) = nullptr;
  std::vector<Window *> windows; // every live window
  std::vector<Window *> zOrder;  // visible top-level windows and dialogs, bottom first
  HWND appWindow = nullptr;      // the first top-level window: close requests go here
  HWND focus = nullptr;
  std::vector<Timer> timers;
  PopupState popup;
  std::vector<MessageBoxState *> messageBoxes;
  int screenWidth = 240;
  int screenHeight = 320;
  Surface screen;
  bool screenDirty = true;
  bool quitPosted = false;
  int quitCode = 0;

  std::mutex queueMutex;         // guards posted and remotes
  std::vector<Window *> remotes; // windows of other instances found by FindWindowW
  std::deque<MSG> posted;

  struct Class {
    std::u16string name;
    WindowProc proc;
    HBRUSH background;
    std::uint32_t style;
    HICON icon;
    WindowKind kind;
  };
  std::vector<Class> classes; // the built-in classes first, then the program's
};

// Keeps a window's memory while its procedure or modal loop runs, even if it is destroyed.
struct BusyGuard {
  explicit BusyGuard(Window *window);
  ~BusyGuard();
  BusyGuard(const BusyGuard &) = delete;
  BusyGuard &operator=(const BusyGuard &) = delete;
  Window *w;
};

WindowManager &WM();
// One message for a loop (see message_loop.cpp); false when limitMs passed without one.
bool NextMessage(MSG *msg, bool hasLimit, std::uint64_t limitMs);
bool WindowManagerRunning();
// A live window of this process, or null (also for handles with the lowest bit set).
Window *LiveWindow(HWND window);
// A new window of a registered class (built-in or the program's), not yet in any list; null
// for an unknown class.
Window *NewWindow(const std::u16string &className);
bool IsTopLevel(const Window *window);
HWND ActiveWindow();
HWND BarOf(HWND window);
void MarkScreenDirty();
void ComposeScreen();
RECT WorkArea();
void InvalidateWindow(Window *window);
// The invalid top-level window to paint next, topmost first; null when none.
Window *NextInvalid();
// Fills a window's contents with its background (a dialog's comes from WM_CTLCOLORDLG).
void EraseBackground(Window *window);
// Drops a window's timers and posted messages (it is being destroyed).
void ForgetWindowMessages(Window *window);

// The door for other threads (input_door.h): opened on the backend by PlatformStart, closed by
// PlatformStop; the loop takes what waits in it.
void OpenInputDoor(Backend *backend);
void CloseInputDoor();
bool TakeFromInputDoor(InputEvent *out, std::uint64_t *stamp);
// The recording, when one runs (recording.cpp): each input the loop takes, at its loop time.
void RecordInput(std::uint64_t loopTime, const InputEvent &event);

// Input from the backend, turned into posted messages or menu moves.
void HandleInput(const InputEvent &event);
// Pop-up menus and soft keys.
bool PopupOpen();
void HandlePopupKey(std::uint32_t key);
// A click while a pop-up is open: chooses the row under it, or closes the pop-ups.
bool HandlePopupClick(int x, int y);
void PressSoftKey(int button);
void ClosePopups();
void DrawPopups(HDC screenDc);
void DrawSoftKeyBar(HDC screenDc);
void DestroyBarsOf(HWND owner);
// The built-in classes' procedures: dialogs, edit and static controls, soft-key bars.
std::intptr_t DialogWindowProc(HWND window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam);
std::intptr_t EditWindowProc(HWND window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
std::intptr_t StaticWindowProc(HWND window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam);
std::intptr_t MenuBarWindowProc(HWND window, std::uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam);
void DrawMessageBoxes(HDC screenDc);
bool MessageBoxHandleKey(std::uint32_t key);
// Single instance: listening for and reaching other instances.
void StartInstanceListener(HWND window);
void StopInstanceListener(HWND window);
HWND ConnectToInstance(const char16_t *className, const char16_t *caption);
bool SendToInstance(Window *remote, const std::string &line);
// How long the instance socket waits, in milliseconds: a client for its whole exchange, the
// listener for one client's request line. Tests shorten them.
struct InstanceDeadlines {
  int clientMs = 1500;
  int requestMs = 1000;
};
InstanceDeadlines &InstanceTimeouts();
const Surface *IconSurface(HICON icon);
// Chrome fonts, text and boxes, shared by the title strip, the bar, menus and message boxes.
HFONT ChromeFont(bool bold);
void FillBox(HDC dc, RECT r, COLORREF colour);
void ChromeText(HDC dc, int x, int y, const std::u16string &text, COLORREF colour, HFONT font);
int ChromeTextWidth(HDC dc, const std::u16string &text, HFONT font);
