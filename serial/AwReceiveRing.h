// The dispatcher's receive buffer: a ring of 8192 bytes that the device is read into in at most
// two parts, read by the application byte by byte, and read ahead by the handlers of an avail
// notification, which consume the most any of them read when the notification ends.
//
// A value type without locks: the dispatcher's input lock guards it.
#pragma once

#include <cstdint>
#include <vector>

constexpr uint32_t DispatchBufferSize = 8192;

class TApdReceiveRing {
 public:
  // Allocates the buffer (zeroed) and starts empty, with nothing announced.
  void Allocate();
  // Frees the buffer; an unallocated ring stores nothing and takes nothing.
  void Release();
  bool Allocated() const { return !buffer_.empty(); }

  // Bytes stored, read ahead or not.
  uint32_t Stored() const;
  bool Full() const { return full_; }
  // Bytes not yet read: stored, less those read ahead in the notification in progress.
  uint32_t Unread() const;

  // The n-th stored byte (1 = next); false when fewer are stored.
  bool Peek(uint32_t n, char& c) const;
  // The next byte: taken, or during an avail notification read ahead. False when none is left.
  bool Read(char& c);
  // The next `count` unread bytes without taking them; false when fewer are there.
  bool PeekBlock(char* block, uint32_t count) const;
  // Drops what is stored. During an avail notification the bytes go at once as well, so that
  // no handler reads them and the unread count is 0; what the handlers read before no longer
  // counts, and reads after the flush count from the new bytes.
  void Flush();

  // Reads from the device: `read(destination, size)` is called for the free space from the
  // tail, and a second time after the wrap when the first part was filled and `available`
  // (what the driver holds) asks for more. It returns the bytes it put there (0 .. size).
  // Returns false when the ring is not allocated; true otherwise, full or not.
  template <typename ReadFn>
  bool Fill(uint32_t available, ReadFn&& read);

  // ---- Avail notification ----
  // Whether bytes came since the last announcement.
  bool NewSinceAnnounced() const { return arrivedSinceAnnounced_; }
  // The bytes until `tail` (a value of Tail() taken before the announcement) are announced;
  // bytes stored since stay new.
  void Announced(uint32_t tail);
  uint32_t Tail() const { return tail_; }

  // Starts a notification; `availDispatch` makes reads read ahead instead of taking.
  void BeginNotify(bool availDispatch);
  bool InAvailDispatch() const { return inAvailDispatch_; }
  // The next handler reads from the first unread byte again.
  void NextHandler() { getCount_ = 0; }
  // A handler returned: its reads count towards what the notification consumes.
  void HandlerDone();
  // Ends the notification. Unless it was cut short (`closed`), an avail notification consumes
  // the most any handler read, including reads by a handler still running past its time-out.
  // Returns that count.
  uint32_t EndNotify(bool closed);

 private:
  uint32_t Contiguous() const { return head_ > tail_ ? head_ - tail_ : DispatchBufferSize - tail_; }
  void Advance(uint32_t n);

  std::vector<char> buffer_;
  uint32_t head_ = 0;
  uint32_t tail_ = 0;
  bool full_ = false;
  uint32_t getCount_ = 0;
  uint32_t maxGetCount_ = 0;
  bool inAvailDispatch_ = false;
  // Bytes came from the device since the last avail announcement. The tail alone cannot tell
  // "nothing new" from "a whole buffer new", nor catches bytes stored before a threshold was
  // set; either would leave the bytes unannounced for good.
  bool arrivedSinceAnnounced_ = false;
};

template <typename ReadFn>
bool TApdReceiveRing::Fill(uint32_t available, ReadFn&& read) {
  if (buffer_.empty()) return false;
  if (full_ || available == 0) return true;
  const uint32_t contiguous = Contiguous();
  const uint32_t wanted =
      available < DispatchBufferSize - Stored() ? available : DispatchBufferSize - Stored();
  bool secondPart = wanted > contiguous;
  auto part = [&](uint32_t size) {
    uint32_t got = read(&buffer_[tail_], size);
    if (got > size) got = size;
    if (got == 0) return got;
    arrivedSinceAnnounced_ = true;
    tail_ = (tail_ + got) % DispatchBufferSize;
    full_ = tail_ == head_;
    return got;
  };
  if (part(contiguous) < contiguous) secondPart = false;
  if (secondPart && !full_) part(Contiguous());
  return true;
}
