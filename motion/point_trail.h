#pragma once
// The point trail: collects the camera tracker's motion reports between two game ticks and
// reduces them, on each tick, to the steering vector g_app.steerX/steerY by a vote on their
// direction. AppendMotion takes the tracker's reports (the game hands them over on the
// user-interface thread, but an append is safe from any one other thread); OnGameTick is the
// game screen's timer procedure (user-interface thread).

#include <cstdint>

#include "platform/types.h"

// Stores one report while a game runs; drops it when the trail is full. Never waits.
void AppendMotion(int x, int y, bool valid);

// Reduces the trail to the steering vector, advances the game clocks while a game runs,
// empties the trail and invalidates the game screen. Ignores its arguments.
void OnGameTick(HWND window, std::uint32_t message, std::uintptr_t id, std::uint32_t time);

// Which way the snake goes for a motion of the picture. FollowPicture: the way the picture's
// content moved (for a camera held in the hand, the opposite of the camera's own turn).
// FollowCamera: the way the camera turned (both axes negated). Mirror: x negated, for a
// still webcam that faces the player, so the player's own motion to their right steers right.
enum class SteeringDirection : std::int32_t { FollowPicture = 0, FollowCamera = 1, Mirror = 2 };

// The direction the next ticks apply to the vote's vector. Any thread; FollowPicture at start.
void SetSteeringDirection(SteeringDirection direction);
SteeringDirection CurrentSteeringDirection();

// The direction a tracking mode starts with: Mirror for the mode that follows the player in
// front of a still webcam (CameraTracker's PlayerTracking, 4), FollowPicture for the others.
SteeringDirection DefaultSteeringDirection(int trackingMode);

// "picture", "camera", "mirror": the names the command line and the kept choice use.
const char *SteeringDirectionName(SteeringDirection direction);
// False, and direction untouched, for any other text.
bool ParseSteeringDirection(const char *name, SteeringDirection *direction);
