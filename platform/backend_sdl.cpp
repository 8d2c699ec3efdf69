// The desktop: an SDL window showing the screen scaled by a whole factor, nearest-neighbour.

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "base/utf16.h"
#include "platform/backend.h"
#include "platform/window.h"

namespace {

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
  case SDLK_F1:
    return VK_F1;
  case SDLK_F2:
    return VK_F2;
  case SDLK_F9:
    return VK_F9;
  default:
    if (key >= SDLK_1 && key <= SDLK_9)
      return std::uint32_t('1' + (key - SDLK_1));
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9)
      return std::uint32_t('1' + (key - SDLK_KP_1));
    return 0;
  }
}

class SdlBackend : public Backend {
public:
  explicit SdlBackend(int scale) : scale_(scale) {}
  ~SdlBackend() override {
    if (texture_)
      SDL_DestroyTexture(texture_);
    if (renderer_)
      SDL_DestroyRenderer(renderer_);
    if (window_)
      SDL_DestroyWindow(window_);
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
    window_ = SDL_CreateWindow("Vexmoor", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 240 * scale_,
                               320 * scale_, SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
    if (!window_) {
      *error = std::string("cannot open a window: ") + SDL_GetError();
      return false;
    }
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
      if (turned && !(SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP)) {
        int w, h;
        SDL_GetWindowSize(window_, &w, &h);
        SDL_SetWindowSize(window_, h, w);
      }
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

  bool Translate(const SDL_Event &e, InputEvent *out) {
    switch (e.type) {
    case SDL_QUIT:
      out->kind = InputEvent::Kind::CloseRequest;
      return true;
    case SDL_KEYDOWN: {
      if (e.key.keysym.sym == SDLK_F11) {
        bool full = SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP;
        SDL_SetWindowFullscreen(window_, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
        return false;
      }
      std::uint32_t key = VirtualKey(e.key.keysym.sym);
      if (!key)
        return false;
      out->kind = InputEvent::Kind::Key;
      out->key = key;
      return true;
    }
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
      return false;
    default:
      return false;
    }
  }

  int scale_;
  SDL_Window *window_ = nullptr;
  SDL_Renderer *renderer_ = nullptr;
  SDL_Texture *texture_ = nullptr;
  int textureW_ = 0, textureH_ = 0;
  std::uint32_t wakeEvent_ = 0;
};

} // namespace

std::unique_ptr<Backend> CreateSdlBackend(int scale, std::string *error) {
  auto backend = std::make_unique<SdlBackend>(std::max(1, scale));
  std::string ignored;
  if (!backend->Open(error ? error : &ignored))
    return nullptr;
  return backend;
}
