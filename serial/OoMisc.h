// Serial clock, timers and small helpers shared by the serial classes.
//
// The clock is process-wide and replaceable: the real one counts milliseconds of
// std::chrono::steady_clock in 32 bits (it wraps after about 49.7 days); tests install a fake
// one to step time and to observe sleeps without waiting. Every wait of the serial core that is
// measured in time (the drain of SetLine, polling) goes through it.
#pragma once

#include <cstdint>

class TSerialClock {
 public:
  virtual ~TSerialClock() = default;
  // Milliseconds of a monotonic counter; wraps at 2^32.
  virtual uint32_t Milliseconds() = 0;
  // Blocks the calling thread for at least `ms` milliseconds.
  virtual void Sleep(uint32_t ms) = 0;
};

// The clock in use (any thread). Never null.
TSerialClock& SerialClock();
// Installs `clock` (nullptr: the real clock) and returns the previous one. Not meant to be
// called while other threads use the clock.
TSerialClock* SetSerialClock(TSerialClock* clock);

// Milliseconds of the serial clock.
inline uint32_t AdTimeGetTime() {
  return SerialClock().Milliseconds();
}
inline void AdSleep(uint32_t ms) {
  SerialClock().Sleep(ms);
}

// Timers count in ticks of 55 ms.
constexpr uint32_t MsPerTick = 55;
// Longest interval a timer accepts, in ticks (half of the 32-bit millisecond range).
constexpr int32_t MaxTimerTicks = 39045157;
// Number of distinct tick values before the millisecond counter wraps.
constexpr int64_t TickPeriod = (int64_t{UINT32_MAX} / MsPerTick) + 1;

// Current tick of the serial clock.
int32_t CurrentTicks();

struct EventTimer {
  int32_t StartTicks = 0;
  int32_t ExpireTicks = 0;
  friend bool operator==(const EventTimer&, const EventTimer&) = default;
};

// Starts `timer` to expire `ticks` ticks from now (at most MaxTimerTicks).
void NewTimer(EventTimer& timer, int32_t ticks);
// Whether `timer` has expired, also when the clock wrapped since it was started.
bool TimerExpired(const EventTimer& timer);
// The same rule against an explicit current tick.
bool TimerExpiredAt(const EventTimer& timer, int32_t now);

inline int32_t Secs2Ticks(int32_t secs) {
  return static_cast<int32_t>(secs * 1000LL / MsPerTick);
}
inline int32_t MSecs2Ticks(int32_t ms) {
  return static_cast<int32_t>((ms + MsPerTick - 1) / MsPerTick);
}
