#pragma once
// Closing on SIGHUP, SIGTERM, SIGINT and SIGQUIT: each asks the program to close in order, as
// the window's close button does, so the scores are saved once. The signal handler only
// writes to a pipe; a thread of ours reads it and posts the close request to the main window.
// A signal that comes before the main window exists is held and posted once start-up names
// the window. main() switches this on before anything else; start-up names the window.

#include "platform/types.h"

// Installs the handlers and starts the thread. False (and nothing changed) when it cannot.
bool StartCloseOnSignals();
// Restores the previous handlers and ends the thread; a held request is forgotten.
void StopCloseOnSignals();
// Both, for a scope: main() and tests hold one.
struct CloseOnSignals {
  CloseOnSignals() { StartCloseOnSignals(); }
  ~CloseOnSignals() { StopCloseOnSignals(); }
  CloseOnSignals(const CloseOnSignals &) = delete;
  CloseOnSignals &operator=(const CloseOnSignals &) = delete;
};
// The window that gets the close request; null while there is none. A request held until now
// is posted at once.
void SetCloseTarget(HWND window);
// True once one of the signals came, from the start of StartCloseOnSignals on.
bool CloseSignalled();
// True once the thread has handed the close request to the window manager (tests wait on it).
bool CloseRequestPosted();
