#pragma once
// Soft-key bars with their pop-up menus, full-screen dialogs and check marks.
// Used by the main window, the game screen and the dialogs.

#include <cstdint>

#include "platform/types.h"

// The bar description; 36 bytes on the phone.
struct SHMENUBARINFO {
  std::uint32_t cbSize = 0;
  HWND hwndParent = nullptr;
  std::uint32_t dwFlags = 0;
  std::uint32_t nToolBarId = 0;
  HINSTANCE hInstRes = nullptr;
  int nBmpId = 0;
  int cBmpImages = 0;
  HWND hwndMB = nullptr;
};

bool SHCreateMenuBar(SHMENUBARINFO *info);
// Sent to a bar with a button's command id in lParam: returns that button's pop-up (an HMENU).
constexpr std::uint32_t SHCMBM_GETSUBMENU = 0x0591;

struct SHINITDLGINFO {
  std::uint32_t dwMask = 0;
  HWND hDlg = nullptr;
  std::uint32_t dwFlags = 0;
};
constexpr std::uint32_t SHIDIM_FLAGS = 0x0001;
constexpr std::uint32_t SHIDIF_DONEBUTTON = 0x0001;
constexpr std::uint32_t SHIDIF_SIZEDLGFULLSCREEN = 0x0004;
constexpr std::uint32_t SHIDIF_SIPDOWN = 0x0008;
constexpr std::uint32_t SHIDIF_EMPTYMENU = 0x0020;
bool SHInitDialog(SHINITDLGINFO *info);

// The usual calls in one line each: SHInitDialog with its flags, and a soft-key bar from a
// resource (returns the bar, or null when it cannot be made).
bool InitDialogFlags(HWND dialog, std::uint32_t flags);
HWND CreateSoftKeyBar(HWND parent, HINSTANCE instance, int barId);

// The shell's start-up routine; call once before anything else of the shell.
void SHInitExtraControls();

constexpr std::uint32_t MF_BYCOMMAND = 0x0000;
constexpr std::uint32_t MF_UNCHECKED = 0x0000;
constexpr std::uint32_t MF_CHECKED = 0x0008;
// Returns the previous state (MF_CHECKED or MF_UNCHECKED), or -1 as unsigned when the id is absent.
std::uint32_t CheckMenuItem(HMENU menu, std::uint32_t id, std::uint32_t flags);
