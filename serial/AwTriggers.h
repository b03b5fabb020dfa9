// The dispatcher's trigger table: the avail threshold, timer triggers, status triggers and the
// (never created) data triggers, with their handles, arming and the checks that fire them.
//
// A value type without locks: the dispatcher's lock guards it. What a check needs of the line
// and the output side comes in as arguments, so the table is tested without a device.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "serial/OoMisc.h"

// Status trigger kinds (the low three bits of a status trigger's handle).
enum : uint16_t {
  skNone = 0,
  skModemLines = 1,
  skLineError = 2,
  skOutputFree = 3,
  skOutputUsed = 4,
  skOutputSent = 5,
};

// The avail trigger's fixed handle.
constexpr int32_t AvailTriggerHandle = 1;

struct TTimerTrigger {
  int32_t Handle = 0;
  EventTimer Timer;
  int32_t Ticks = 0;  // ticks last set
  int32_t Reserved = -1;
  bool Active = false;
};

struct TStatusTrigger {
  int32_t Handle = 0;
  uint16_t Kind = skNone;
  // Modem kind: low byte the levels captured when armed, high byte the mask. Line-error kind:
  // the error flags. Output kinds: the threshold.
  uint16_t Value = 0;
  bool Enabled = false;
  bool Hit = false;
};

struct TDataTrigger {
  int32_t Handle = 0;
  uint32_t Length = 0;
  uint32_t MatchState = 0;
  bool Matched = false;
  bool IgnoreCase = false;
  std::string Data;
};

// A saved trigger set (avail threshold and copies of every trigger record).
struct TTriggerSave {
  uint32_t AvailThreshold = 0;
  std::vector<TTimerTrigger> Timers;
  std::vector<TDataTrigger> Datas;
  std::vector<TStatusTrigger> Statuses;
};

// The output side as the output triggers see it; asking means a device status query, so only
// output triggers ask.
class IOutputLevels {
 public:
  virtual ~IOutputLevels() = default;
  virtual uint32_t OutputFree() = 0;
  virtual uint32_t OutputCount() = 0;
};

// What a removal took away, for the dispatch log.
enum class TRemovedKind { Avail, Timer, Status, Data };

class TApdTriggers {
 public:
  // Every trigger freed, avail threshold 0, handles issued from 8 again.
  void Clear();

  uint32_t AvailThreshold() const { return availThreshold_; }
  void SetAvailThreshold(uint32_t threshold) { availThreshold_ = threshold; }

  // A new trigger's handle, or ecNoMoreTriggers / ecBadArgument (status kind 6 or more).
  int CreateTimer();
  int CreateStatus(uint16_t kind);
  // 0 or ecBadTriggerHandle. Activating with ticks 0 runs the timer for the ticks last set;
  // `ticks` receives the ticks it runs for.
  int ArmTimer(int32_t handle, int32_t& ticks, bool activate);
  // 0 or ecBadTriggerHandle. A modem trigger captures the levels of `modemStatus` under its
  // mask; a line-error trigger translates the bits 1, 2, 4, 8 into the error flags. `armed`
  // receives the record as it is now.
  int ArmStatus(int32_t handle, uint16_t value, bool activate, uint8_t modemStatus,
                TStatusTrigger& armed);
  // 0 or ecBadTriggerHandle; `removed` tells what went (and `kind` a status trigger's kind).
  int Delete(int32_t handle, TRemovedKind& removed, uint16_t& kind);

  // The first active timer expired at `now` (ticks) is deactivated; its handle, or 0.
  int32_t FireTimer(int32_t now);
  // The first enabled status trigger not hit whose condition holds is disabled (it fires once
  // per arming) and marked hit; its handle (0 for none), and in `value` what its message
  // carries. A firing output-sent trigger clears `outSent`.
  int32_t FireStatus(uint8_t modemStatus, uint32_t lineErrors, bool& outSent, IOutputLevels& output,
                     uint16_t& value);
  // After a run of status checks: every hit flag cleared, if any trigger fired.
  void ClearHits();
  // A new run of checks starts without the hits of the last.
  void ForgetHitRun() { globalHit_ = false; }
  // Whether an enabled status trigger waits for a modem-line change or a line error.
  bool LinesWatched() const;
  // A timer runs or a status trigger is enabled: they are checked by turns, not on events.
  bool TurnsWanted() const;
  // An input flush resets the data triggers' matching.
  void ResetMatches();

  void Snapshot(TTriggerSave& set) const;
  void Reinstate(const TTriggerSave& set);
  const std::vector<TTimerTrigger>& Timers() const { return timers_; }
  const std::vector<TStatusTrigger>& Statuses() const { return statuses_; }

 private:
  int32_t NewHandle();
  bool Used(int32_t handle) const;
  TTimerTrigger* FindTimer(int32_t handle);
  TStatusTrigger* FindStatus(int32_t handle);

  uint32_t availThreshold_ = 0;
  int32_t handleCounter_ = 1;
  std::vector<TTimerTrigger> timers_;
  std::vector<TDataTrigger> datas_;
  std::vector<TStatusTrigger> statuses_;
  bool globalHit_ = false;
};
