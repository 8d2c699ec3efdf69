#include "app/power_desktop.h"

#include "platform/idle_inhibitor.h"

namespace {

// The requirement handle is the lock's descriptor plus one, so that zero stays "none".
PowerRequirement RequirementFromFd(int fd) { return static_cast<PowerRequirement>(std::intptr_t(fd) + 1); }
int FdFromRequirement(PowerRequirement request) { return int(static_cast<std::intptr_t>(request) - 1); }

} // namespace

PowerPlatform &DesktopPowerPlatform() {
  static DesktopPower platform;
  return platform;
}

// The timeouts live in the desktop's own power settings, which are not ours to change.
bool DesktopPower::OpenKey(const char16_t *, RegistryKey *) { return false; }
bool DesktopPower::QueryDword(RegistryKey, const char16_t *, std::uint32_t *) { return false; }
bool DesktopPower::SetDword(RegistryKey, const char16_t *, std::uint32_t) { return false; }
void DesktopPower::CloseKey(RegistryKey) {}

PowerRequirement DesktopPower::SetPowerRequirement(const char16_t *, int, std::uint32_t) {
  const int fd = TakeIdleInhibitor(deadline_);
  return fd >= 0 ? RequirementFromFd(fd) : PowerRequirement{};
}

void DesktopPower::ReleasePowerRequirement(PowerRequirement request) {
  if (request != PowerRequirement{}) {
    ReleaseIdleInhibitor(FdFromRequirement(request));
  }
}

NamedEvent DesktopPower::OpenEvent(const char16_t *) { return NamedEvent{}; }
void DesktopPower::SetEvent(NamedEvent) {}
void DesktopPower::CloseEvent(NamedEvent) {}
