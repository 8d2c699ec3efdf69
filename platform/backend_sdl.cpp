// The desktop: an SDL window showing the screen scaled by a whole factor, nearest-neighbour;
// keys, typed text, clicks, focus and game controllers as inputs.

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "base/log.h"
#include "base/utf16.h"
#include "platform/backend.h"
#include "platform/desktop_wm.h"
#include "platform/window.h"

namespace {

constexpr int kScreenWidth = 240, kScreenHeight = 320;

std::uint32_t VirtualKey(SDL_Keycode key) {
  switch (key) {
  case SDLK_LEFT:
    return VK_LEFT;
  case SDLK_RIGHT:
    return VK_RIGHT;
  case SDLK_UP:
    return VK_UP;
  case SDLK_DOWN:
    return VK_DOWN;
  case SDLK_RETURN:
  case SDLK_KP_ENTER:
    return VK_RETURN;
  case SDLK_BACKSPACE:
    return VK_BACK;
  case SDLK_ESCAPE:
    return VK_ESCAPE;
  case SDLK_PAUSE:
    return VK_PAUSE;
  case SDLK_F1:
    return VK_F1;
  case SDLK_F2:
    return VK_F2;
  case SDLK_F9:
    return VK_F9;
  default:
    if (key >= SDLK_0 && key <= SDLK_9)
      return std::uint32_t('0' + (key - SDLK_0));
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9)
      return std::uint32_t('1' + (key - SDLK_KP_1));
    if (key == SDLK_KP_0)
      return '0';
    if (key >= SDLK_a && key <= SDLK_z)
      return std::uint32_t('A' + (key - SDLK_a));
    return 0;
  }
}

bool PadButtonOf(std::uint8_t button, PadButton *out) {
  switch (button) {
  case SDL_CONTROLLER_BUTTON_A:
    *out = PadButton::A;
    return true;
  case SDL_CONTROLLER_BUTTON_B:
    *out = PadButton::B;
    return true;
  case SDL_CONTROLLER_BUTTON_BACK:
    *out = PadButton::Back;
    return true;
  case SDL_CONTROLLER_BUTTON_START:
    *out = PadButton::Start;
    return true;
  case SDL_CONTROLLER_BUTTON_DPAD_UP:
    *out = PadButton::Up;
    return true;
  case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
    *out = PadButton::Down;
    return true;
  case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
    *out = PadButton::Left;
    return true;
  case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
    *out = PadButton::Right;
    return true;
  default:
    return false;
  }
}

// The largest whole scale, at most `wanted`, at which width x height fits into room.
int FittingScale(int wanted, int width, int height, int roomWidth, int roomHeight) {
  int scale = wanted;
  while (scale > 1 && (width * scale > roomWidth || height * scale > roomHeight))
    --scale;
  return scale;
}

