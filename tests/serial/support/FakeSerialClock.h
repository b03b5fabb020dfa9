// A serial clock that stands still until told to move; sleeping advances it and is recorded.
// Installed for the lifetime of the object.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "serial/OoMisc.h"

class TFakeSerialClock final : public TSerialClock {
 public:
  explicit TFakeSerialClock(uint32_t startMs = 1000000) : now_(startMs) {
    previous_ = SetSerialClock(this);
  }
  ~TFakeSerialClock() override { SetSerialClock(previous_); }
  TFakeSerialClock(const TFakeSerialClock&) = delete;
  TFakeSerialClock& operator=(const TFakeSerialClock&) = delete;

  uint32_t Milliseconds() override { return now_.load(); }
  void Sleep(uint32_t ms) override {
    std::lock_guard lock(mutex_);
    sleeps_.push_back(ms);
    now_ += ms;
  }

  void Set(uint32_t ms) { now_ = ms; }
  void Advance(uint32_t ms) { now_ += ms; }
  void SetTicks(int64_t ticks) { now_ = static_cast<uint32_t>(ticks * MsPerTick); }
  std::vector<uint32_t> Sleeps() {
    std::lock_guard lock(mutex_);
    return sleeps_;
  }
  void ClearSleeps() {
    std::lock_guard lock(mutex_);
    sleeps_.clear();
  }

 private:
  std::atomic<uint32_t> now_;
  TSerialClock* previous_;
  std::mutex mutex_;
  std::vector<uint32_t> sleeps_;
};
