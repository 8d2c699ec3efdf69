#pragma once
// The point trail: collects the camera tracker's motion reports between two game ticks and
// reduces them, on each tick, to the steering vector g_app.steerX/steerY by a vote on their
// direction. AppendMotion is the tracker's callback (capture thread); OnGameTick is the
// game screen's timer procedure (user-interface thread).

#include <cstdint>

#include "platform/types.h"

// Stores one report while a game runs; drops it when the trail is full. Never waits.
void AppendMotion(int x, int y, bool valid);

// Reduces the trail to the steering vector, advances the game clocks while a game runs,
// empties the trail and invalidates the game screen. Ignores its arguments.
void OnGameTick(HWND window, std::uint32_t message, std::uintptr_t id, std::uint32_t time);

// The distance of two angles in radians on the circle.
double AngularDistance(double a, double b);