class SdlBackend : public Backend {
public:
  explicit SdlBackend(int scale) : scale_(scale) {}
  ~SdlBackend() override {
    for (auto &[id, controller] : controllers_)
      SDL_GameControllerClose(controller);
    if (texture_)
      SDL_DestroyTexture(texture_);
    if (renderer_)
      SDL_DestroyRenderer(renderer_);
    if (window_)
      SDL_DestroyWindow(window_);
    if (padsStarted_)
      SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  bool Open(std::string *error) {
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
      *error = std::string("cannot open a display: ") + SDL_GetError();
      return false;
    }
    // With no display SDL falls back to drivers that show nothing; a game nobody can see
    // would wait for ever, so those are taken only when asked for by name.
    const char *driver = SDL_GetCurrentVideoDriver();
    const char *asked = SDL_getenv("SDL_VIDEODRIVER");
    if (driver && (!std::strcmp(driver, "offscreen") || !std::strcmp(driver, "dummy")) &&
        !(asked && !std::strcmp(asked, driver))) {
      *error = "no display to open (DISPLAY and WAYLAND_DISPLAY are not set)";
      return false;
    }
    const int asks = scale_;
    SDL_Rect room{};
    if (SDL_GetDisplayUsableBounds(0, &room) == 0)
      scale_ = FittingScale(scale_, kScreenWidth, kScreenHeight, room.w, room.h);
    window_ =
        SDL_CreateWindow("Vexmoor", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kScreenWidth * scale_,
                         kScreenHeight * scale_, SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
    if (!window_) {
      *error = std::string("cannot open a window: ") + SDL_GetError();
      return false;
    }
    // A smaller window would cut the screen.
    SDL_SetWindowMinimumSize(window_, kScreenWidth, kScreenHeight);
    // The window manager's frame takes room too, once it is known.
    int top = 0, left = 0, bottom = 0, right = 0;
    if (room.w > 0 && SDL_GetWindowBordersSize(window_, &top, &left, &bottom, &right) == 0 &&
        (top || left || bottom || right)) {
      int framed =
          FittingScale(scale_, kScreenWidth, kScreenHeight, room.w - left - right, room.h - top - bottom);
      if (framed < scale_) {
        scale_ = framed;
        SDL_SetWindowSize(window_, kScreenWidth * scale_, kScreenHeight * scale_);
        SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
      }
    }
    if (scale_ < asks)
      LogWarning("the window at scale %d (%d x %d) does not fit the desktop's usable area (%d x %d); "
                 "using scale %d",
                 asks, kScreenWidth * asks, kScreenHeight * asks, room.w, room.h, scale_);
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED);
    if (!renderer_)
      renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (!renderer_) {
      *error = std::string("cannot draw in the window: ") + SDL_GetError();
      return false;
    }
    SDL_DisableScreenSaver();
    SDL_StartTextInput();
    wakeEvent_ = SDL_RegisterEvents(1);
    // Controllers present now arrive as plugged in with the first events.
    padsStarted_ = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
    if (!padsStarted_)
      LogInfo("no game controllers: %s", SDL_GetError());
    return true;
  }

  std::uint64_t NowMs() override { return SDL_GetTicks64(); }
  bool FollowsRealTime() const override { return true; }

  bool WaitEvent(bool hasDeadline, std::uint64_t deadlineMs, InputEvent *out) override {
    for (;;) {
      SDL_Event e;
      int got;
      if (!hasDeadline) {
        got = SDL_WaitEvent(&e);
      } else {
        std::uint64_t now = NowMs();
        got = deadlineMs <= now
                  ? SDL_PollEvent(&e)
                  : SDL_WaitEventTimeout(&e, int(std::min<std::uint64_t>(deadlineMs - now, 1000)));
        if (!got && NowMs() < deadlineMs)
          continue;
      }
      if (!got)
        return false;
      *out = InputEvent{};
      if (Translate(e, out))
        return true;
      if (e.type == wakeEvent_)
        return false;
      if (hasDeadline && NowMs() >= deadlineMs)
        return false;
    }
  }

  void Wake() override {
    SDL_Event e{};
    e.type = wakeEvent_;
    SDL_PushEvent(&e);
  }

  void Present(const Surface &screen) override {
    if (!texture_ || textureW_ != screen.width || textureH_ != screen.height) {
      if (texture_)
        SDL_DestroyTexture(texture_);
      bool turned = textureW_ && textureW_ != screen.width;
      texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING,
                                   screen.width, screen.height);
      textureW_ = screen.width;
      textureH_ = screen.height;
      if (turned)
        FollowTurn();
    }
    SDL_UpdateTexture(texture_, nullptr, screen.pixels.data(), screen.width * 2);
    Render();
  }

  void Raise() override {
    SDL_RestoreWindow(window_);
    SDL_RaiseWindow(window_);
  }

  void SetWindowTitle(const std::u16string &title) override {
    SDL_SetWindowTitle(window_, Utf16ToUtf8(title).c_str());
  }

  void SetIcon(const Surface &icon) override {
    SDL_Surface *s =
        SDL_CreateRGBSurfaceWithFormatFrom(const_cast<std::uint16_t *>(icon.pixels.data()), icon.width,
                                           icon.height, 16, icon.width * 2, SDL_PIXELFORMAT_RGB565);
    if (s) {
      SDL_SetWindowIcon(window_, s);
      SDL_FreeSurface(s);
    }
  }

