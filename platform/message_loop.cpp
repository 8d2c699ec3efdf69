// The message queue, the loop and its clock, and timers.
//
// The loop's order depends on the loop time alone, so that a recording of the inputs and of
// the loop times they were taken at replays a session exactly, on the headless screen as on
// the desktop. One message at a time, the first of:
//   1. the messages the program posted, oldest first; then WM_QUIT once it is posted;
//   2. the paint of an invalid window, topmost first;
//   3. a timer due at or before the loop time, earliest first;
//   4. with none of these the loop time moves on: to the next input's stamp when it is earlier
//      than the next timer's due time, else to that due time. So a timer due at or before an
//      input's stamp fires, with the paint it asks for, before the input is handled. The input
//      is recorded with the loop time and handled there.
// The loop time moves only in step 4, and GetTickCount and SetTimer read it, so the program
// sees the same clock the recording writes. On the desktop an input is stamped when it reaches
// the loop (a door input when it was posted), never earlier than the loop time, and the loop
// waits in real time only while the next due time lies ahead.
//
// A 1 ms game timer whose paint takes longer makes the loop time fall behind real time, and
// input would wait longer and longer. When the next timer was due more than kMaxLagMs ago, the
// loop moves its clock on to real time with a CatchUp input, recorded like any other;
// timers that were due fire once at the new time.

#include <algorithm>

#include "platform/window.h"
#include "platform/window_manager.h"

namespace {

constexpr std::uint64_t kMaxLagMs = 50;
// While the loop runs behind real time it never waits; the screen is still shown this often.
constexpr std::uint64_t kFrameMs = 16;

bool PopPosted(MSG *msg) {
  std::lock_guard<std::mutex> lock(WM().queueMutex);
  if (WM().posted.empty())
    return false;
  *msg = WM().posted.front();
  WM().posted.pop_front();
  return true;
}

std::uint64_t NextTimerDue(bool *any) {
  *any = false;
  std::uint64_t best = 0;
  for (const Timer &t : WM().timers) {
    if (!*any || t.due < best)
      best = t.due;
    *any = true;
  }
  return best;
}

// An input reaches the loop: kept in stamp order, never earlier than the loop time.
void Arrive(WindowManager &wm, std::uint64_t stamp, InputEvent event) {
  stamp = std::max(stamp, wm.loopTime);
  auto at = std::upper_bound(wm.arrived.begin(), wm.arrived.end(), stamp,
                             [](std::uint64_t s, const ArrivedInput &a) { return s < a.stamp; });
  wm.arrived.insert(at, ArrivedInput{stamp, std::move(event)});
}

void TakeDoorInputs(WindowManager &wm) {
  InputEvent event;
  std::uint64_t stamp = 0;
  while (TakeFromInputDoor(&event, &stamp))
    Arrive(wm, stamp, std::move(event));
}

void CatchUpTo(WindowManager &wm, std::uint64_t time) {
  if (time <= wm.loopTime)
    return;
  wm.loopTime = time;
  for (Timer &t : wm.timers)
    t.due = std::max(t.due, time);
}

// Behind means: the next timer was due longer ago than kMaxLagMs. Inputs do not count: those
// from the door wait on purpose until the loop wakes, and each input is handled in turn anyway.
void CatchUpIfBehind(WindowManager &wm, Backend &backend) {
  bool anyTimer = false;
  std::uint64_t due = NextTimerDue(&anyTimer);
  std::uint64_t now = backend.NowMs();
  bool pending = !wm.arrived.empty() && wm.arrived.front().event.kind == InputEvent::Kind::CatchUp;
  if (!anyTimer || pending || now <= due + kMaxLagMs)
    return;
  InputEvent jump;
  jump.kind = InputEvent::Kind::CatchUp;
  jump.jumpTo = now;
  wm.arrived.push_front(ArrivedInput{wm.loopTime, jump});
}

void TakeInput(WindowManager &wm) {
  ArrivedInput input = std::move(wm.arrived.front());
  wm.arrived.pop_front();
  wm.loopTime = std::max(wm.loopTime, input.stamp);
  if (input.event.kind != InputEvent::Kind::Nothing)
    RecordInput(wm.loopTime, input.event);
  if (input.event.kind == InputEvent::Kind::CatchUp)
    CatchUpTo(wm, input.event.jumpTo);
  else
    HandleInput(input.event);
}

// Step 4: moves the loop time on. True when something is to be done at the new time; false
// when the limit comes first.
bool Advance(bool hasLimit, std::uint64_t limitMs) {
  WindowManager &wm = WM();
  Backend &backend = *wm.backend;
  for (;;) {
    TakeDoorInputs(wm);
    if (backend.FollowsRealTime())
      CatchUpIfBehind(wm, backend);
    bool anyTimer = false;
    std::uint64_t due = NextTimerDue(&anyTimer);
    bool haveInput = !wm.arrived.empty();
    std::uint64_t stamp = haveInput ? std::max(wm.arrived.front().stamp, wm.loopTime) : 0;
    // Nothing can happen before the earliest of these; the backend's input may.
    bool hasDeadline = anyTimer || haveInput || hasLimit;
    std::uint64_t deadline = UINT64_MAX;
    if (anyTimer)
      deadline = due;
    if (haveInput)
      deadline = std::min(deadline, stamp);
    if (hasLimit)
      deadline = std::min(deadline, limitMs);
    bool waits = !hasDeadline || deadline > backend.NowMs();
    if (wm.screenDirty && (waits || backend.NowMs() >= wm.lastComposeMs + kFrameMs))
      ComposeScreen();
    InputEvent event;
    if (backend.WaitEvent(hasDeadline, deadline, &event)) {
      Arrive(wm, backend.NowMs(), std::move(event));
      continue;
    }
    // A wait ended (at its deadline, woken by the door, or after the tests' idle hook ran):
    // look again, since what is due may have changed meanwhile.
    if (waits)
      continue;
    if (haveInput && (!anyTimer || stamp < due) && (!hasLimit || stamp <= limitMs)) {
      TakeInput(wm);
      return true;
    }
    if (anyTimer && (!hasLimit || due <= limitMs)) {
      wm.loopTime = std::max(wm.loopTime, due);
      return true;
    }
    wm.loopTime = std::max(wm.loopTime, limitMs);
    return false;
  }
}

} // namespace

