#include "resources/vexmoor_resources.h"

#include "base/version.h"
#include "resources/embedded_bitmaps.h"
#include "resources/resource_ids.h"

namespace {

std::vector<MenuItemDef> LevelItems() {
  return {{IDM_LEVEL_1, u"Level 1", {}},
          {IDM_LEVEL_1 + 1, u"Level 2", {}},
          {IDM_LEVEL_1 + 2, u"Level 3", {}},
          {IDM_LEVEL_1 + 3, u"Level 4", {}},
          {IDM_LEVEL_1 + 4, u"Level 5", {}}};
}

// The drawn dialogs: a bordered pop-up without caption or controls.
DialogTemplate PlainDialog(int id, int cx, int cy) {
  return DialogTemplate{id, WS_POPUP | WS_BORDER, 0, 0, cx, cy, u"MS Shell Dlg", 8, {}};
}

DialogTemplate AboutDialog() {
  DialogTemplate d = PlainDialog(IDD_ABOUT, 120, 117);
  const std::uint32_t visible = WS_CHILD | WS_VISIBLE;
  d.items = {
      {u"STATIC", -1, 14, 8, 32, 30, visible | SS_BITMAP, u"", IDB_ABOUT_HEAD},
      {u"STATIC", -1, 14, 46, 94, 8, visible, u"Vexmoor Arcade " VEXMOOR_VERSION, 0},
      {u"STATIC", -1, 14, 58, 86, 8, visible, u"Copyright (C) 2026", 0},
      {u"STATIC", -1, 14, 70, 86, 8, visible, u"The Vexmoor team", 0},
      {u"STATIC", -1, 14, 82, 86, 8, visible, u"vexmoor.example.org", 0},
      {u"STATIC", -1, 14, 92, 86, 8, visible, u"play.vexmoor.example.org", 0},
  };
  return d;
}

ResourceTable BuildTable() {
  ResourceTable t;
  t.strings = {{IDS_APP_TITLE, u"Vexmoor"}, {IDS_CLASS_NAME, u"VEXMOOR"}, {IDS_OK, u"Ok"},
               {IDS_ABOUT, u"About"},       {IDS_MENU, u"Menu"},          {IDS_LEVEL, u"Level"}};
  MenuItemDef menu{0,
                   u"Menu",
                   {{IDM_NEW_GAME, u"New game", {}},
                    {0, u"Difficulty", LevelItems()},
                    {0, u"Control by", {{IDM_CAMERA, u"Camera", {}}, {IDM_PAD, u"Pad", {}}}},
                    {0,
                     u"Options",
                     {{IDM_SELF_COLLISION, u"Self collision", {}}, {IDM_BLOCK_SCREEN, u"Block screen", {}}}},
                    {IDM_BEST_SCORES, u"Best scores", {}},
                    {IDM_EXIT, u"Exit", {}}}};
  MenuItemDef menu2{0, u"Menu2", {{IDM_ABOUT, u"About", {}}}};
  t.menus = {{IDR_GAME_MENU, {menu, menu2}}, {IDR_SCORES_LEVEL_MENU, {{0, u"Level", LevelItems()}}}};
  t.bars = {
      {IDR_MAIN_BAR, {{IDM_OK, IDS_OK, 0, 0}}},
      {IDR_GAME_BAR,
       {{IDM_MENU, IDS_MENU, IDR_GAME_MENU, 0}, {IDM_ABOUT_BUTTON, IDS_ABOUT, IDR_GAME_MENU, 1}}},
      {IDR_SCORES_BAR, {{IDM_OK, IDS_OK, 0, 0}, {IDM_LEVEL_BUTTON, IDS_LEVEL, IDR_SCORES_LEVEL_MENU, 0}}}};
  DialogTemplate nameEntry = PlainDialog(IDD_NAME_ENTRY, 114, 117);
  nameEntry.items = {
      {u"EDIT", IDC_NAME_EDIT, 41, 30, 40, 19, WS_CHILD | WS_TABSTOP | ES_AUTOHSCROLL, u"", 0}};
  t.dialogs = {PlainDialog(IDD_GAME, 114, 117), PlainDialog(IDD_BEST_SCORES, 114, 117), nameEntry,
               AboutDialog()};
  for (int i = 0; i < kEmbeddedBitmapCount; ++i)
    t.bitmaps.push_back({kEmbeddedBitmaps[i].id, kEmbeddedBitmaps[i].bytes, kEmbeddedBitmaps[i].size});
  return t;
}

} // namespace

const ResourceTable &VexmoorResources() {
  static const ResourceTable table = BuildTable();
  return table;
}
