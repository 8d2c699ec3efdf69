#pragma once
// The power platform of a Linux desktop: there is no timeouts registry and no power manager
// event; the backlight requirement is a systemd-logind "idle" inhibitor lock. Chosen by
// power keeping unless the entry point or a test sets another platform.

#include <chrono>

#include "app/power_keeping.h"
#include "platform/idle_inhibitor.h"

// How long taking the inhibitor may take before the program goes on without it.
inline constexpr std::chrono::milliseconds kInhibitDeadline{40};

class DesktopPower : public PowerPlatform {
public:
  explicit DesktopPower(std::chrono::milliseconds deadline = kInhibitDeadline) : deadline_(deadline) {}

  bool OpenKey(const char16_t *subKey, RegistryKey *key) override;
  bool QueryDword(RegistryKey key, const char16_t *name, std::uint32_t *value) override;
  bool SetDword(RegistryKey key, const char16_t *name, std::uint32_t value) override;
  void CloseKey(RegistryKey key) override;
  // Asks logind on the system bus for the lock; zero when there is no bus, no logind, a
  // refusal, or no answer within the deadline.
  PowerRequirement SetPowerRequirement(const char16_t *device, int deviceState, std::uint32_t flags) override;
  // Closing the lock's descriptor ends the lock.
  void ReleasePowerRequirement(PowerRequirement request) override;
  NamedEvent OpenEvent(const char16_t *name) override;
  void SetEvent(NamedEvent event) override;
  void CloseEvent(NamedEvent event) override;

private:
  std::chrono::milliseconds deadline_;
};

// The one desktop platform of the program.
PowerPlatform &DesktopPowerPlatform();
