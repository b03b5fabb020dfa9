#include "serial/AwOutputRing.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string NextRun(const TApdOutputRing& ring, uint32_t max = 100) {
  const char* data = nullptr;
  const uint32_t n = ring.NextRun(max, data);
  return std::string(data, n);
}

TEST(OutputRing, WaitingBytesAreNeverOverwrittenNorLost) {
  TApdOutputRing ring;
  ring.Allocate(8);
  // Each step: put `put` (or consume `consume`), then the ring's state.
  const struct {
    const char* put;
    uint32_t consume;
    uint32_t taken;
    uint32_t used;
    const char* run;
  } steps[] = {
      {"abcde", 0, 5, 5, "abcde"},   //
      {nullptr, 3, 0, 2, "de"},      // the device took three
      {"fghijk", 0, 6, 8, "defgh"},  // fills it up: the run stops at the end
      {"x", 0, 0, 8, "defgh"},       // nothing overwritten
      {nullptr, 0, 0, 8, "defgh"},   // a write that took nothing leaves it full
      {nullptr, 5, 0, 3, "ijk"},     // the rest wrapped to the front
      {nullptr, 9, 0, 0, ""},        // never more than is waiting
      {"lm", 0, 2, 2, "lm"},         // an empty ring starts at the front again
  };
  for (const auto& s : steps) {
    if (s.put)
      EXPECT_EQ(ring.Put(s.put, static_cast<uint32_t>(std::string(s.put).size())), s.taken)
          << s.put;
    else
      ring.Consume(s.consume);
    EXPECT_EQ(ring.Used(), s.used) << (s.put ? s.put : "consume");
    EXPECT_EQ(ring.Free(), 8 - s.used);
    EXPECT_EQ(NextRun(ring), s.run) << (s.put ? s.put : "consume");
  }
  EXPECT_EQ(NextRun(ring, 1), "l");
}

TEST(OutputRing, ClearIsCountedAndAnEmptyRingTakesNothing) {
  TApdOutputRing ring;
  ring.Allocate(4);
  ring.Put("abcd", 4);
  const uint32_t before = ring.Clears();
  ring.Clear();
  EXPECT_TRUE(ring.Empty());
  EXPECT_EQ(ring.Clears(), before + 1);
  ring.Release();
  EXPECT_EQ(ring.Put("a", 1), 0u);
  ring.Consume(1);
  EXPECT_EQ(ring.Used(), 0u);
  EXPECT_EQ(NextRun(ring), "");
}

}  // namespace
