// A flag a device thread can wait on in poll beside its device: another thread sets it to wake
// the waiter (to stop it, or to hand it work); the waiter resets or takes it. Taking it makes it
// an auto-reset event: sets before a take count as one.
#pragma once

#include <mutex>

class TWakeEvent {
 public:
  // Throws std::system_error when the system has no descriptors left.
  TWakeEvent();
  ~TWakeEvent();
  TWakeEvent(const TWakeEvent&) = delete;
  TWakeEvent& operator=(const TWakeEvent&) = delete;

  // Readable while the event is set.
  int Fd() const { return read_; }
  // Thread-safe; setting a set event changes nothing.
  void Set();
  // Clears the event. A Set racing with it may be cleared too: the waiter looks at its own
  // state after Reset, not before.
  void Reset();
  bool IsSet() const;
  // Clears the event and says whether it was set. One waiter at a time.
  bool TryTake();

  // Waits up to `timeoutMs` (negative: without limit) until the event is set, leaving it set.
  // False after the time-out or when the wait failed.
  bool WaitSet(int timeoutMs) const;
  // Waits as WaitSet does and takes the signal; whether it came.
  bool Take(int timeoutMs);
  // Waits without limit until one of the two is set: 0 or 1 (not taken), -1 when the wait failed.
  static int WaitEither(const TWakeEvent& first, const TWakeEvent& second);

 private:
  // The pipe holds one byte exactly while the event is set; the mutex keeps flag and byte
  // together, so that a set event costs no system call and a taken one leaves nothing to poll.
  mutable std::mutex mutex_;
  bool set_ = false;
  int read_ = -1;
  int write_ = -1;
};
