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

// The steering choices, shared by the game screen's "Control by" and the camera view's menu.
std::vector<MenuItemDef> SteeringItems() {
  return {
      {0,
       u"Steering",
       {{IDM_STEER_PICTURE, u"Follow the picture", {}},
        {IDM_STEER_CAMERA, u"Follow the camera", {}},
        {IDM_STEER_MIRROR, u"Mirror", {}}}},
      {0, u"Tracking", {{IDM_TRACK_WHOLE_PICTURE, u"Whole picture", {}}, {IDM_TRACK_PLAYER, u"Player", {}}}}};
}

// "Camera" and "Pad" keep their places (and digits); the desktop's additions follow them.
std::vector<MenuItemDef> ControlItems() {
  std::vector<MenuItemDef> items = {{IDM_CAMERA, u"Camera", {}}, {IDM_PAD, u"Pad", {}}};
  for (MenuItemDef &item : SteeringItems())
    items.push_back(std::move(item));
  items.push_back({IDM_CAMERA_VIEW, u"Camera view", {}});
  return items;
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
               {IDS_ABOUT, u"About"},       {IDS_MENU, u"Menu"},          {IDS_LEVEL, u"Level"},
               {IDS_BACK, u"Back"},         {IDS_VIEW, u"View"}};
  MenuItemDef menu{0,
                   u"Menu",
                   {{IDM_NEW_GAME, u"New game", {}},
                    {0, u"Difficulty", LevelItems()},
                    {0, u"Control by", ControlItems()},
                    {0,
                     u"Options",
                     {{IDM_SELF_COLLISION, u"Self collision", {}}, {IDM_BLOCK_SCREEN, u"Block screen", {}}}},
                    {IDM_BEST_SCORES, u"Best scores", {}},
                    {IDM_EXIT, u"Exit", {}}}};
  MenuItemDef menu2{0, u"Menu2", {{IDM_ABOUT, u"About", {}}}};
  std::vector<MenuItemDef> viewItems = {{IDM_VIEW_COLOUR, u"Colour", {}}, {IDM_VIEW_GREY, u"Grey", {}}};
  for (MenuItemDef &item : SteeringItems())
    viewItems.push_back(std::move(item));
  t.menus = {{IDR_GAME_MENU, {menu, menu2}},
             {IDR_SCORES_LEVEL_MENU, {{0, u"Level", LevelItems()}}},
             {IDR_CAMERA_VIEW_MENU, {{0, u"View", viewItems}}}};
  t.bars = {
      {IDR_MAIN_BAR, {{IDM_OK, IDS_OK, 0, 0}}},
      {IDR_GAME_BAR,
       {{IDM_MENU, IDS_MENU, IDR_GAME_MENU, 0}, {IDM_ABOUT_BUTTON, IDS_ABOUT, IDR_GAME_MENU, 1}}},
      {IDR_SCORES_BAR, {{IDM_OK, IDS_OK, 0, 0}, {IDM_LEVEL_BUTTON, IDS_LEVEL, IDR_SCORES_LEVEL_MENU, 0}}},
      {IDR_CAMERA_VIEW_BAR,
       {{IDM_VIEW_BACK, IDS_BACK, 0, 0}, {IDM_VIEW_BUTTON, IDS_VIEW, IDR_CAMERA_VIEW_MENU, 0}}}};
  DialogTemplate nameEntry = PlainDialog(IDD_NAME_ENTRY, 114, 117);
  nameEntry.items = {
      {u"EDIT", IDC_NAME_EDIT, 41, 30, 40, 19, WS_CHILD | WS_TABSTOP | ES_AUTOHSCROLL, u"", 0}};
  t.dialogs = {PlainDialog(IDD_GAME, 114, 117), PlainDialog(IDD_BEST_SCORES, 114, 117), nameEntry,
               AboutDialog(), PlainDialog(IDD_CAMERA_VIEW, 114, 117)};
  for (int i = 0; i < kEmbeddedBitmapCount; ++i)
    t.bitmaps.push_back({kEmbeddedBitmaps[i].id, kEmbeddedBitmaps[i].bytes, kEmbeddedBitmaps[i].size});
  return t;
}

} // namespace

const ResourceTable &VexmoorResources() {
  static const ResourceTable table = BuildTable();
  return table;
}
