#include "serial/AwReceiveRing.h"

#include <algorithm>

void TApdReceiveRing::Allocate() {
  buffer_.assign(DispatchBufferSize, 0);
  head_ = tail_ = 0;
  full_ = false;
  getCount_ = maxGetCount_ = 0;
  inAvailDispatch_ = false;
  arrivedSinceAnnounced_ = false;
}

void TApdReceiveRing::Release() {
  buffer_.clear();
  buffer_.shrink_to_fit();
  head_ = tail_ = 0;
  full_ = false;
}

uint32_t TApdReceiveRing::Stored() const {
  if (buffer_.empty()) return 0;
  if (tail_ == head_) return full_ ? DispatchBufferSize : 0;
  return (tail_ + DispatchBufferSize - head_) % DispatchBufferSize;
}

uint32_t TApdReceiveRing::Unread() const {
  const uint32_t n = Stored();
  return inAvailDispatch_ ? n - std::min(n, getCount_) : n;
}

bool TApdReceiveRing::Peek(uint32_t n, char& c) const {
  if (n == 0 || n > Stored()) return false;
  c = buffer_[(head_ + n - 1) % DispatchBufferSize];
  return true;
}

void TApdReceiveRing::Advance(uint32_t n) {
  if (n == 0) return;
  head_ = (head_ + n) % DispatchBufferSize;
  full_ = false;
}

bool TApdReceiveRing::Read(char& c) {
  if (inAvailDispatch_) {
    if (getCount_ + 1 > Stored()) return false;
    c = buffer_[(head_ + getCount_) % DispatchBufferSize];
    ++getCount_;
    return true;
  }
  if (Stored() == 0) return false;
  c = buffer_[head_];
  Advance(1);
  return true;
}

bool TApdReceiveRing::PeekBlock(char* block, uint32_t count) const {
  const uint32_t skip = inAvailDispatch_ ? getCount_ : 0;
  if (count > Stored() - std::min(Stored(), skip)) return false;
  for (uint32_t i = 0; i < count; ++i) block[i] = buffer_[(head_ + skip + i) % DispatchBufferSize];
  return true;
}

void TApdReceiveRing::Flush() {
  head_ = tail_;
  full_ = false;
  getCount_ = 0;
  // Handlers before the flush read bytes that are gone now; advancing by their count at the
  // end would drop bytes that arrived after it, unread.
  maxGetCount_ = 0;
}

void TApdReceiveRing::Announced(uint32_t tail) {
  // Bytes stored after `tail` was taken came in during the announcement: still new.
  arrivedSinceAnnounced_ = tail_ != tail;
}

void TApdReceiveRing::BeginNotify(bool availDispatch) {
  maxGetCount_ = 0;
  // Reset together with the flag: a handler whose send timed out may still be reading, and its
  // reads from now on count for this notification.
  getCount_ = 0;
  inAvailDispatch_ = availDispatch;
}

void TApdReceiveRing::HandlerDone() {
  maxGetCount_ = std::max(maxGetCount_, getCount_);
}

uint32_t TApdReceiveRing::EndNotify(bool closed) {
  uint32_t consumed = 0;
  if (inAvailDispatch_) {
    if (!closed) HandlerDone();
    inAvailDispatch_ = false;
    if (!closed && !buffer_.empty()) {
      consumed = maxGetCount_;
      Advance(std::min(maxGetCount_, Stored()));
    }
  }
  getCount_ = 0;
  return consumed;
}
