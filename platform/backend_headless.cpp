// The tests' and the replays' screen: virtual time that jumps to the next deadline, scripted
// input; and the same shown in a window at the pace of real time.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/backend.h"

std::uint64_t HeadlessBackend::NowMs() { return now_.load(std::memory_order_acquire); }

void HeadlessBackend::QueueEvent(std::uint64_t atMs, InputEvent event) {
  queue_.push_back(Scheduled{atMs, order_++, std::move(event)});
}

void HeadlessBackend::QueueKey(std::uint64_t atMs, std::uint32_t key) {
  InputEvent e;
  e.kind = InputEvent::Kind::Key;
  e.key = key;
  QueueEvent(atMs, e);
}

void HeadlessBackend::QueueText(std::uint64_t atMs, const std::u16string &text) {
  InputEvent e;
  e.kind = InputEvent::Kind::Text;
  e.text = text;
  QueueEvent(atMs, e);
}

void HeadlessBackend::QueueMotion(std::uint64_t atMs, int x, int y, bool valid) {
  InputEvent e;
  e.kind = InputEvent::Kind::Motion;
  e.x = x;
  e.y = y;
  e.valid = valid;
  QueueEvent(atMs, e);
}

bool HeadlessBackend::WaitEvent(bool hasDeadline, std::uint64_t deadlineMs, InputEvent *out) {
  std::uint64_t now = NowMs();
  bool waiting = !hasDeadline || deadlineMs > now;
  if (waiting && onIdle)
    onIdle(*this);
  // The earliest scheduled input, in the order it was queued among equal times.
  auto next = std::min_element(queue_.begin(), queue_.end(), [](const Scheduled &a, const Scheduled &b) {
    return a.at != b.at ? a.at < b.at : a.order < b.order;
  });
  if (next != queue_.end() && (!hasDeadline || next->at <= deadlineMs)) {
    now_.store(std::max(now, next->at), std::memory_order_release);
    *out = std::move(next->event);
    queue_.erase(next);
    return true;
  }
  if (!hasDeadline) {
    if (onStall) {
      onStall();
      return false;
    }
    std::fprintf(stderr, "headless screen: the loop would wait for ever (no timer, no input)\n");
    std::abort();
  }
  now_.store(std::max(now, deadlineMs), std::memory_order_release);
  return false;
}

void HeadlessBackend::Wake() {}

void HeadlessBackend::Present(const Surface &) { ++presentCount; }

namespace {

class WatchedBackend : public Backend {
public:
  WatchedBackend(std::unique_ptr<HeadlessBackend> timeline, std::unique_ptr<Backend> screen,
                 std::function<void()> onClosed)
      : timeline_(std::move(timeline)), screen_(std::move(screen)), onClosed_(std::move(onClosed)),
        virtualStart_(timeline_->NowMs()), realStart_(Clock::now()) {}

  std::uint64_t NowMs() override { return timeline_->NowMs(); }

  bool WaitEvent(bool hasDeadline, std::uint64_t deadlineMs, InputEvent *out) override {
    bool got = timeline_->WaitEvent(hasDeadline, deadlineMs, out);
    // The virtual moment reached is shown when real time reaches it too.
    auto due = realStart_ + std::chrono::milliseconds(timeline_->NowMs() - virtualStart_);
    for (auto now = Clock::now(); now < due; now = Clock::now()) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(due - now).count() + 1;
      InputEvent ignored;
      if (screen_->WaitEvent(true, screen_->NowMs() + std::uint64_t(left), &ignored) &&
          ignored.kind == InputEvent::Kind::CloseRequest && onClosed_)
        onClosed_();
    }
    return got;
  }

  void Wake() override { screen_->Wake(); }
  void Present(const Surface &screen) override {
    timeline_->Present(screen);
    screen_->Present(screen);
  }
  void Raise() override { screen_->Raise(); }
  void SetWindowTitle(const std::u16string &title) override { screen_->SetWindowTitle(title); }
  void SetIcon(const Surface &icon) override { screen_->SetIcon(icon); }

private:
  using Clock = std::chrono::steady_clock;
  std::unique_ptr<HeadlessBackend> timeline_;
  std::unique_ptr<Backend> screen_;
  std::function<void()> onClosed_;
  std::uint64_t virtualStart_;
  Clock::time_point realStart_;
};

} // namespace

std::unique_ptr<Backend> CreateWatchedBackend(std::unique_ptr<HeadlessBackend> timeline,
                                              std::unique_ptr<Backend> screen,
                                              std::function<void()> onClosed) {
  return std::make_unique<WatchedBackend>(std::move(timeline), std::move(screen), std::move(onClosed));
}
