#include "serial/AwTriggers.h"

#include <algorithm>

#include "platform/SerialLine.h"
#include "serial/AdErrCodes.h"

namespace {

constexpr int32_t MaxHandleCounter = 4096;
constexpr int32_t MaxReusedHandle = 4096;
constexpr int32_t HandleKindMask = 7;

}  // namespace

void TApdTriggers::Clear() {
  availThreshold_ = 0;
  timers_.clear();
  statuses_.clear();
  datas_.clear();
  handleCounter_ = 1;
  globalHit_ = false;
}

bool TApdTriggers::Used(int32_t h) const {
  return std::any_of(timers_.begin(), timers_.end(), [h](auto& t) { return t.Handle == h; }) ||
         std::any_of(statuses_.begin(), statuses_.end(),
                     [h](auto& s) { return (s.Handle & ~HandleKindMask) == h; }) ||
         std::any_of(datas_.begin(), datas_.end(), [h](auto& d) { return d.Handle == h; });
}

int32_t TApdTriggers::NewHandle() {
  if (handleCounter_ < MaxHandleCounter) return handleCounter_++ * 8;
  // Multiples of 8 from 8: 0 would collide with "no handle".
  for (int32_t h = 8; h <= MaxReusedHandle; h += 8)
    if (!Used(h)) return h;
  return ecNoMoreTriggers;
}

int TApdTriggers::CreateTimer() {
  const int32_t handle = NewHandle();
  if (handle < 0) return handle;
  TTimerTrigger t;
  t.Handle = handle;
  timers_.push_back(t);
  return handle;
}

int TApdTriggers::CreateStatus(uint16_t kind) {
  if (kind > skOutputSent) return ecBadArgument;
  const int32_t handle = NewHandle();
  if (handle < 0) return handle;
  TStatusTrigger s;
  s.Handle = handle | kind;
  s.Kind = kind;
  statuses_.push_back(s);
  return s.Handle;
}

TTimerTrigger* TApdTriggers::FindTimer(int32_t handle) {
  if (handle < 2) return nullptr;
  for (auto& t : timers_)
    if (t.Handle == handle) return &t;
  return nullptr;
}

TStatusTrigger* TApdTriggers::FindStatus(int32_t handle) {
  if (handle < 2) return nullptr;
  for (auto& s : statuses_)
    if (s.Handle == handle) return &s;
  return nullptr;
}

int TApdTriggers::ArmTimer(int32_t handle, int32_t& ticks, bool activate) {
  TTimerTrigger* t = FindTimer(handle);
  if (!t) return ecBadTriggerHandle;
  if (activate) {
    if (ticks != 0) t->Ticks = ticks;
    NewTimer(t->Timer, t->Ticks);
  }
  t->Active = activate;
  ticks = t->Ticks;
  return ecOK;
}

int TApdTriggers::ArmStatus(int32_t handle, uint16_t value, bool activate, uint8_t modemStatus,
                            TStatusTrigger& armed) {
  TStatusTrigger* s = FindStatus(handle);
  if (!s) return ecBadTriggerHandle;
  if (activate) {
    switch (s->Kind) {
      case skModemLines: {
        const uint8_t mask = static_cast<uint8_t>(value);
        s->Value = static_cast<uint16_t>((mask << 8) | (mask & modemStatus));
        break;
      }
      case skLineError: {
        uint16_t flags = 0;
        if (value & 1) flags |= ce_OVERRUN;
        if (value & 2) flags |= ce_RXPARITY;
        if (value & 4) flags |= ce_FRAME;
        if (value & 8) flags |= ce_BREAK;
        s->Value = flags;
        break;
      }
      default:
        s->Value = value;
        break;
    }
  }
  s->Enabled = activate;
  armed = *s;
  return ecOK;
}