private:
  bool FullScreen() const {
    return coversDisplay_ || (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP);
  }

  // The screen turned: the window turns with it around its centre, at a whole scale that
  // still fits the desktop, and never smaller than the screen.
  void FollowTurn() {
    SDL_SetWindowMinimumSize(window_, textureW_, textureH_);
    if (FullScreen())
      return;
    int x, y, w, h;
    SDL_GetWindowPosition(window_, &x, &y);
    SDL_GetWindowSize(window_, &w, &h);
    int newW = h, newH = w;
    SDL_Rect room{};
    if (SDL_GetDisplayUsableBounds(std::max(0, SDL_GetWindowDisplayIndex(window_)), &room) == 0 &&
        (newW > room.w || newH > room.h)) {
      int scale = FittingScale(std::max(1, std::min(newW / textureW_, newH / textureH_)), textureW_,
                               textureH_, room.w, room.h);
      newW = textureW_ * scale, newH = textureH_ * scale;
    }
    int newX = x + (w - newW) / 2, newY = y + (h - newH) / 2;
    if (room.w > 0) {
      newX = std::clamp(newX, room.x, std::max(room.x, room.x + room.w - newW));
      newY = std::clamp(newY, room.y, std::max(room.y, room.y + room.h - newH));
    }
    SDL_SetWindowSize(window_, newW, newH);
    SDL_SetWindowPosition(window_, newX, newY);
  }

  // F11. A window manager makes the window full screen; on a bare X server nobody would, and
  // SDL would then draw for a size the window does not have, so the window covers the display
  // itself and goes back to where it was.
  void ToggleFullScreen() {
    if (coversDisplay_) {
      SDL_SetWindowBordered(window_, SDL_TRUE);
      SDL_SetWindowSize(window_, windowed_.w, windowed_.h);
      SDL_SetWindowPosition(window_, windowed_.x, windowed_.y);
      coversDisplay_ = false;
    } else if (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP) {
      SDL_SetWindowFullscreen(window_, 0);
    } else if (DesktopHasWindowManager(window_)) {
      SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
    } else {
      SDL_Rect display{};
      if (SDL_GetDisplayBounds(std::max(0, SDL_GetWindowDisplayIndex(window_)), &display) != 0)
        return;
      SDL_GetWindowPosition(window_, &windowed_.x, &windowed_.y);
      SDL_GetWindowSize(window_, &windowed_.w, &windowed_.h);
      SDL_SetWindowBordered(window_, SDL_FALSE);
      SDL_SetWindowPosition(window_, display.x, display.y);
      SDL_SetWindowSize(window_, display.w, display.h);
      coversDisplay_ = true;
    }
    Render();
  }

  // The largest whole scale that fits the window, centred.
  SDL_Rect Placement() {
    int w, h;
    SDL_GetRendererOutputSize(renderer_, &w, &h);
    int scale = std::max(1, std::min(w / std::max(textureW_, 1), h / std::max(textureH_, 1)));
    return SDL_Rect{(w - textureW_ * scale) / 2, (h - textureH_ * scale) / 2, textureW_ * scale,
                    textureH_ * scale};
  }

  void Render() {
    if (!texture_)
      return;
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_Rect place = Placement();
    SDL_RenderCopy(renderer_, texture_, nullptr, &place);
    SDL_RenderPresent(renderer_);
  }

  // A key press and the text it typed are one input, so that a press that a menu or a soft
  // key uses up types nothing. SDL queues the text right after its key.
  bool TranslateKey(const SDL_KeyboardEvent &key, InputEvent *out) {
    if (key.keysym.sym == SDLK_F11) {
      if (!key.repeat)
        ToggleFullScreen();
      return false;
    }
    SDL_Event next;
    if (SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 &&
        next.type == SDL_TEXTINPUT &&
        SDL_PeepEvents(&next, 1, SDL_GETEVENT, SDL_TEXTINPUT, SDL_TEXTINPUT) == 1)
      out->text = Utf8ToUtf16(next.text.text);
    out->key = VirtualKey(key.keysym.sym);
    out->kind = out->key ? InputEvent::Kind::Key : InputEvent::Kind::Text;
    return out->key || !out->text.empty();
  }

  bool TranslateController(const SDL_Event &e, InputEvent *out) {
    switch (e.type) {
    case SDL_CONTROLLERDEVICEADDED: {
      SDL_GameController *controller = SDL_GameControllerOpen(e.cdevice.which);
      if (!controller)
        return false;
      int id = int(SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller)));
      if (controllers_.count(id)) {
        SDL_GameControllerClose(controller); // already open: SDL counts a second opening
        return false;
      }
      controllers_[id] = controller;
      LogInfo("game controller %d plugged in: %s", id, SDL_GameControllerName(controller));
      out->kind = InputEvent::Kind::PadAdded;
      out->pad = id;
      return true;
    }
    case SDL_CONTROLLERDEVICEREMOVED: {
      auto it = controllers_.find(int(e.cdevice.which));
      if (it == controllers_.end())
        return false;
      SDL_GameControllerClose(it->second);
      controllers_.erase(it);
      zones_.erase({int(e.cdevice.which), int(PadAxis::LeftX)});
      zones_.erase({int(e.cdevice.which), int(PadAxis::LeftY)});
      out->kind = InputEvent::Kind::PadRemoved;
      out->pad = int(e.cdevice.which);
      return true;
    }
    case SDL_CONTROLLERBUTTONDOWN: {
      PadButton button;
      if (!PadButtonOf(e.cbutton.button, &button))
        return false;
      out->kind = InputEvent::Kind::PadButton;
      out->key = std::uint32_t(button);
      out->pad = int(e.cbutton.which);
      return true;
    }
    case SDL_CONTROLLERAXISMOTION: {
      if (e.caxis.axis != SDL_CONTROLLER_AXIS_LEFTX && e.caxis.axis != SDL_CONTROLLER_AXIS_LEFTY)
        return false;
      PadAxis axis = e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX ? PadAxis::LeftX : PadAxis::LeftY;
      // Only moves that can matter are passed (and recorded), not every tremor of the stick.
      int &zone = zones_[{int(e.caxis.which), int(axis)}];
      int now = PadAxisZone(e.caxis.value);
      if (now == zone)
        return false;
      zone = now;
      out->kind = InputEvent::Kind::PadAxis;
      out->key = std::uint32_t(axis);
      out->x = e.caxis.value;
      out->pad = int(e.caxis.which);
      return true;
    }
    default:
      return false;
    }
  }

  bool Translate(const SDL_Event &e, InputEvent *out) {
    switch (e.type) {
    case SDL_QUIT:
      out->kind = InputEvent::Kind::CloseRequest;
      return true;
    case SDL_KEYDOWN:
      return TranslateKey(e.key, out);
    case SDL_TEXTINPUT:
      out->kind = InputEvent::Kind::Text;
      out->text = Utf8ToUtf16(e.text.text);
      return !out->text.empty();
    case SDL_MOUSEBUTTONDOWN: {
      if (e.button.button != SDL_BUTTON_LEFT)
        return false;
      SDL_Rect place = Placement();
      // Window coordinates to renderer output coordinates (they differ on high-density screens).
      int ww, wh, ow, oh;
      SDL_GetWindowSize(window_, &ww, &wh);
      SDL_GetRendererOutputSize(renderer_, &ow, &oh);
      int x = e.button.x * ow / std::max(ww, 1), y = e.button.y * oh / std::max(wh, 1);
      if (x < place.x || y < place.y || x >= place.x + place.w || y >= place.y + place.h)
        return false;
      out->kind = InputEvent::Kind::Click;
      out->x = (x - place.x) * textureW_ / place.w;
      out->y = (y - place.y) * textureH_ / place.h;
      return true;
    }
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
        Render();
      if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED || e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
        out->kind = InputEvent::Kind::Focus;
        out->valid = e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED;
        return true;
      }
      return false;
    default:
      return TranslateController(e, out);
    }
  }

  int scale_;
  SDL_Window *window_ = nullptr;
  SDL_Renderer *renderer_ = nullptr;
  SDL_Texture *texture_ = nullptr;
  int textureW_ = 0, textureH_ = 0;
  std::uint32_t wakeEvent_ = 0;
  bool coversDisplay_ = false; // full screen made by ourselves, with no window manager
  SDL_Rect windowed_{};        // where the window was before that
  bool padsStarted_ = false;
  std::map<int, SDL_GameController *> controllers_;
  std::map<std::pair<int, int>, int> zones_; // (controller, axis) -> PadAxisZone last passed
};

} // namespace

std::unique_ptr<Backend> CreateSdlBackend(int scale, std::string *error) {
  auto backend = std::make_unique<SdlBackend>(std::max(1, scale));
  std::string ignored;
  if (!backend->Open(error ? error : &ignored))
    return nullptr;
  return backend;
}
