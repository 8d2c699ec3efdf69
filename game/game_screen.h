#pragma once
// The game screen: dialog 107, opened modally by the main window's "Ok". Its procedure owns
// the game's control flow: soft-key menus and check marks, arrow keys, the game timer,
// starting and ending games, speed-up and starvation, and the paint in which the board steps.

#include <cstdint>

#include "platform/types.h"

std::intptr_t GameScreenProc(HWND dialog, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

void NewGame();
void EndGame();
void OnFoodEaten();
void SpeedUp();
void UncheckLevels();
// Tear-down calls it before the table is saved: a qualifying score whose name is still being
// typed goes in under the name typed so far (the last name when the field is empty).
void KeepScoreAwaitingName();
// Whether start-up opened a camera: with "Camera" chosen and none open, the banner says so
// instead of asking for a better background.
void SetCameraOpen(bool open);
// Whether the camera turns with the screen, as a phone's does: then in landscape its vector is
// turned a quarter with it. No desktop camera does (a webcam, the test picture, a video file),
// which is the start.
void SetCameraTurnsWithScreen(bool turns);
