// The desktop backend on SDL's dummy display: what SDL's events become as the program's inputs.

#include <gtest/gtest.h>

#include <SDL.h>

#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/window.h"

namespace {

std::string Describe(const InputEvent &e) {
  std::string text;
  for (char16_t c : e.text)
    text += char(c < 128 ? c : '#');
  switch (e.kind) {
  case InputEvent::Kind::Key:
    return "key " + std::to_string(e.key) + " '" + text + "'";
  case InputEvent::Kind::Text:
    return "text '" + text + "'";
  case InputEvent::Kind::Focus:
    return e.valid ? "focus gained" : "focus lost";
  case InputEvent::Kind::PadButton:
    return "pad " + std::to_string(e.pad) + " button " + std::to_string(e.key);
  case InputEvent::Kind::PadAxis:
    return "pad " + std::to_string(e.pad) + " axis " + std::to_string(e.key) + " " + std::to_string(e.x);
  default:
    return "other";
  }
}

void PushKey(SDL_Keycode key, const char *text) {
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.keysym.sym = key;
  SDL_PushEvent(&e);
  if (text) {
    SDL_Event t{};
    t.type = SDL_TEXTINPUT;
    SDL_strlcpy(t.text.text, text, sizeof t.text.text);
    SDL_PushEvent(&t);
  }
}

// A key and the text it typed come as one input, so that a menu can use up both; controller
// buttons come by name, and a stick only when it moves far enough to matter.
TEST(SdlBackend, KeysCarryTheirTextAndControllersComeAsTheirButtonsAndPushes) {
  std::string error;
  std::unique_ptr<Backend> backend = CreateSdlBackend(1, &error);
  ASSERT_TRUE(backend) << error;
  InputEvent ignored;
  while (backend->WaitEvent(true, backend->NowMs(), &ignored)) {
  }
  PushKey(SDLK_1, "1");
  PushKey(SDLK_F1, nullptr);
  PushKey(SDLK_p, "p");
  SDL_Event e{};
  e.type = SDL_TEXTINPUT; // text with no key of its own (an input method's)
  SDL_strlcpy(e.text.text, "\xC3\xA9", sizeof e.text.text);
  SDL_PushEvent(&e);
  e = SDL_Event{};
  e.type = SDL_CONTROLLERBUTTONDOWN;
  e.cbutton.which = 7;
  e.cbutton.button = SDL_CONTROLLER_BUTTON_START;
  SDL_PushEvent(&e);
  e.cbutton.button = SDL_CONTROLLER_BUTTON_RIGHTSHOULDER; // not one the game answers
  SDL_PushEvent(&e);
  for (int value : {1000, 20000, 21000, 12000, 3000}) {
    e = SDL_Event{};
    e.type = SDL_CONTROLLERAXISMOTION;
    e.caxis.which = 7;
    e.caxis.axis = SDL_CONTROLLER_AXIS_LEFTY;
    e.caxis.value = Sint16(value);
    SDL_PushEvent(&e);
  }
  e = SDL_Event{};
  e.type = SDL_WINDOWEVENT;
  e.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
  SDL_PushEvent(&e);

  std::vector<std::string> got;
  InputEvent in;
  while (backend->WaitEvent(true, backend->NowMs() + 20, &in))
    got.push_back(Describe(in));
  EXPECT_EQ(got, (std::vector<std::string>{"key 49 '1'", "key 112 ''", "key 80 'p'", "text '#'",
                                           "pad 7 button " + std::to_string(int(PadButton::Start)),
                                           "pad 7 axis 1 20000", "pad 7 axis 1 12000", "pad 7 axis 1 3000",
                                           "focus lost"}));
}

} // namespace
