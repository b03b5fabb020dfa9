#include "serial/AwReceiveRing.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

std::string Pattern(size_t n, size_t from = 0) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += static_cast<char>('a' + (from + i) % 26);
  return s;
}

// A device that hands out what it holds and records the sizes it was asked for.
struct TDevice {
  explicit TDevice(std::string bytes) : held(std::move(bytes)) {}
  std::string held;
  std::vector<uint32_t> asked;
  uint32_t extra = 0;  // a driver that reports more than it was asked for

  void Fill(TApdReceiveRing& ring) {
    ring.Fill(static_cast<uint32_t>(held.size()), [this](char* into, uint32_t size) {
      asked.push_back(size);
      const uint32_t n = std::min<uint32_t>(size, static_cast<uint32_t>(held.size()));
      held.copy(into, n);
      held.erase(0, n);
      return n + extra;
    });
  }
};

std::string Take(TApdReceiveRing& ring, uint32_t n) {
  std::string s;
  char c;
  while (s.size() < n && ring.Read(c)) s += c;
  return s;
}

TEST(ReceiveRing, DeviceIsReadInAtMostTwoPartsAroundTheEnd) {
  const struct {
    const char* why;
    uint32_t consumedBefore;  // bytes stored and read before, which moves head and tail there
    uint32_t driverBytes;
    std::vector<uint32_t> asked;
    uint32_t stored;
    bool full;
  } cases[] = {
      {"an empty ring asks for all of its space", 0, 100, {8192}, 100, false},
      {"the rest after the wrap", 8000, 300, {192, 8000}, 300, false},
      {"what fits before the end needs one part", 8000, 100, {192}, 100, false},
      {"a full ring", 0, 8192, {8192}, 8192, true},
      {"more than fits stops when full", 8000, 10000, {192, 8000}, 8192, true},
  };
  for (const auto& c : cases) {
    TApdReceiveRing ring;
    ring.Allocate();
    TDevice device{Pattern(c.consumedBefore)};
    device.Fill(ring);
    ASSERT_EQ(Take(ring, c.consumedBefore).size(), c.consumedBefore);
    device = TDevice{Pattern(c.driverBytes, c.consumedBefore)};
    device.Fill(ring);
    EXPECT_EQ(device.asked, c.asked) << c.why;
    EXPECT_EQ(ring.Stored(), c.stored) << c.why;
    EXPECT_EQ(ring.Full(), c.full) << c.why;
    EXPECT_EQ(Take(ring, c.stored), Pattern(c.stored, c.consumedBefore)) << c.why;
  }
}

TEST(ReceiveRing, NothingIsAskedOfTheDeviceWhenFullEmptyOrUnallocated) {
  TApdReceiveRing ring;
  TDevice device{"abc"};
  device.Fill(ring);  // not allocated
  ring.Allocate();
  device.held.clear();
  device.Fill(ring);  // nothing there
  EXPECT_TRUE(device.asked.empty());
  device.held = Pattern(8200);
  device.Fill(ring);
  device.Fill(ring);  // full
  EXPECT_EQ(device.asked, std::vector<uint32_t>{8192});

  // A driver that claims more than it was asked for adds no more than the space there was.
  TApdReceiveRing other;
  other.Allocate();
  TDevice{Pattern(8190)}.Fill(other);
  TDevice liar{"xy"};
  liar.extra = 10;
  liar.Fill(other);
  EXPECT_EQ(liar.asked, std::vector<uint32_t>{2});
  EXPECT_EQ(other.Stored(), 8192u);
  EXPECT_TRUE(other.Full());
}

