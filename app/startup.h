#pragma once
// The program's spine: entry sequence, start-up, the main window with its splash and "Ok"
// soft key, the message loop and the ordered tear-down. Called by main() once the platform
// runs; tests call the same functions on the headless screen.

#include <cstdint>
#include <string>

#include "platform/types.h"

// Where start-up reads the settings and keeps the results (resolved from the command line).
void SetStartupFiles(const std::string &settingsFile, const std::string &resultsFile);

// How long a second start waits for the running copy to answer (it may still be starting).
constexpr int kClaimWaitMs = 2000;
// The single-instance check, made by main() before any window: takes the lock of the results
// folder (kept until VexmoorEntry ends) and looks for a running copy through its socket.
// -1 when this start may go on. Otherwise the exit code of a second start: 0 once the running
// copy came forward, 1 when a copy holds the folder but cannot be reached within waitMs
// ("another Vexmoor is using DIR" on stderr). Uses the running platform, else a headless one.
int ClaimFirstStart(int waitMs = kClaimWaitMs);

// The entry sequence: power on, seed, start-up, message loop, power off. Returns the exit code:
// 1 when the scores could not be saved (the player was told) or start-up gave way to a copy it
// could not reach.
int VexmoorEntry(HINSTANCE instance, int show);
bool InitInstance(HINSTANCE instance, int show);
std::uint16_t RegisterMainClass(HINSTANCE instance, const char16_t *className);
std::intptr_t MainWndProc(HWND window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

// The camera choices the command line made for this run (checked by main(); empty: the kept
// ones), and whether the camera view opens at start. A recording keeps them; a replay sets them.
struct StartupChoices {
  std::string steer;      // picture, camera or mirror
  std::string cameraMode; // block or player
  bool cameraView = false;
};
void SetStartupChoices(const StartupChoices &choices);
const StartupChoices &CurrentStartupChoices();

// What recordings and replays set before VexmoorEntry and read after it (app/recording.cpp).
// The random seed (otherwise the tick count at entry).
void SetStartupSeed(std::uint32_t seed);
// Replays: the camera is not opened; start-up goes on as if its build had returned built, for
// a camera that was asked for (a failure is then told) or not (--camera none).
void AssumeCameraBuild(int built, bool asked = true);
// What the camera build returned (1 or 0), or -1 before start-up reached it.
int CameraBuildResult();
// A digest of the board as the tear-down found it (0 before any tear-down).
std::uint64_t BoardDigestAtClose();

// Puts the global record back to its state at program load (for tests).
void ResetAppState();

extern const char16_t kCameraErrorText[];
