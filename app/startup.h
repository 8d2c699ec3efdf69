#pragma once
// The program's spine: entry sequence, start-up, the main window with its splash and "Ok"
// soft key, the message loop and the ordered tear-down. Called by main() once the platform
// runs; tests call the same functions on the headless screen.

#include <cstdint>
#include <string>

#include "platform/types.h"

// Where start-up reads the settings and keeps the results (resolved from the command line).
void SetStartupFiles(const std::string &settingsFile, const std::string &resultsFile);

// The entry sequence: power on, seed, start-up, message loop, power off. Returns the exit code.
int VexmoorEntry(HINSTANCE instance, int show);
bool InitInstance(HINSTANCE instance, int show);
std::uint16_t RegisterMainClass(HINSTANCE instance, const char16_t *className);
std::intptr_t MainWndProc(HWND window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

// Puts the global record back to its state at program load (for tests).
void ResetAppState();

extern const char16_t kCameraErrorText[];