TEST(ReceiveRing, HandlersReadAheadAndTheLargestReadIsConsumed) {
  const struct {
    const char* why;
    std::vector<uint32_t> reads;  // per handler
    bool closed;
    uint32_t consumed;
    uint32_t storedAfter;
  } cases[] = {
      {"two handlers see the same first bytes", {3, 5}, false, 5, 3},
      {"everything read", {8}, false, 8, 0},
      {"more asked than stored", {12}, false, 8, 0},
      {"a close inside a handler consumes nothing", {3, 5}, true, 0, 8},
  };
  for (const auto& c : cases) {
    TApdReceiveRing ring;
    ring.Allocate();
    TDevice{"ABCDEFGH"}.Fill(ring);
    ring.BeginNotify(true);
    for (size_t i = 0; i < c.reads.size(); ++i) {
      if (i > 0) ring.NextHandler();
      EXPECT_EQ(Take(ring, c.reads[i]), std::string("ABCDEFGH").substr(0, c.reads[i])) << c.why;
      EXPECT_EQ(ring.Unread(), 8 - std::min<uint32_t>(8, c.reads[i])) << c.why;
      ring.HandlerDone();
    }
    EXPECT_EQ(ring.EndNotify(c.closed), c.consumed) << c.why;
    EXPECT_FALSE(ring.InAvailDispatch());
    EXPECT_EQ(ring.Stored(), c.storedAfter) << c.why;
  }
}

// A handler that flushes the input during an avail notification: the flushed bytes are gone at
// once, for it and for every later handler, and reads before the flush no longer count.
TEST(ReceiveRing, FlushDuringAnAvailNotificationLeavesNothingToRead) {
  TApdReceiveRing ring;
  ring.Allocate();
  TDevice{"hello"}.Fill(ring);
  ring.BeginNotify(true);
  EXPECT_EQ(Take(ring, 2), "he");
  ring.Flush();
  EXPECT_EQ(ring.Unread(), 0u);
  EXPECT_EQ(Take(ring, 1), "");
  ring.HandlerDone();
  ring.NextHandler();
  EXPECT_EQ(Take(ring, 5), "") << "a later handler reads no flushed byte";
  // Bytes that come in meanwhile (a handler past its time-out) are read and consumed as usual.
  TDevice{"new"}.Fill(ring);
  EXPECT_EQ(Take(ring, 1), "n");
  ring.HandlerDone();
  EXPECT_EQ(ring.EndNotify(false), 1u);
  EXPECT_EQ(Take(ring, 5), "ew");
}

TEST(ReceiveRing, BytesAreNewUntilAnnounced) {
  TApdReceiveRing ring;
  ring.Allocate();
  EXPECT_FALSE(ring.NewSinceAnnounced());
  TDevice{"ab"}.Fill(ring);
  EXPECT_TRUE(ring.NewSinceAnnounced());
  uint32_t tail = ring.Tail();
  ring.Announced(tail);
  EXPECT_FALSE(ring.NewSinceAnnounced());

  // Stored after the announcement's tail was taken: still new.
  tail = ring.Tail();
  TDevice{"c"}.Fill(ring);
  ring.Announced(tail);
  EXPECT_TRUE(ring.NewSinceAnnounced());

  // A whole buffer arriving brings the tail back where it was, and is new all the same.
  ring.Announced(ring.Tail());
  Take(ring, 3);
  TDevice{Pattern(8192)}.Fill(ring);
  EXPECT_EQ(ring.Tail(), 3u);
  EXPECT_TRUE(ring.NewSinceAnnounced());
}

TEST(ReceiveRing, PeekAndReadOutsideANotification) {
  TApdReceiveRing ring;
  ring.Allocate();
  TDevice{"xyz"}.Fill(ring);
  char c = 0;
  EXPECT_FALSE(ring.Peek(0, c));
  ASSERT_TRUE(ring.Peek(3, c));
  EXPECT_EQ(c, 'z');
  EXPECT_FALSE(ring.Peek(4, c));
  char block[3];
  EXPECT_FALSE(ring.PeekBlock(block, 4));
  ASSERT_TRUE(ring.PeekBlock(block, 3));
  EXPECT_EQ(std::string(block, 3), "xyz");
  EXPECT_EQ(Take(ring, 1), "x");
  ring.BeginNotify(true);
  EXPECT_EQ(Take(ring, 1), "y");
  ASSERT_TRUE(ring.PeekBlock(block, 1));  // from the first byte not read ahead
  EXPECT_EQ(block[0], 'z');
  ring.EndNotify(false);
  EXPECT_EQ(ring.Stored(), 1u);
  ring.Release();
  EXPECT_EQ(ring.Stored(), 0u);
  EXPECT_FALSE(ring.Read(c));
}

}  // namespace
