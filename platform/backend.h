#pragma once
// What lies below the window manager: a clock, input, and a place to show the screen.
// The SDL backend is the desktop; the headless backend is the tests' screen.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/surface.h"

struct InputEvent {
  // Nothing does nothing: it only makes the loop wake at its time (tests use it).
  enum class Kind { Key, Text, Click, CloseRequest, Raise, Nothing };
  Kind kind = Kind::Key;
  std::uint32_t key = 0; // virtual key, for Key
  std::u16string text;   // typed text, for Text
  int x = 0, y = 0;      // screen pixels, for Click
};

class Backend {
public:
  virtual ~Backend() = default;
  virtual std::uint64_t NowMs() = 0;
  // Waits for input until deadlineMs (no deadline when hasDeadline is false). True with an
  // event in *out; false when the deadline passed.
  virtual bool WaitEvent(bool hasDeadline, std::uint64_t deadlineMs, InputEvent *out) = 0;
  // Ends a WaitEvent early; safe from any thread.
  virtual void Wake() = 0;
  // Shows the composed screen (240 x 320 or 320 x 240, RGB565).
  virtual void Present(const Surface &screen) = 0;
  virtual void Raise() {}
  virtual void SetWindowTitle(const std::u16string &) {}
  virtual void SetIcon(const Surface &) {}
};

// Starts the window manager on a backend; the screen starts in portrait (240 x 320).
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

// The tests' screen: virtual time, scripted input, and the composed pixels to read back.
class HeadlessBackend : public Backend {
public:
  std::uint64_t NowMs() override;
  bool WaitEvent(bool hasDeadline, std::uint64_t deadlineMs, InputEvent *out) override;
  void Wake() override;
  void Present(const Surface &screen) override;
  void Raise() override { ++raiseCount; }

  // Input to deliver once virtual time reaches atMs (at once when atMs is now or past).
  void QueueEvent(std::uint64_t atMs, InputEvent event);
  void QueueKey(std::uint64_t atMs, std::uint32_t key);
  void QueueText(std::uint64_t atMs, const std::u16string &text);
  // Called whenever the loop would wait; it may queue input or change the program's state.
  std::function<void(HeadlessBackend &)> onIdle;
  // Called when the loop would wait for ever (no timer, no queued input): a test that
  // forgot its input. Default: abort with a message.
  std::function<void()> onStall;

  int presentCount = 0;
  int raiseCount = 0;

private:
  std::uint64_t now_ = 0;
  struct Scheduled {
    std::uint64_t at;
    std::uint64_t order;
    InputEvent event;
  };
  std::vector<Scheduled> queue_;
  std::uint64_t order_ = 0;
};

// Runs the message loop of the current thread until virtual or real time reaches untilMs
// or WM_QUIT arrives (which is put back for the caller). Returns false on WM_QUIT.
bool PumpMessagesUntil(std::uint64_t untilMs);
