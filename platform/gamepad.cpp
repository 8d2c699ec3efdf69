// Game controllers as the keys they stand for: the d-pad and the left stick are the arrows,
// A is Enter, B is Back, Start the left soft key and Back (Select) the right one.
//
// The stick gives one arrow per push. An axis counts as pushed once past kPushAt and as let
// go only when back inside kReleaseAt, so a stick held over gives no stream of arrows and one
// resting near the threshold does not flutter. Each axis is judged alone, so rolling the stick
// from right to up turns once more without passing the centre.

#include "platform/window.h"
#include "platform/window_manager.h"

namespace {

constexpr int kPushAt = 16384;   // half way out
constexpr int kReleaseAt = 8192; // the dead zone around the centre

std::uint32_t KeyOf(PadButton button) {
  switch (button) {
  case PadButton::A:
    return VK_RETURN;
  case PadButton::B:
    return VK_BACK;
  case PadButton::Start:
    return VK_F1;
  case PadButton::Back:
    return VK_F2;
  case PadButton::Up:
    return VK_UP;
  case PadButton::Down:
    return VK_DOWN;
  case PadButton::Left:
    return VK_LEFT;
  case PadButton::Right:
    return VK_RIGHT;
  }
  return 0;
}

// The axis's new position (-1, 0, +1) from its value and where it was.
int Position(int was, int value) {
  if (value >= kPushAt)
    return 1;
  if (value <= -kPushAt)
    return -1;
  if (value > -kReleaseAt && value < kReleaseAt)
    return 0;
  return was; // between the dead zone and a push: as it was
}

} // namespace

int PadAxisZone(int value) {
  int sign = value < 0 ? -1 : 1;
  int size = value < 0 ? -value : value;
  return size >= kPushAt ? 2 * sign : size >= kReleaseAt ? sign : 0;
}

void HandlePadInput(const InputEvent &event) {
  auto &sticks = WM().padSticks;
  switch (event.kind) {
  case InputEvent::Kind::PadAdded:
    sticks[event.pad] = {};
    return;
  case InputEvent::Kind::PadRemoved:
    // A stick held as the controller went leaves nothing pushed; the keyboard's hints come back.
    sticks.erase(event.pad);
    if (sticks.empty())
      ShowPadHints(false);
    return;
  case InputEvent::Kind::PadButton:
    if (std::uint32_t key = KeyOf(PadButton(event.key))) {
      ShowPadHints(true);
      HandleKey(key, {});
    }
    return;
  case InputEvent::Kind::PadAxis: {
    if (event.key > std::uint32_t(PadAxis::LeftY))
      return;
    bool vertical = PadAxis(event.key) == PadAxis::LeftY;
    int &position = sticks[event.pad][vertical ? 1 : 0];
    int now = Position(position, event.x);
    bool pushed = now != 0 && now != position;
    position = now;
    if (pushed) {
      ShowPadHints(true);
      // Stick values grow downwards, as the screen's rows do.
      HandleKey(vertical ? (now > 0 ? VK_DOWN : VK_UP) : (now > 0 ? VK_RIGHT : VK_LEFT), {});
    }
    return;
  }
  default:
    return;
  }
}
