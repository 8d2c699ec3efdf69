// Soft-key bars, their pop-up menus and full-screen dialogs.

#include "platform/shell.h"

#include <algorithm>

#include "platform/gdi.h"
#include "platform/window.h"
#include "platform/window_manager.h"

namespace {

constexpr int kMenuRowHeight = 20;
constexpr int kMenuWidth = 150;
constexpr COLORREF kMenuBack = RGB(250, 250, 250);
constexpr COLORREF kMenuText = RGB(0, 0, 0);
constexpr COLORREF kMenuSelectedBack = RGB(40, 90, 200);
constexpr COLORREF kMenuSelectedText = RGB(255, 255, 255);
constexpr COLORREF kMenuBorder = RGB(60, 60, 60);
constexpr COLORREF kBarBack = RGB(28, 32, 40);
constexpr COLORREF kBarLine = RGB(90, 100, 120);
constexpr COLORREF kBarText = RGB(255, 255, 255);

std::unique_ptr<Menu> BuildMenu(const std::vector<MenuItemDef> &items) {
  auto menu = std::make_unique<Menu>();
  for (const MenuItemDef &def : items) {
    Menu::Item item;
    item.id = def.id;
    item.text = def.text;
    if (!def.items.empty())
      item.submenu = BuildMenu(def.items);
    menu->items.push_back(std::move(item));
  }
  return menu;
}

Menu::Item *FindItem(Menu *menu, std::uint32_t id) {
  if (!menu)
    return nullptr;
  for (Menu::Item &item : menu->items) {
    if (!item.submenu && item.id == int(id))
      return &item;
    if (Menu::Item *inner = FindItem(item.submenu.get(), id))
      return inner;
  }
  return nullptr;
}

// Where a pop-up level is drawn on the screen.
RECT LevelRect(std::size_t level) {
  const PopupState &p = WM().popup;
  int w = WM().screenWidth, h = WM().screenHeight;
  int rows = int(p.levels[level].menu->items.size());
  int height = rows * kMenuRowHeight + 4;
  int bottom = h - kSoftKeyBarHeight;
  int left = p.button == 0 ? 0 : w - kMenuWidth;
  if (level > 0) {
    RECT parent = LevelRect(level - 1);
    int top = parent.top + 2 + p.levels[level - 1].selected * kMenuRowHeight;
    bottom = std::min(bottom, top + height);
    left = std::clamp(int(parent.left) + 90, 0, w - kMenuWidth); // keeps the parent labels readable
  }
  int top = std::max(kTitleStripHeight, bottom - height);
  return RECT{left, top, left + kMenuWidth, top + height};
}

void Choose(int index) {
  PopupState &p = WM().popup;
  auto &level = p.levels.back();
  if (index < 0 || index >= int(level.menu->items.size()))
    return;
  level.selected = index;
  Menu::Item &item = level.menu->items[std::size_t(index)];
  if (item.submenu) {
    if (!item.submenu->items.empty())
      p.levels.push_back({item.submenu.get(), 0});
    MarkScreenDirty();
    return;
  }
  HWND owner = p.bar ? p.bar->parent : nullptr;
  int id = item.id;
  ClosePopups();
  PostMessageW(owner, WM_COMMAND, std::uintptr_t(id), 0);
}

void DrawCheck(HDC dc, int x, int y, COLORREF colour) {
  // A small tick drawn from square dots, so it needs no glyph.
  static const int dots[][2] = {{0, 4}, {1, 5}, {2, 6}, {3, 5}, {4, 4}, {5, 3}, {6, 2}, {7, 1}, {8, 0}};
  for (const auto &d : dots) {
    RECT r{x + d[0], y + d[1], x + d[0] + 2, y + d[1] + 2};
    FillBox(dc, r, colour);
  }
}

} // namespace

