#pragma once
// Resource numbers: strings, bitmaps, icon, dialogs, menus, soft-key bars and commands.

// Strings.
constexpr int IDS_APP_TITLE = 1;
constexpr int IDS_CLASS_NAME = 2;
constexpr int IDS_OK = 104;
constexpr int IDS_ABOUT = 40013;
constexpr int IDS_MENU = 40014;
constexpr int IDS_LEVEL = 40021;
constexpr int IDS_BACK = 40048;
constexpr int IDS_VIEW = 40049;

// Bitmaps and icon.
constexpr int IDB_SPLASH = 2;
constexpr int IDI_VEXMOOR = 137;
constexpr int IDB_ABOUT_HEAD = 138;

// Dialogs.
constexpr int IDD_ABOUT = 9;
constexpr int IDD_GAME = 107;
constexpr int IDD_BEST_SCORES = 108;
constexpr int IDD_NAME_ENTRY = 109;
constexpr int IDD_CAMERA_VIEW = 110;
constexpr int IDC_NAME_EDIT = 1000;

// Soft-key bars and menus.
constexpr int IDR_MAIN_BAR = 102;
constexpr int IDR_GAME_BAR = 40002;
constexpr int IDR_GAME_MENU = 40005;
constexpr int IDR_SCORES_BAR = 40022;
constexpr int IDR_SCORES_LEVEL_MENU = 40027;
constexpr int IDR_CAMERA_VIEW_BAR = 40041;
constexpr int IDR_CAMERA_VIEW_MENU = 40042;

// Commands.
constexpr int IDM_OK = 40001;
constexpr int IDM_MENU = 40003;
constexpr int IDM_ABOUT_BUTTON = 40004;
constexpr int IDM_NEW_GAME = 40006;
constexpr int IDM_CAMERA = 40010;
constexpr int IDM_PAD = 40011;
constexpr int IDM_BEST_SCORES = 40012;
constexpr int IDM_ABOUT_ALT = 40015;
constexpr int IDM_EXIT = 40016;
constexpr int IDM_ABOUT = 40018;
constexpr int IDM_LEVEL_BUTTON = 40023;
constexpr int IDM_LEVEL_1 = 40028; // to IDM_LEVEL_1 + 4 for "Level 5"
constexpr int IDM_SELF_COLLISION = 40033;
constexpr int IDM_BLOCK_SCREEN = 40034;
// The camera steering choices, under "Control by"; the directions in SteeringDirection's order.
constexpr int IDM_STEER_PICTURE = 40035;
constexpr int IDM_STEER_CAMERA = 40036;
constexpr int IDM_STEER_MIRROR = 40037;
constexpr int IDM_TRACK_WHOLE_PICTURE = 40038;
constexpr int IDM_TRACK_PLAYER = 40039;
constexpr int IDM_CAMERA_VIEW = 40040;
// The camera view's soft keys and its menu.
constexpr int IDM_VIEW_BACK = 40043;
constexpr int IDM_VIEW_BUTTON = 40044;
constexpr int IDM_VIEW_COLOUR = 40045;
constexpr int IDM_VIEW_GREY = 40046;

// Timers.
constexpr int IDT_GAME = 40017;
constexpr int IDT_BEST_SCORES = 40019;
constexpr int IDT_NAME_ENTRY = 40020;
constexpr int IDT_CAMERA_VIEW = 40047;
