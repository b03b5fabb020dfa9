// The dispatcher's output buffer: the application's writes wait here until the output thread
// has handed them to the device. Never overwrites what is still waiting; bytes leave only when
// the device took them.
//
// A value type without locks: the dispatcher's output lock guards it.
#pragma once

#include <cstdint>
#include <vector>

class TApdOutputRing {
 public:
  // Allocates `size` bytes (zeroed), empty. A ring of size 0 takes nothing.
  void Allocate(uint32_t size);
  void Release();
  uint32_t Capacity() const { return static_cast<uint32_t>(buffer_.size()); }
  uint32_t Used() const;
  uint32_t Free() const { return Capacity() - Used(); }
  bool Empty() const { return !full_ && head_ == tail_; }

  // Copies in what fits of `size` bytes; returns the bytes taken.
  uint32_t Put(const char* data, uint32_t size);
  // The waiting bytes from the head up to the wrap, at most `max`; `data` points at them.
  uint32_t NextRun(uint32_t max, const char*& data) const;
  // Drops `n` bytes the device took from the head (no more than are waiting).
  void Consume(uint32_t n);
  // Drops everything waiting. Clears() counts the calls, so that a writer can tell that the
  // bytes it is writing were discarded meanwhile.
  void Clear();
  uint32_t Clears() const { return clears_; }

 private:
  std::vector<char> buffer_;
  uint32_t head_ = 0;
  uint32_t tail_ = 0;
  bool full_ = false;
  uint32_t clears_ = 0;
};
