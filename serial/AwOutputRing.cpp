#include "serial/AwOutputRing.h"

#include <algorithm>

void TApdOutputRing::Allocate(uint32_t size) {
  buffer_.assign(size, 0);
  head_ = tail_ = 0;
  full_ = false;
}

void TApdOutputRing::Release() {
  buffer_.clear();
  buffer_.shrink_to_fit();
  head_ = tail_ = 0;
  full_ = false;
}

uint32_t TApdOutputRing::Used() const {
  if (full_) return Capacity();
  if (tail_ >= head_) return tail_ - head_;
  return Capacity() + tail_ - head_;
}

uint32_t TApdOutputRing::Put(const char* data, uint32_t size) {
  const uint32_t capacity = Capacity();
  const uint32_t taken = std::min(size, Free());
  for (uint32_t i = 0; i < taken; ++i) {
    buffer_[tail_] = data[i];
    tail_ = (tail_ + 1) % capacity;
  }
  if (taken > 0 && tail_ == head_) full_ = true;
  return taken;
}

uint32_t TApdOutputRing::NextRun(uint32_t max, const char*& data) const {
  data = buffer_.data() + head_;
  if (Empty()) return 0;
  const uint32_t end = tail_ > head_ ? tail_ : Capacity();
  return std::min(end - head_, max);
}

void TApdOutputRing::Consume(uint32_t n) {
  n = std::min(n, Used());
  // A write that took nothing leaves a full ring full: clearing the flag would make the
  // waiting bytes look like an empty ring, and they would be lost.
  if (n == 0) return;
  head_ = (head_ + n) % Capacity();
  full_ = false;
  if (head_ == tail_) head_ = tail_ = 0;
}

void TApdOutputRing::Clear() {
  head_ = tail_ = 0;
  full_ = false;
  ++clears_;
}