void PostQuitMessage(int exitCode) {
  WM().quitPosted = true;
  WM().quitCode = exitCode;
}

bool PostMessageW(HWND window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  if (!WindowManagerRunning())
    return false;
  WindowManager &wm = WM();
  Window *remote = nullptr;
  {
    std::lock_guard<std::mutex> lock(wm.queueMutex);
    for (Window *r : wm.remotes)
      if (r == window)
        remote = r;
    if (!remote)
      wm.posted.push_back(MSG{window, message, wParam, lParam, std::uint32_t(wm.loopTime)});
  }
  // Another instance's window is reached through its socket.
  if (remote)
    return SendToInstance(remote, "post " + std::to_string(message) + "\n");
  wm.backend->Wake();
  return true;
}

void ForgetWindowMessages(Window *w) {
  auto &timers = WM().timers;
  timers.erase(std::remove_if(timers.begin(), timers.end(), [w](const Timer &t) { return t.window == w; }),
               timers.end());
  std::lock_guard<std::mutex> lock(WM().queueMutex);
  auto &q = WM().posted;
  q.erase(std::remove_if(q.begin(), q.end(), [w](const MSG &m) { return m.hwnd == w; }), q.end());
}

bool NextMessage(MSG *msg, bool hasLimit, std::uint64_t limitMs) {
  WindowManager &wm = WM();
  for (;;) {
    if (PopPosted(msg))
      return true;
    auto time = std::uint32_t(wm.loopTime);
    if (wm.quitPosted) {
      wm.quitPosted = false;
      *msg = MSG{nullptr, WM_QUIT, std::uintptr_t(wm.quitCode), 0, time};
      return true;
    }
    if (Window *w = NextInvalid()) {
      w->invalid = false;
      *msg = MSG{w, WM_PAINT, 0, 0, time};
      return true;
    }
    Timer *next = nullptr;
    for (Timer &t : wm.timers)
      if (t.due <= wm.loopTime && (!next || t.due < next->due))
        next = &t;
    if (next) {
      next->due += next->period;
      *msg = MSG{next->window, WM_TIMER, next->id, reinterpret_cast<std::intptr_t>(next->procedure), time};
      return true;
    }
    if (!Advance(hasLimit, limitMs))
      return false;
  }
}

int GetMessageW(MSG *msg, HWND, std::uint32_t, std::uint32_t) {
  NextMessage(msg, false, 0);
  return msg->message == WM_QUIT ? 0 : 1;
}

bool PumpMessagesUntil(std::uint64_t untilMs) {
  MSG msg;
  while (NextMessage(&msg, true, untilMs)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(int(msg.wParam));
      return false;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (WM().screenDirty)
    ComposeScreen();
  return true;
}

bool TranslateMessage(const MSG *) { return false; }

std::intptr_t DispatchMessageW(const MSG *msg) {
  if (!msg)
    return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    if (!msg->hwnd || LiveWindow(msg->hwnd)) {
      auto procedure = reinterpret_cast<TimerProc>(msg->lParam);
      procedure(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
    }
    return 0;
  }
  if (!LiveWindow(msg->hwnd))
    return 0;
  return SendMessageW(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

std::uintptr_t SetTimer(HWND window, std::uintptr_t id, std::uint32_t periodMs, TimerProc procedure) {
  if (window && !LiveWindow(window))
    return 0;
  std::uint32_t period = periodMs ? periodMs : 1;
  std::uint64_t due = WM().loopTime + period;
  for (Timer &t : WM().timers)
    if (t.window == window && t.id == id) {
      t.period = period;
      t.procedure = procedure;
      t.due = due;
      return id;
    }
  WM().timers.push_back(Timer{window, id, period, procedure, due});
  return id;
}

bool KillTimer(HWND window, std::uintptr_t id) {
  auto &timers = WM().timers;
  auto it = std::remove_if(timers.begin(), timers.end(),
                           [&](const Timer &t) { return t.window == window && t.id == id; });
  bool found = it != timers.end();
  timers.erase(it, timers.end());
  return found;
}

std::uint32_t GetTickCount() { return std::uint32_t(WM().loopTime); }
