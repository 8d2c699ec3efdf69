#pragma once
// systemd-logind's "idle" inhibitor lock: keeps the desktop from blanking the screen or
// suspending while the game runs. Used by the desktop's power keeping.

#include <chrono>

// Takes the lock on the system bus; its file descriptor, or -1 when there is no bus, no
// logind, a refusal, or no answer within deadline. Never blocks past the deadline.
int TakeIdleInhibitor(std::chrono::milliseconds deadline);
// Closing the lock's descriptor ends the lock; -1 does nothing.
void ReleaseIdleInhibitor(int fd);
