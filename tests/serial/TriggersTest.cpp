#include "serial/AwTriggers.h"

#include <gtest/gtest.h>

#include "serial/AdErrCodes.h"
#include "platform/SerialLine.h"
#include "tests/serial/support/FakeSerialClock.h"

namespace {

struct TLevels : IOutputLevels {
  uint32_t OutputFree() override {
    ++asked;
    return free;
  }
  uint32_t OutputCount() override {
    ++asked;
    return count;
  }
  uint32_t free = 4096;
  uint32_t count = 0;
  int asked = 0;
};

TEST(Triggers, HandlesAreReusedOnlyBelowTheLimitOnceTheCounterIsSpent) {
  TApdTriggers t;
  int last = 0;
  for (int i = 0; i < 4095; ++i) last = t.CreateTimer();
  EXPECT_EQ(last, 32760);
  TRemovedKind removed;
  uint16_t kind;
  for (int h : {16, 40, 8000}) EXPECT_EQ(t.Delete(h, removed, kind), ecOK) << h;
  EXPECT_EQ(t.CreateStatus(skLineError), 16 | skLineError);
  EXPECT_EQ(t.CreateTimer(), 40);
  EXPECT_EQ(t.CreateTimer(), ecNoMoreTriggers) << "8000 is above the reuse limit";
  EXPECT_EQ(t.Delete(16 | skLineError, removed, kind), ecOK);
  EXPECT_EQ(removed, TRemovedKind::Status);
  EXPECT_EQ(kind, skLineError);
  EXPECT_EQ(t.CreateTimer(), 16);
  t.Clear();
  EXPECT_EQ(t.CreateTimer(), 8) << "a cleared table issues handles from the start";
}

TEST(Triggers, OperationsCheckKindAndHandle) {
  TFakeSerialClock clock;
  TApdTriggers t;
  const int timer = t.CreateTimer();
  const int status = t.CreateStatus(skModemLines);
  ASSERT_EQ(timer, 8);
  ASSERT_EQ(status, 16 | skModemLines);
  int32_t ticks = 5;
  TStatusTrigger armed;
  TRemovedKind removed;
  uint16_t kind;
  const struct {
    const char* what;
    int rc;
    int expected;
  } cases[] = {
      {"status kind 6", t.CreateStatus(6), ecBadArgument},
      {"timer arming of a status trigger", t.ArmTimer(status, ticks, true), ecBadTriggerHandle},
      {"status arming of a timer", t.ArmStatus(timer, 5, true, 0, armed), ecBadTriggerHandle},
      {"handle 0", t.Delete(0, removed, kind), ecBadTriggerHandle},
      {"unknown handle", t.Delete(999, removed, kind), ecBadTriggerHandle},
      {"the avail trigger", t.Delete(AvailTriggerHandle, removed, kind), ecOK},
      {"a timer", t.Delete(timer, removed, kind), ecOK},
      {"a timer twice", t.Delete(timer, removed, kind), ecBadTriggerHandle},
  };
  for (const auto& c : cases) EXPECT_EQ(c.rc, c.expected) << c.what;
}

TEST(Triggers, StatusConditions) {
  const struct {
    const char* why;
    uint16_t kind;
    uint16_t armValue;
    uint8_t levelsWhenArmed;
    uint8_t modemStatus;
    uint32_t lineErrors;
    bool outSent;
    uint32_t free, count;
    bool fires;
    uint16_t value;
  } cases[] = {
      {"CTS rose under the mask", skModemLines, msr_Cts, 0, msr_Cts, 0, false, 0, 0, true, 0},
      {"CTS fell under the mask", skModemLines, msr_Cts, msr_Cts, 0, 0, false, 0, 0, true, 0},
      {"DSR moved outside the mask", skModemLines, msr_Cts, 0, msr_Dsr, 0, false, 0, 0, false, 0},
      {"an overrun armed as bit 1", skLineError, 1, 0, 0, ce_OVERRUN, false, 0, 0, true, 0},
      {"parity is not armed", skLineError, 1, 0, 0, ce_RXPARITY, false, 0, 0, false, 0},
      {"break armed as bit 8", skLineError, 8, 0, 0, ce_BREAK, false, 0, 0, true, 0},
      {"enough room", skOutputFree, 100, 0, 0, 0, false, 100, 0, true, 100},
      {"too little room", skOutputFree, 100, 0, 0, 0, false, 99, 0, false, 0},
      {"drained to the threshold", skOutputUsed, 12, 0, 0, 0, false, 0, 12, true, 12},
      {"not drained yet", skOutputUsed, 12, 0, 0, 0, false, 0, 13, false, 0},
      {"output sent", skOutputSent, 0, 0, 0, 0, true, 0, 0, true, 0},
      {"nothing sent", skOutputSent, 0, 0, 0, 0, false, 0, 0, false, 0},
  };
  for (const auto& c : cases) {
    TApdTriggers t;
    const int handle = t.CreateStatus(c.kind);
    TStatusTrigger armed;
    ASSERT_EQ(t.ArmStatus(handle, c.armValue, true, c.levelsWhenArmed, armed), ecOK);
    EXPECT_EQ(t.LinesWatched(), c.kind == skModemLines || c.kind == skLineError) << c.why;
    TLevels levels;
    levels.free = c.free;
    levels.count = c.count;
    bool outSent = c.outSent;
    uint16_t value = 0xFFFF;
    const int32_t fired = t.FireStatus(c.modemStatus, c.lineErrors, outSent, levels, value);
    EXPECT_EQ(fired, c.fires ? handle : 0) << c.why;
    EXPECT_EQ(value, c.value) << c.why;
    EXPECT_EQ(outSent, c.outSent && !c.fires) << c.why;
    // Only output triggers ask for the output levels, which costs a device query.
    EXPECT_EQ(levels.asked > 0, c.kind == skOutputFree || c.kind == skOutputUsed) << c.why;
    const uint16_t kept = c.kind == skLineError && c.fires ? c.lineErrors : armed.Value;
    EXPECT_EQ(t.Statuses()[0].Value, kept) << "a line-error trigger keeps the errors it fired on";
  }
}

TEST(Triggers, AStatusTriggerFiresOncePerArming) {
  TApdTriggers t;
  const int modem = t.CreateStatus(skModemLines);
  TStatusTrigger armed;
  TLevels levels;
  bool sent = false;
  uint16_t value;
  t.ArmStatus(modem, msr_Cts, true, 0, armed);
  EXPECT_EQ(t.FireStatus(msr_Cts, 0, sent, levels, value), modem);
  EXPECT_TRUE(t.Statuses()[0].Hit);
  EXPECT_FALSE(t.LinesWatched());
  t.ClearHits();
  EXPECT_FALSE(t.Statuses()[0].Hit);
  EXPECT_EQ(t.FireStatus(0, 0, sent, levels, value), 0) << "silent until armed again";
  t.ArmStatus(modem, msr_Cts, true, 0, armed);
  EXPECT_EQ(t.FireStatus(msr_Cts, 0, sent, levels, value), modem);
}

TEST(Triggers, TimerFiresOnceAfterItsTicksAndZeroTicksReuseTheLastInterval) {
  TFakeSerialClock clock;
  TApdTriggers t;
  const int timer = t.CreateTimer();
  clock.SetTicks(5000);
  int32_t ticks = 18;
  ASSERT_EQ(t.ArmTimer(timer, ticks, true), ecOK);
  EXPECT_EQ(t.FireTimer(5018), 0);
  EXPECT_EQ(t.FireTimer(5019), timer);
  EXPECT_EQ(t.FireTimer(5020), 0);
  ticks = 0;
  ASSERT_EQ(t.ArmTimer(timer, ticks, true), ecOK);
  EXPECT_EQ(ticks, 18);
  EXPECT_EQ(t.Timers()[0].Timer.ExpireTicks - t.Timers()[0].Timer.StartTicks, 18);
  ASSERT_EQ(t.ArmTimer(timer, ticks, false), ecOK);
  EXPECT_EQ(t.FireTimer(9000), 0) << "a disarmed timer stays silent";
}

TEST(Triggers, ASavedSetComesBackComplete) {
  TFakeSerialClock clock;
  TApdTriggers t;
  const int timer = t.CreateTimer();
  const int status = t.CreateStatus(skOutputUsed);
  int32_t ticks = 7;
  TStatusTrigger armed;
  t.ArmTimer(timer, ticks, true);
  t.ArmStatus(status, 12, true, 0, armed);
  t.SetAvailThreshold(3);
  TTriggerSave saved;
  t.Snapshot(saved);
  t.Clear();
  t.Reinstate(saved);
  EXPECT_EQ(t.AvailThreshold(), 3u);
  ASSERT_EQ(t.Timers().size(), 1u);
  EXPECT_EQ(t.Timers()[0].Handle, timer);
  EXPECT_TRUE(t.Timers()[0].Active);
  EXPECT_EQ(t.Timers()[0].Timer, saved.Timers[0].Timer);
  ASSERT_EQ(t.Statuses().size(), 1u);
  EXPECT_EQ(t.Statuses()[0].Value, 12);
  EXPECT_TRUE(t.Statuses()[0].Enabled);
}

}  // namespace
