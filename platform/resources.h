#pragma once
// Resource tables of a module: strings, menus, soft-key bars, dialog templates and bitmaps.
// The program's own tables live in resources/; the platform only reads them.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

struct StringResource {
  int id;
  std::u16string text;
};

// A menu item; an item with items of its own opens a sub-menu.
struct MenuItemDef {
  int id;
  std::u16string text;
  std::vector<MenuItemDef> items;
};

// A menu resource: its top-level pop-ups, in order ("pop-up 0", "pop-up 1", ...).
struct MenuResource {
  int id;
  std::vector<MenuItemDef> popups;
};

// One soft key: its command, its label (a string id) and the pop-up it opens, if any.
struct SoftKeyDef {
  int command;
  int stringId;
  int menuId;     // 0: no pop-up, the key sends its command
  int popupIndex; // which pop-up of the menu
};

struct BarResource {
  int id;
  std::vector<SoftKeyDef> buttons;
};

// Control styles used by the templates.
constexpr std::uint32_t WS_POPUP = 0x80000000u;
constexpr std::uint32_t WS_CHILD = 0x40000000u;
constexpr std::uint32_t WS_VISIBLE = 0x10000000u;
constexpr std::uint32_t WS_BORDER = 0x00800000u;
constexpr std::uint32_t WS_TABSTOP = 0x00010000u;
constexpr std::uint32_t ES_AUTOHSCROLL = 0x0080u;
constexpr std::uint32_t SS_BITMAP = 0x000Eu;

struct DialogItemDef {
  std::u16string className; // u"EDIT" or u"STATIC"
  int id;
  int x, y, cx, cy; // dialog units
  std::uint32_t style;
  std::u16string text;
  int bitmapId; // SS_BITMAP statics: the bitmap shown
};

struct DialogTemplate {
  int id;
  std::uint32_t style;
  int x, y, cx, cy; // dialog units
  std::u16string font;
  int fontSize;
  std::vector<DialogItemDef> items;
};

struct BitmapResource {
  int id;
  const unsigned char *bytes; // a BMP file
  unsigned size;
};

struct ResourceTable {
  std::vector<StringResource> strings;
  std::vector<MenuResource> menus;
  std::vector<BarResource> bars;
  std::vector<DialogTemplate> dialogs;
  std::vector<BitmapResource> bitmaps;
};

// A module handle over a resource table, which must outlive it.
HINSTANCE CreateModule(const ResourceTable *table);
void DestroyModule(HINSTANCE instance);
const ResourceTable *ModuleResources(HINSTANCE instance);

const BitmapResource *FindBitmapResource(HINSTANCE instance, int id);
const MenuResource *FindMenuResource(HINSTANCE instance, int id);
const BarResource *FindBarResource(HINSTANCE instance, int id);

int LoadStringW(HINSTANCE instance, int id, char16_t *buffer, int bufferMax);
HICON LoadIconW(HINSTANCE instance, int id);
void DestroyIcon(HICON icon);

// Dialog templates are found and loaded as on the phone.
constexpr int RT_DIALOG = 5;
struct ResourceInfo;
using HRSRC = const ResourceInfo *;
HRSRC FindResourceW(HINSTANCE instance, int id, int type);
const DialogTemplate *LoadResource(HINSTANCE instance, HRSRC resource);
