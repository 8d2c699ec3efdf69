#include "app/power_desktop.h"

#include <fcntl.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

namespace {

struct InhibitReply {
  bool done = false;
  int fd = -1;
};

int OnInhibitReply(sd_bus_message *reply, void *userdata, sd_bus_error *) {
  auto *result = static_cast<InhibitReply *>(userdata);
  result->done = true;
  if (sd_bus_message_is_method_error(reply, nullptr)) {
    return 0;
  }
  int fd = -1;
  if (sd_bus_message_read(reply, "h", &fd) >= 0 && fd >= 0) {
    // The descriptor belongs to the message; keep a copy of our own.
    result->fd = fcntl(fd, F_DUPFD_CLOEXEC, 3);
  }
  return 0;
}

// The requirement handle is the lock's descriptor plus one, so that zero stays "none".
PowerRequirement RequirementFromFd(int fd) { return static_cast<PowerRequirement>(std::intptr_t(fd) + 1); }
int FdFromRequirement(PowerRequirement request) { return int(static_cast<std::intptr_t>(request) - 1); }

} // namespace

int TakeIdleInhibitor(std::chrono::milliseconds deadline) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point end = Clock::now() + deadline;

  sd_bus *bus = nullptr;
  if (sd_bus_open_system(&bus) < 0) {
    return -1;
  }
  InhibitReply result;
  sd_bus_slot *slot = nullptr;
  // A synchronous call would wait for the bus's own timeout (tens of seconds) on a bus that
  // accepts and never answers; the asynchronous call lets the deadline be ours.
  int r = sd_bus_call_method_async(bus, &slot, "org.freedesktop.login1", "/org/freedesktop/login1",
                                   "org.freedesktop.login1.Manager", "Inhibit", OnInhibitReply, &result,
                                   "ssss", "idle", "Vexmoor", "Game running", "block");
  while (r >= 0 && !result.done) {
    r = sd_bus_process(bus, nullptr);
    if (r < 0 || result.done) {
      break;
    }
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(end - Clock::now());
    if (left.count() <= 0) {
      break;
    }
    if (r == 0) {
      r = sd_bus_wait(bus, std::uint64_t(left.count()));
    }
  }
  sd_bus_slot_unref(slot);
  // No flush: on a silent bus that would wait for the handshake that never ends.
  sd_bus_close_unref(bus);
  return result.fd;
}

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
    close(FdFromRequirement(request));
  }
}

NamedEvent DesktopPower::OpenEvent(const char16_t *) { return NamedEvent{}; }
void DesktopPower::SetEvent(NamedEvent) {}
void DesktopPower::CloseEvent(NamedEvent) {}