bool SHCreateMenuBar(SHMENUBARINFO *info) {
  if (!info)
    return false;
  Window *parent = LiveWindow(info->hwndParent);
  const BarResource *resource = FindBarResource(info->hInstRes, int(info->nToolBarId));
  if (!parent || !resource) {
    info->hwndMB = nullptr;
    return false;
  }
  if (HWND old = BarOf(parent))
    DestroyWindow(old);
  Window *bar = NewWindow(u"menu_worker");
  bar->parent = parent;
  bar->bar = resource;
  bar->visible = true;
  bar->rect = RECT{0, WM().screenHeight - kSoftKeyBarHeight, WM().screenWidth, WM().screenHeight};
  for (const SoftKeyDef &button : resource->buttons) {
    char16_t label[64];
    LoadStringW(info->hInstRes, button.stringId, label, 64);
    bar->labels.emplace_back(label);
    const MenuResource *menu = button.menuId ? FindMenuResource(info->hInstRes, button.menuId) : nullptr;
    if (menu && button.popupIndex >= 0 && button.popupIndex < int(menu->popups.size()))
      bar->barMenus.push_back(BuildMenu(menu->popups[std::size_t(button.popupIndex)].items));
    else
      bar->barMenus.push_back(nullptr);
  }
  WM().windows.push_back(bar);
  info->hwndMB = bar;
  MarkScreenDirty();
  return true;
}

std::intptr_t MenuBarWindowProc(HWND window, std::uint32_t message, std::uintptr_t, std::intptr_t lParam) {
  if (message != SHCMBM_GETSUBMENU)
    return 0;
  for (std::size_t i = 0; window->bar && i < window->bar->buttons.size(); ++i)
    if (window->bar->buttons[i].command == int(lParam))
      return reinterpret_cast<std::intptr_t>(window->barMenus[i].get());
  return 0;
}

HWND BarOf(HWND window) {
  if (!window)
    return nullptr;
  for (Window *w : WM().windows)
    if (w->kind == WindowKind::MenuBar && w->parent == window)
      return w;
  return nullptr;
}

bool SHInitDialog(SHINITDLGINFO *info) {
  if (!info)
    return false;
  Window *d = LiveWindow(info->hDlg);
  if (!d || !(info->dwMask & SHIDIM_FLAGS))
    return d != nullptr;
  if (info->dwFlags & SHIDIF_SIZEDLGFULLSCREEN) {
    RECT work = WorkArea();
    d->fullScreen = true;
    MoveWindow(d, work.left, work.top, work.right - work.left, work.bottom - work.top, true);
  }
  d->doneButton = (info->dwFlags & SHIDIF_DONEBUTTON) != 0;
  d->emptyBar = (info->dwFlags & SHIDIF_EMPTYMENU) != 0;
  MarkScreenDirty();
  return true;
}

void SHInitExtraControls() {}

bool InitDialogFlags(HWND dialog, std::uint32_t flags) {
  SHINITDLGINFO init;
  init.dwMask = SHIDIM_FLAGS;
  init.hDlg = dialog;
  init.dwFlags = flags;
  return SHInitDialog(&init);
}

HWND CreateSoftKeyBar(HWND parent, HINSTANCE instance, int barId) {
  SHMENUBARINFO bar{};
  bar.cbSize = 36;
  bar.hwndParent = parent;
  bar.nToolBarId = std::uint32_t(barId);
  bar.hInstRes = instance;
  return SHCreateMenuBar(&bar) ? bar.hwndMB : nullptr;
}

std::uint32_t CheckMenuItem(HMENU menu, std::uint32_t id, std::uint32_t flags) {
  Menu::Item *item = FindItem(menu, id);
  if (!item)
    return std::uint32_t(-1);
  std::uint32_t previous = item->checked ? MF_CHECKED : MF_UNCHECKED;
  item->checked = (flags & MF_CHECKED) != 0;
  MarkScreenDirty();
  return previous;
}

bool PopupOpen() { return !WM().popup.levels.empty(); }

void ClosePopups() {
  WM().popup = PopupState{};
  MarkScreenDirty();
}

void PressSoftKey(int button) {
  HWND active = ActiveWindow();
  Window *bar = LiveWindow(BarOf(active));
  if (!bar || button < 0 || button >= int(bar->bar->buttons.size()))
    return;
  std::size_t b = std::size_t(button);
  if (Menu *menu = bar->barMenus[b].get()) {
    if (menu->items.empty())
      return;
    WM().popup = PopupState{bar, button, {{menu, 0}}};
    MarkScreenDirty();
  } else {
    PostMessageW(bar->parent, WM_COMMAND, std::uintptr_t(bar->bar->buttons[b].command), 0);
  }
}

