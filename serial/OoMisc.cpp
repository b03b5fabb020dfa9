#include "serial/OoMisc.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace {

class TSteadySerialClock final : public TSerialClock {
 public:
  uint32_t Milliseconds() override {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<uint32_t>(ms.count());
  }
  void Sleep(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

TSteadySerialClock realClock;
std::atomic<TSerialClock*> currentClock{&realClock};

}  // namespace

TSerialClock& SerialClock() {
  return *currentClock.load(std::memory_order_acquire);
}

TSerialClock* SetSerialClock(TSerialClock* clock) {
  return currentClock.exchange(clock ? clock : &realClock, std::memory_order_acq_rel);
}

int32_t CurrentTicks() {
  return static_cast<int32_t>(AdTimeGetTime() / MsPerTick);
}

void NewTimer(EventTimer& timer, int32_t ticks) {
  timer.StartTicks = CurrentTicks();
  timer.ExpireTicks = timer.StartTicks + std::min(ticks, MaxTimerTicks);
}

bool TimerExpiredAt(const EventTimer& timer, int32_t now) {
  if (timer.ExpireTicks < now) return true;
  // The clock wrapped since the start: compare in the unwrapped tick range. Adding only half the
  // period here would hold a timer that spans the wrap back by about 25 days.
  if (now < timer.StartTicks) return timer.ExpireTicks < now + TickPeriod;
  return false;
}

bool TimerExpired(const EventTimer& timer) {
  return TimerExpiredAt(timer, CurrentTicks());
}
