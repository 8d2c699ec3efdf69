// The door for input from other threads: a bounded lock-free queue that any thread fills and
// the user-interface thread empties.

#include "platform/input_door.h"

#include <array>
#include <atomic>
#include <thread>

#include "platform/window_manager.h"

namespace {

// What an input is without its text, so a cell can be written without allocating.
struct DoorEvent {
  InputEvent::Kind kind = InputEvent::Kind::Nothing;
  std::uint32_t key = 0;
  int x = 0, y = 0;
  bool valid = false;
  std::uint64_t stamp = 0;
};

static_assert((kInputDoorCapacity & (kInputDoorCapacity - 1)) == 0, "the capacity is a power of two");

// A bounded queue for many producers and one consumer (after D. Vyukov): each cell's sequence
// tells whose turn it is, so producers claim cells with one compare-and-swap and never wait.
class Door {
public:
  Door() {
    for (std::size_t i = 0; i < kInputDoorCapacity; ++i)
      cells_[i].sequence.store(i, std::memory_order_relaxed);
  }

  bool Push(const DoorEvent &event) {
    std::size_t position = tail_.load(std::memory_order_relaxed);
    for (;;) {
      Cell &cell = cells_[position & kMask];
      std::size_t sequence = cell.sequence.load(std::memory_order_acquire);
      auto difference = std::intptr_t(sequence) - std::intptr_t(position);
      if (difference == 0) {
        if (tail_.compare_exchange_weak(position, position + 1, std::memory_order_relaxed))
          break;
      } else if (difference < 0) {
        return false; // full
      } else {
        position = tail_.load(std::memory_order_relaxed);
      }
    }
    Cell &cell = cells_[position & kMask];
    cell.event = event;
    cell.sequence.store(position + 1, std::memory_order_release);
    return true;
  }

  // The user-interface thread only.
  bool Pop(DoorEvent *out) {
    Cell &cell = cells_[head_ & kMask];
    if (cell.sequence.load(std::memory_order_acquire) != head_ + 1)
      return false;
    *out = cell.event;
    cell.sequence.store(head_ + kInputDoorCapacity, std::memory_order_release);
    ++head_;
    return true;
  }

  // Posters hold a use while they read the backend's clock, so closing can wait them out.
  bool Enter(Backend **backend) {
    users_.fetch_add(1, std::memory_order_seq_cst);
    *backend = backend_.load(std::memory_order_seq_cst);
    if (*backend)
      return true;
    Leave();
    return false;
  }
  void Leave() { users_.fetch_sub(1, std::memory_order_release); }

  void Open(Backend *backend) { backend_.store(backend, std::memory_order_seq_cst); }
  void Close() {
    backend_.store(nullptr, std::memory_order_seq_cst);
    while (users_.load(std::memory_order_acquire) != 0)
      std::this_thread::yield();
    DoorEvent ignored;
    while (Pop(&ignored)) {
    }
  }

private:
  static constexpr std::size_t kMask = kInputDoorCapacity - 1;
  struct Cell {
    std::atomic<std::size_t> sequence{0};
    DoorEvent event;
  };
  std::array<Cell, kInputDoorCapacity> cells_;
  alignas(64) std::atomic<std::size_t> tail_{0};
  alignas(64) std::size_t head_ = 0;
  std::atomic<Backend *> backend_{nullptr};
  std::atomic<int> users_{0};
};

// Static, so a thread that posts late finds a closed door instead of freed memory.
Door g_door;

bool Post(const DoorEvent &event, bool wake) {
  Backend *backend = nullptr;
  if (!g_door.Enter(&backend))
    return false;
  DoorEvent stamped = event;
  stamped.stamp = backend->NowMs();
  bool queued = g_door.Push(stamped);
  if (queued && wake)
    backend->Wake();
  g_door.Leave();
  return queued;
}

} // namespace

void PostMotionReport(int x, int y, bool valid) {
  Post(DoorEvent{InputEvent::Kind::Motion, 0, x, y, valid, 0}, false);
}

bool PostInputEvent(const InputEvent &event) {
  if (event.kind == InputEvent::Kind::Text)
    return false;
  return Post(DoorEvent{event.kind, event.key, event.x, event.y, event.valid, 0}, true);
}

bool PostInputEvent(InputEvent::Kind kind) {
  InputEvent event;
  event.kind = kind;
  return PostInputEvent(event);
}

void SetMotionHandler(void (*handler)(int x, int y, bool valid)) { WM().motionHandler = handler; }

void OpenInputDoor(Backend *backend) {
  g_door.Close(); // anything left from before is dropped
  g_door.Open(backend);
}

void CloseInputDoor() { g_door.Close(); }

bool TakeFromInputDoor(InputEvent *out, std::uint64_t *stamp) {
  DoorEvent e;
  if (!g_door.Pop(&e))
    return false;
  *out = InputEvent{};
  out->kind = e.kind;
  out->key = e.key;
  out->x = e.x;
  out->y = e.y;
  out->valid = e.valid;
  *stamp = e.stamp;
  return true;
}