void HandlePopupKey(std::uint32_t key) {
  PopupState &p = WM().popup;
  if (p.levels.empty())
    return;
  auto &level = p.levels.back();
  int count = int(level.menu->items.size());
  switch (key) {
  case VK_UP:
    level.selected = (level.selected + count - 1) % count;
    break;
  case VK_DOWN:
    level.selected = (level.selected + 1) % count;
    break;
  case VK_RETURN:
    Choose(level.selected);
    return;
  case VK_RIGHT:
    if (level.menu->items[std::size_t(level.selected)].submenu)
      Choose(level.selected);
    return;
  case VK_LEFT:
  case VK_BACK:
  case VK_ESCAPE:
    p.levels.pop_back();
    if (p.levels.empty())
      ClosePopups();
    break;
  case VK_F1:
  case VK_F2:
    ClosePopups();
    return;
  default:
    if (key >= '1' && key <= '9')
      Choose(int(key - '1'));
    return;
  }
  MarkScreenDirty();
}

bool HandlePopupClick(int x, int y) {
  PopupState &p = WM().popup;
  for (std::size_t i = p.levels.size(); i-- > 0;) {
    RECT r = LevelRect(i);
    if (x >= r.left && x < r.right && y >= r.top + 2 && y < r.bottom - 2) {
      p.levels.resize(i + 1);
      Choose((y - r.top - 2) / kMenuRowHeight);
      return true;
    }
  }
  ClosePopups();
  return false;
}

void DrawPopups(HDC dc) {
  const PopupState &p = WM().popup;
  HFONT font = ChromeFont(false);
  for (std::size_t i = 0; i < p.levels.size(); ++i) {
    RECT r = LevelRect(i);
    FillBox(dc, r, kMenuBorder);
    FillBox(dc, RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, kMenuBack);
    const Menu *menu = p.levels[i].menu;
    for (std::size_t row = 0; row < menu->items.size(); ++row) {
      const Menu::Item &item = menu->items[row];
      int top = r.top + 2 + int(row) * kMenuRowHeight;
      bool selected = int(row) == p.levels[i].selected;
      COLORREF text = selected ? kMenuSelectedText : kMenuText;
      if (selected)
        FillBox(dc, RECT{r.left + 2, top, r.right - 2, top + kMenuRowHeight}, kMenuSelectedBack);
      std::u16string number = row < 9 ? std::u16string(1, char16_t(u'1' + row)) : u" ";
      ChromeText(dc, r.left + 6, top + 2, number, text, font);
      if (item.checked)
        DrawCheck(dc, r.left + 18, top + 6, text);
      ChromeText(dc, r.left + 32, top + 2, item.text, text, font);
      if (item.submenu)
        ChromeText(dc, r.right - 14, top + 2, u">", text, font);
    }
  }
}

void DrawSoftKeyBar(HDC dc) {
  int w = WM().screenWidth, h = WM().screenHeight;
  FillBox(dc, RECT{0, h - kSoftKeyBarHeight, w, h}, kBarBack);
  FillBox(dc, RECT{0, h - kSoftKeyBarHeight, w, h - kSoftKeyBarHeight + 1}, kBarLine);
  std::vector<std::u16string> labels;
  if (!WM().messageBoxes.empty()) {
    labels = {u"OK"};
  } else if (Window *active = LiveWindow(ActiveWindow()); active && !active->emptyBar) {
    if (Window *bar = LiveWindow(BarOf(active)))
      labels = bar->labels;
  }
  HFONT font = ChromeFont(true);
  for (std::size_t i = 0; i < labels.size() && i < 2; ++i) {
    int width = ChromeTextWidth(dc, labels[i], font);
    int centre = i == 0 ? w / 4 : 3 * w / 4;
    ChromeText(dc, centre - width / 2, h - kSoftKeyBarHeight + 5, labels[i], kBarText, font);
  }
  if (labels.size() == 2)
    FillBox(dc, RECT{w / 2, h - kSoftKeyBarHeight + 6, w / 2 + 1, h - 6}, kBarLine);
}

void DestroyBarsOf(HWND owner) {
  while (HWND bar = BarOf(owner))
    DestroyWindow(bar);
}
