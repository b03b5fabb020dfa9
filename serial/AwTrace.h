// Hook points through which a dispatcher feeds its character trace and its dispatch log.
//
// The dispatcher calls these only while tracing (logging) is switched on, always under its
// dispatcher lock; the recorders themselves plug in by deriving from TApdTraceHooks. The default
// hooks record nothing.
#pragma once

#include <cstdint>

// Entry types of the dispatch log.
enum TDispatchType : uint8_t {
  dtNone = 0,
  dtDispatch = 1,
  dtTrigger = 2,
  dtError = 3,
  dtThread = 4,
  dtTriggerAlloc = 5,
  dtTriggerDispose = 6,
  dtTriggerHandlerAlloc = 7,
  dtTriggerHandlerDispose = 8,
  dtTriggerDataChange = 9,
  dtUser = 19,
};

// Sub-types of the dispatch log.
enum TDispatchSubType : uint8_t {
  dstNone = 0,
  dstReadCom = 1,
  dstWriteCom = 2,
  dstLineStatus = 3,
  dstModemStatus = 4,
  dstAvail = 5,
  dstTimer = 6,
  dstData = 7,
  dstStatus = 8,
  dstThreadStart = 9,
  dstThreadExit = 10,
  dstThreadSleep = 11,
  dstThreadWake = 12,
  dstDataTrigger = 13,
  dstTimerTrigger = 14,
  dstStatusTrigger = 15,
  dstAvailTrigger = 16,
  dstWndHandler = 17,
  dstProcHandler = 18,
  dstEventHandler = 19,
};

class TApdTraceHooks {
 public:
  virtual ~TApdTraceHooks() = default;
  // A character passed through the port: kind 'R' received, 'T' transmitted.
  virtual void AddTraceEntry(char /*kind*/, char /*c*/) {}
  // One dispatch log record; `extra` holds `length` attached bytes (may be null when 0).
  virtual void AddDispatchEntry(TDispatchType /*type*/, TDispatchSubType /*subType*/,
                                uint32_t /*data*/, const void* /*extra*/, uint32_t /*length*/) {}
};

// The hooks used while no recorder is attached.
TApdTraceHooks& NoTraceHooks();