int TApdTriggers::Delete(int32_t handle, TRemovedKind& removed, uint16_t& kind) {
  kind = skNone;
  if (handle == AvailTriggerHandle) {
    availThreshold_ = 0;
    removed = TRemovedKind::Avail;
    return ecOK;
  }
  if (handle < 2) return ecBadTriggerHandle;
  auto same = [handle](auto& r) { return r.Handle == handle; };
  if (auto t = std::find_if(timers_.begin(), timers_.end(), same); t != timers_.end()) {
    timers_.erase(t);
    removed = TRemovedKind::Timer;
    return ecOK;
  }
  if (auto s = std::find_if(statuses_.begin(), statuses_.end(), same); s != statuses_.end()) {
    kind = s->Kind;
    statuses_.erase(s);
    removed = TRemovedKind::Status;
    return ecOK;
  }
  if (auto d = std::find_if(datas_.begin(), datas_.end(), same); d != datas_.end()) {
    datas_.erase(d);
    removed = TRemovedKind::Data;
    return ecOK;
  }
  return ecBadTriggerHandle;
}

int32_t TApdTriggers::FireTimer(int32_t now) {
  for (auto& t : timers_) {
    if (t.Active && TimerExpiredAt(t.Timer, now)) {
      t.Active = false;
      return t.Handle;
    }
  }
  return 0;
}

int32_t TApdTriggers::FireStatus(uint8_t modemStatus, uint32_t lineErrors, bool& outSent,
                                 IOutputLevels& output, uint16_t& value) {
  for (auto& s : statuses_) {
    if (!s.Enabled || s.Hit) continue;
    bool fire = false;
    value = 0;
    switch (s.Kind) {
      case skModemLines: {
        const uint8_t captured = static_cast<uint8_t>(s.Value & 0xFF);
        const uint8_t mask = static_cast<uint8_t>(s.Value >> 8);
        fire = ((captured ^ modemStatus) & mask) != 0;
        break;
      }
      case skLineError:
        if ((s.Value & lineErrors) != 0) {
          fire = true;
          s.Value = static_cast<uint16_t>(lineErrors);
        }
        break;
      case skOutputFree: {
        const uint32_t n = output.OutputFree();
        fire = n >= s.Value;
        value = static_cast<uint16_t>(n);
        break;
      }
      case skOutputUsed: {
        const uint32_t n = output.OutputCount();
        fire = n <= s.Value;
        value = static_cast<uint16_t>(n);
        break;
      }
      case skOutputSent:
        fire = outSent;
        if (fire) outSent = false;
        break;
      default:
        break;
    }
    if (fire) {
      s.Enabled = false;
      s.Hit = true;
      globalHit_ = true;
      return s.Handle;
    }
  }
  value = 0;
  return 0;
}

void TApdTriggers::ClearHits() {
  if (!globalHit_) return;
  for (auto& s : statuses_) s.Hit = false;
  globalHit_ = false;
}

bool TApdTriggers::LinesWatched() const {
  return std::any_of(statuses_.begin(), statuses_.end(), [](const TStatusTrigger& s) {
    return s.Enabled && (s.Kind == skModemLines || s.Kind == skLineError);
  });
}

bool TApdTriggers::TurnsWanted() const {
  return std::any_of(timers_.begin(), timers_.end(),
                     [](const TTimerTrigger& t) { return t.Active; }) ||
         std::any_of(statuses_.begin(), statuses_.end(),
                     [](const TStatusTrigger& s) { return s.Enabled; });
}

void TApdTriggers::ResetMatches() {
  for (auto& d : datas_) {
    d.MatchState = 0;
    d.Matched = false;
  }
}

void TApdTriggers::Snapshot(TTriggerSave& set) const {
  set.AvailThreshold = availThreshold_;
  set.Timers = timers_;
  set.Datas = datas_;
  set.Statuses = statuses_;
}

void TApdTriggers::Reinstate(const TTriggerSave& set) {
  availThreshold_ = set.AvailThreshold;
  timers_ = set.Timers;
  datas_ = set.Datas;
  statuses_ = set.Statuses;
}
