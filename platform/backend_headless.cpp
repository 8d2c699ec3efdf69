// The tests' screen: virtual time that jumps to the next deadline, scripted input.

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/backend.h"

std::uint64_t HeadlessBackend::NowMs() { return now_; }

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

bool HeadlessBackend::WaitEvent(bool hasDeadline, std::uint64_t deadlineMs, InputEvent *out) {
  bool waiting = !hasDeadline || deadlineMs > now_;
  if (waiting && onIdle)
    onIdle(*this);
  // The earliest scheduled input, in the order it was queued among equal times.
  auto next = std::min_element(queue_.begin(), queue_.end(), [](const Scheduled &a, const Scheduled &b) {
    return a.at != b.at ? a.at < b.at : a.order < b.order;
  });
  if (next != queue_.end() && (!hasDeadline || next->at <= deadlineMs)) {
    now_ = std::max(now_, next->at);
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
  now_ = std::max(now_, deadlineMs);
  return false;
}

void HeadlessBackend::Wake() {}

void HeadlessBackend::Present(const Surface &) { ++presentCount; }
