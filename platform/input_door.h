#pragma once
// The door for input from other threads: the camera's streaming thread posts its motion
// reports here, the instance listener its close and raise requests. Safe from any thread and
// never waits: an input is stamped with the backend's clock and queued (at most
// kInputDoorCapacity wait; more are dropped), and the message loop takes it on the
// user-interface thread in time order, where it is handled and recorded like the backend's
// own input. Used by start-up (which wires the camera to it) and the instance listener.

#include <cstddef>

#include "platform/backend.h"

constexpr std::size_t kInputDoorCapacity = 1024;

// A camera report, shaped as the tracker's callback so the capture graph can be given it.
// The loop hands it to the motion handler. Does not wake the loop: reports matter at the
// next timer, and the loop takes every report stamped before a timer's due time first.
void PostMotionReport(int x, int y, bool valid);
// Any input but typed text (which the door cannot hold). False when it was dropped because
// the door is full or the platform is not running.
bool PostInputEvent(const InputEvent &event);
// Shorthand for the requests other threads make: CloseRequest or Raise.
bool PostInputEvent(InputEvent::Kind kind);

// Who receives motion reports on the user-interface thread (start-up sets the trail's
// AppendMotion); with none they are taken and recorded, then dropped. Reset by PlatformStart.
void SetMotionHandler(void (*handler)(int x, int y, bool valid));
