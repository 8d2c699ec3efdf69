#include "platform/idle_inhibitor.h"

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

void ReleaseIdleInhibitor(int fd) {
  if (fd >= 0)
    close(fd);
}
