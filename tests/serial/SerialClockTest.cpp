#include <gtest/gtest.h>

#include "serial/OoMisc.h"
#include "tests/serial/support/FakeSerialClock.h"

TEST(SerialClock, TicksFollowTheInstalledClockUpToTheWrap) {
  TFakeSerialClock clock(550);
  EXPECT_EQ(CurrentTicks(), 10);
  clock.Set(UINT32_MAX);
  EXPECT_EQ(CurrentTicks(), TickPeriod - 1);
  clock.Advance(1);
  EXPECT_EQ(CurrentTicks(), 0);
}

TEST(SerialClock, TimerExpiresOnlyAfterItsLastTick) {
  TFakeSerialClock clock;
  clock.SetTicks(1000);
  EventTimer t;
  NewTimer(t, 18);
  EXPECT_EQ(t.StartTicks, 1000);
  EXPECT_EQ(t.ExpireTicks, 1018);
  clock.SetTicks(1018);
  EXPECT_FALSE(TimerExpired(t));
  clock.SetTicks(1019);
  EXPECT_TRUE(TimerExpired(t));
}

TEST(SerialClock, IntervalIsCapped) {
  TFakeSerialClock clock;
  clock.SetTicks(5);
  EventTimer t;
  NewTimer(t, INT32_MAX);
  EXPECT_EQ(t.ExpireTicks - t.StartTicks, MaxTimerTicks);
}

TEST(SerialClock, TimerSpanningTheWrapExpiresOnTime) {
  TFakeSerialClock clock;
  EventTimer t;
  clock.SetTicks(TickPeriod - 10);
  NewTimer(t, 20);
  EXPECT_FALSE(TimerExpiredAt(t, static_cast<int32_t>(TickPeriod - 1)));
  EXPECT_FALSE(TimerExpiredAt(t, 5));   // 15 ticks elapsed
  EXPECT_FALSE(TimerExpiredAt(t, 10));  // 20 ticks elapsed: the last tick
  EXPECT_TRUE(TimerExpiredAt(t, 11));
  EXPECT_TRUE(TimerExpiredAt(t, 1000000));
}

TEST(SerialClock, TimerStartedJustAfterTheWrapIsUnaffected) {
  TFakeSerialClock clock;
  EventTimer t;
  clock.SetTicks(3);
  NewTimer(t, 20);
  EXPECT_FALSE(TimerExpiredAt(t, 22));
  EXPECT_TRUE(TimerExpiredAt(t, 24));
}
