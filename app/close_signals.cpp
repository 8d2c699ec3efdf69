#include "app/close_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <mutex>
#include <thread>

#include "base/log.h"
#include "platform/input_door.h"
#include "platform/window.h"

namespace {

constexpr int kSignals[] = {SIGHUP, SIGTERM, SIGINT, SIGQUIT};
constexpr char kStop = 0; // not a signal number: ends the thread

int g_pipe[2] = {-1, -1};
struct sigaction g_previous[std::size(kSignals)];
std::thread g_thread;
std::atomic<bool> g_signalled{false};

std::mutex g_targetLock; // held while posting, so the target cannot go away meanwhile
HWND g_target = nullptr;
bool g_posted = false;

// Async-signal-safe: only write(2), with errno kept for the code the signal interrupted.
void OnSignal(int number) {
  const int saved = errno;
  const char byte = char(number);
  (void)!write(g_pipe[1], &byte, 1);
  errno = saved;
}

// The one place a close request is handed to the window manager, from either thread: through
// the input door, so a recording holds it where it came.
void PostCloseRequest(HWND) { PostInputEvent(InputEvent::Kind::CloseRequest); }

// Called with g_targetLock held: the request goes once, to the target if there is one yet.
void PostHeldRequest() {
  if (g_target && !g_posted && g_signalled.load()) {
    g_posted = true;
    PostCloseRequest(g_target);
  }
}

void Watch() {
  for (;;) {
    char byte = kStop;
    const ssize_t n = read(g_pipe[0], &byte, 1);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0 || byte == kStop)
      return;
    const bool first = !g_signalled.exchange(true);
    LogInfo("%s: %s", strsignal(byte), first ? "closing, the scores are saved" : "already closing");
    std::lock_guard<std::mutex> hold(g_targetLock);
    PostHeldRequest();
  }
}

} // namespace

bool StartCloseOnSignals() {
  if (g_thread.joinable())
    return true;
  if (pipe2(g_pipe, O_CLOEXEC) != 0)
    return false;
  g_thread = std::thread(Watch);
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < std::size(kSignals); ++i)
    sigaction(kSignals[i], &action, &g_previous[i]);
  return true;
}

void StopCloseOnSignals() {
  if (!g_thread.joinable())
    return;
  for (std::size_t i = 0; i < std::size(kSignals); ++i)
    sigaction(kSignals[i], &g_previous[i], nullptr);
  (void)!write(g_pipe[1], &kStop, 1);
  g_thread.join();
  close(g_pipe[0]);
  close(g_pipe[1]);
  g_pipe[0] = g_pipe[1] = -1;
  g_signalled = false;
  std::lock_guard<std::mutex> hold(g_targetLock);
  g_target = nullptr;
  g_posted = false;
}

void SetCloseTarget(HWND window) {
  std::lock_guard<std::mutex> hold(g_targetLock);
  g_target = window;
  PostHeldRequest();
}

bool CloseSignalled() { return g_signalled.load(); }

bool CloseRequestPosted() {
  std::lock_guard<std::mutex> hold(g_targetLock);
  return g_posted;
}
