#pragma once
// What lies below the window manager: a clock, input, and a place to show the screen.
// The SDL backend is the desktop; the headless backend is the tests' screen and the replays'.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/surface.h"

// One input to the program. Every input, whichever thread it comes from, reaches the
// message loop as one of these, with a time stamp, and is recorded when a recording runs.
struct InputEvent {
  // Nothing does nothing: it only makes the loop wake at its time (tests use it).
  // Motion is a camera report for the motion handler (SetMotionHandler). CatchUp moves the
  // loop's clock on to jumpTo: the loop makes it itself when it falls behind real time.
  enum class Kind { Key, Text, Click, CloseRequest, Raise, Nothing, Motion, CatchUp };
  Kind kind = Kind::Key;
  std::uint32_t key = 0;    // virtual key, for Key
  std::u16string text;      // typed text, for Text
  int x = 0, y = 0;         // screen pixels, for Click; the displacement, for Motion
  bool valid = false;       // for Motion: the tracker trusted the displacement
  std::uint64_t jumpTo = 0; // for CatchUp: the loop time to move on to
};

class Backend {
public:
  virtual ~Backend() = default;
  // The backend's clock in milliseconds; safe from any thread.
  virtual std::uint64_t NowMs() = 0;
  // Waits for input until deadlineMs (no deadline when hasDeadline is false). True with an
  // event in *out, which arrived at NowMs(); false when the deadline passed or Wake was called.
  virtual bool WaitEvent(bool hasDeadline, std::uint64_t deadlineMs, InputEvent *out) = 0;
  // Ends a WaitEvent early; safe from any thread.
  virtual void Wake() = 0;
  // Shows the composed screen (240 x 320 or 320 x 240, RGB565).
  virtual void Present(const Surface &screen) = 0;
  virtual void Raise() {}
  virtual void SetWindowTitle(const std::u16string &) {}
  virtual void SetIcon(const Surface &) {}
  // True when NowMs is the wall clock, which runs on while the program works: the loop then
  // bounds how far its own clock may fall behind (see message_loop.cpp).
  virtual bool FollowsRealTime() const { return false; }
};

// Starts the window manager on a backend; the screen starts in portrait (240 x 320) and the
// loop's clock at the backend's NowMs.
void PlatformStart(std::unique_ptr<Backend> backend);
// Destroys every window, timer and queued message; the next start begins afresh.
void PlatformStop();
Backend *CurrentBackend();
// The last composed screen.
const Surface &ScreenSurface();
// Turns the screen between portrait and landscape, as the F9 key does.
void RotateScreen();

// The desktop: an SDL window showing the screen scaled by a whole factor.
// Null with a message in *error when no display can be opened.
std::unique_ptr<Backend> CreateSdlBackend(int scale, std::string *error);

// The tests' and the replays' screen: virtual time, scripted input, and the composed pixels
// to read back. With a window to show on (CreateWatchedBackend), it keeps pace with real time.
class HeadlessBackend : public Backend {
public:
  explicit HeadlessBackend(std::uint64_t startMs = 0) : now_(startMs) {}
  std::uint64_t NowMs() override;
  bool WaitEvent(bool hasDeadline, std::uint64_t deadlineMs, InputEvent *out) override;
  void Wake() override;
  void Present(const Surface &screen) override;
  void Raise() override { ++raiseCount; }

  // Input to deliver once virtual time reaches atMs (at once when atMs is now or past).
  // Inputs of equal times come in the order they were queued.
  void QueueEvent(std::uint64_t atMs, InputEvent event);
  void QueueKey(std::uint64_t atMs, std::uint32_t key);
  void QueueText(std::uint64_t atMs, const std::u16string &text);
  // A camera report, as the streaming thread posts it through PostMotionReport.
  void QueueMotion(std::uint64_t atMs, int x, int y, bool valid);
  // Queued inputs not yet delivered.
  std::size_t Pending() const { return queue_.size(); }
  // Called whenever the loop would wait; it may queue input or change the program's state.
  std::function<void(HeadlessBackend &)> onIdle;
  // Called when the loop would wait for ever (no timer, no queued input): a test that
  // forgot its input. Default: abort with a message.
  std::function<void()> onStall;

  int presentCount = 0;
  int raiseCount = 0;

private:
  std::atomic<std::uint64_t> now_;
  struct Scheduled {
    std::uint64_t at;
    std::uint64_t order;
    InputEvent event;
  };
  std::vector<Scheduled> queue_;
  std::uint64_t order_ = 0;
};

// A headless backend shown in a window: virtual time held to the pace of real time, the
// screen presented on `screen`. Closing the window (or any close from the desktop) calls
// onClosed; other input from the window is ignored.
std::unique_ptr<Backend> CreateWatchedBackend(std::unique_ptr<HeadlessBackend> timeline,
                                              std::unique_ptr<Backend> screen,
                                              std::function<void()> onClosed);

// Runs the message loop of the current thread until virtual or real time reaches untilMs
// or WM_QUIT arrives (which is put back for the caller). Returns false on WM_QUIT.
bool PumpMessagesUntil(std::uint64_t untilMs);
