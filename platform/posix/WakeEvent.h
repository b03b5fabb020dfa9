// A flag a device thread can wait on in poll beside its device: another thread sets it to wake
// the waiter (to stop it, or to hand it work); the waiter resets it.
#pragma once

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

 private:
  int read_ = -1;
  int write_ = -1;
};
