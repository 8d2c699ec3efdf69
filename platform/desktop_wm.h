#pragma once
// Whether a window manager runs on the desktop that shows a window. Without one (a bare X
// server) nobody answers a full-screen request, so the SDL backend makes its window cover the
// display itself. Internal to platform/.

struct SDL_Window;

// True also where it cannot be told (Wayland and other drivers always have a compositor).
bool DesktopHasWindowManager(SDL_Window *window);
