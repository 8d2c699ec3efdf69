// An EWMH window manager announces itself with _NET_SUPPORTING_WM_CHECK on the root window.
// Xlib is taken from the library SDL itself loaded, so the program does not link it.

#include "platform/desktop_wm.h"

#include <SDL.h>
#include <SDL_syswm.h>

bool DesktopHasWindowManager(SDL_Window *window) {
#if defined(SDL_VIDEO_DRIVER_X11)
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
    return true;
  static void *xlib = SDL_LoadObject("libX11.so.6");
  if (!xlib)
    return true;
  using InternAtom = Atom (*)(Display *, const char *, Bool);
  using GetProperty = int (*)(Display *, ::Window, Atom, long, long, Bool, Atom, Atom *, int *,
                              unsigned long *, unsigned long *, unsigned char **);
  using Free = int (*)(void *);
  auto internAtom = reinterpret_cast<InternAtom>(SDL_LoadFunction(xlib, "XInternAtom"));
  auto getProperty = reinterpret_cast<GetProperty>(SDL_LoadFunction(xlib, "XGetWindowProperty"));
  auto xfree = reinterpret_cast<Free>(SDL_LoadFunction(xlib, "XFree"));
  if (!internAtom || !getProperty || !xfree)
    return true;
  Display *display = info.info.x11.display;
  Atom check = internAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
  if (check == 0)
    return false; // no client ever named the atom: no window manager has run
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char *data = nullptr;
  bool found = getProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type, &format,
                           &count, &after, &data) == Success &&
               count == 1;
  if (data)
    xfree(data);
  return found;
#else
  (void)window;
  return true;
#endif
}
