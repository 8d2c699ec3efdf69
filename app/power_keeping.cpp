#include "app/power_keeping.h"

#include "app/power_desktop.h"
#include "state/app_state.h"

namespace {

PowerPlatform *g_powerPlatform = nullptr;

} // namespace

void SetPowerPlatform(PowerPlatform &platform) { g_powerPlatform = &platform; }

PowerPlatform &CurrentPowerPlatform() {
  if (g_powerPlatform == nullptr) {
    g_powerPlatform = &DesktopPowerPlatform();
  }
  return *g_powerPlatform;
}

void KeepPower(int on) {
  PowerPlatform &platform = CurrentPowerPlatform();

  g_app.timeoutsKey = RegistryKey{};
  const bool keyOpen = platform.OpenKey(kTimeoutsKeyName, &g_app.timeoutsKey);
  if (!keyOpen) {
    g_app.timeoutsKey = RegistryKey{};
  }
  // Only switching on reads: switching off writes back what was found then. A value that
  // cannot be read keeps its slot, so the initial 120, 180 and 240 stand in for it.
  if (on && keyOpen) {
    for (int i = 0; i < 3; ++i) {
      platform.QueryDword(g_app.timeoutsKey, kTimeoutValueNames[i], &g_app.savedTimeouts[i]);
    }
  }

  ApplyPowerKeeping(on);

  if (keyOpen) {
    platform.CloseKey(g_app.timeoutsKey);
  }
  g_app.timeoutsKey = RegistryKey{};

  const NamedEvent reload = platform.OpenEvent(kReloadTimeoutsEvent);
  if (reload != NamedEvent{}) {
    platform.SetEvent(reload);
    platform.CloseEvent(reload);
  }
}

void ApplyPowerKeeping(int on) {
  PowerPlatform &platform = CurrentPowerPlatform();
  const bool keyOpen = g_app.timeoutsKey != RegistryKey{};

  if (on) {
    if (keyOpen) {
      for (int i = 0; i < 3; ++i) {
        platform.SetDword(g_app.timeoutsKey, kTimeoutValueNames[i], 0);
      }
    }
    // A requirement already held is kept rather than leaked.
    if (g_app.backlightRequest == PowerRequirement{}) {
      g_app.backlightRequest = platform.SetPowerRequirement(kBacklightDevice, kDevicePowerFull, kPowerName);
    }
  } else {
    if (keyOpen) {
      for (int i = 0; i < 3; ++i) {
        platform.SetDword(g_app.timeoutsKey, kTimeoutValueNames[i], g_app.savedTimeouts[i]);
      }
    }
    // Forgetting the handle makes a second switch-off harmless: on the desktop it is a file
    // descriptor, and closing it twice could close someone else's file.
    if (g_app.backlightRequest != PowerRequirement{}) {
      platform.ReleasePowerRequirement(g_app.backlightRequest);
      g_app.backlightRequest = PowerRequirement{};
    }
  }
  g_app.powerKept = on ? 1 : 0;
}
