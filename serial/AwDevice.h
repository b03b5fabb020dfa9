// What the native device layers share above their devices: the com, dispatch and output threads
// with their hand-over, start and stop, the output ring's filling and draining, and the threads'
// priorities. A device layer adds how it waits for device events and for output, how it reads,
// writes and purges, how it wakes its com thread, and the event objects its waits can wait on.
//
// Com thread: waits for a device event (WaitDeviceEvent) and hands the event mask to the dispatch
// thread through the com-event; it then waits for ready, so the driver is not asked again before
// the dispatch thread has taken the bytes and sent its notifications.
// Dispatch thread: wakes on the com-event or every 50 ms, reads the device into the receive
// buffer, runs the checks and sends the notifications (blocking window messages to the GUI
// thread).
// Output thread: writes the output ring to the device.
//
// Start order com -> dispatch -> output; the start waits for each thread without handling any
// window message. Stop order output -> com -> dispatch. Stopping waits by pumping the
// window-message facility, so a dispatch thread blocked in a send to the GUI thread can finish.
// A close asked for inside a notification is completed by the dispatch thread when it leaves
// (close pending). An exception that escapes a thread ends that thread and is shown on the GUI
// thread. Every operation of the base class keeps its thread rules.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "serial/AwUser.h"

// An auto-reset event between a dispatcher's threads. Each device layer makes its events of what
// its own waits can wait on beside the device (a pipe for poll, an event object for the Win32
// waits).
class IThreadEvent {
 public:
  virtual ~IThreadEvent() = default;
  virtual void Set() = 0;
  virtual void Reset() = 0;
  // Waits up to `timeoutMs` (negative: without limit) and takes the signal; whether it came.
  virtual bool Wait(int timeoutMs) = 0;
};

class TApdDeviceDispatcher : public TApdBaseDispatcher {
 public:
  // Joins the threads, which have all left by then: the derived destructor called
  // ShutdownDispatcher.
  ~TApdDeviceDispatcher() override;

 protected:
  // The events the shared thread code uses; the device layer owns them, creates them when the
  // device is opened and closes them after the threads have gone.
  struct TThreadEvents {
    IThreadEvent& ComEvent;  // the com thread saw an event
    IThreadEvent& Ready;     // the dispatch thread is done with it
    IThreadEvent& General;   // a thread started, a flush was done
    IThreadEvent& Output;    // the output ring has data
    IThreadEvent& OutFlush;  // flush or stop requested of the output thread
  };
  enum TThreadKind { tkCom, tkDispatch, tkOutput, tkCount };
  enum class TOutputWake { Output, Flush, Failed };

  // `events` may be members of the derived class that are not constructed yet; they are used once
  // the device is open. `maxWrite` bounds the bytes one write hands to the device.
  TApdDeviceDispatcher(TObject* owner, TThreadEvents events, uint32_t maxWrite);

  // ---- Device operations done here ----
  // Copies into the output ring what fits and wakes the output thread; returns the bytes taken.
  int WriteDevice(const char* buffer, uint32_t size) override;
  void StartThreads() override;
  void StopThreads() override;
  void ApplyPriorityBoost(int boost) override;
  void Rs485Changed() override;
  // A failed read leaves nothing to report beyond the error kept by the layer.
  int ReportReadError(int) override { return 0; }
  void YieldDevice() override { std::this_thread::yield(); }

  // ---- For the device layer ----
  bool StopRequested() const { return stop_.load(); }
  bool Alive(TThreadKind kind) const { return alive_[kind].load(); }
  // Tells the com and output threads to stop and waits (pumping) until they have gone. CloseDevice
  // calls it before it closes the device, which those threads use without the device lock.
  void StopDeviceThreads();
  // The output part of FlushDevice: ends a write in progress and empties the output ring, also
  // before the output thread runs (an output flush discards output, never input). GUI thread.
  void DiscardOutput();
  // Output thread: tells the flushing thread that its flush is done.
  void AnswerFlush();

  // ---- What the device layer does ----
  // Com thread: before it reports its start (the device's event setup).
  virtual void PrepareComThread() {}
  // Com thread: waits until the dispatch thread has taken the event handed over.
  virtual void WaitForReady();
  // Dispatch thread: after each turn.
  virtual void DispatchTurnDone() {}
  // Dispatch thread: whether the layer's own work needs a turn while no event arrives.
  virtual bool DeviceWantsTurns() { return false; }
  void TurnsChanged() override {
    if (ThreadsRunning()) events_.ComEvent.Set();
  }
  // Ends the com thread's wait for the device; StopRequested() is already true.
  virtual void WakeComThread() = 0;
  // Output thread: waits for the output or the output-flush event and takes it.
  virtual TOutputWake WaitForOutput() = 0;
  // Output thread: writes `length` bytes and sets `done` to the number the ring may drop (a
  // failed write drops them all). False when a flush ended the write; the layer has then
  // answered it.
  virtual bool WriteRun(const char* data, uint32_t length, uint32_t& done) = 0;
  // Output thread: the ring is empty again.
  virtual void OutputDrained() {}
  // GUI thread, before the threads are launched.
  virtual void ThreadsStarting() {}
  // The calling thread's id for SetThreadPriority (0: none, priorities are left alone).
  virtual uint64_t CallingThreadId() = 0;
  // Sets a thread `steps` priority steps above normal (below when negative).
  virtual void SetThreadPriority(uint64_t threadId, int steps) = 0;

 private:
  void Launch(TThreadKind kind);
  // A thread's whole life: its body, what an escaping exception leaves to do, its end.
  void RunThread(TThreadKind kind);
  void Begin(TThreadKind kind);
  void End(TThreadKind kind);
  void ComThread();
  void DispatchThread();
  void OutputThread();
  void WriteOutput();
  int PrioritySteps(TThreadKind kind) const;
  void ApplyPriority(TThreadKind kind);

  TThreadEvents events_;
  const uint32_t maxWrite_;
  std::atomic<bool> stop_{false};
  std::atomic<uint32_t> eventMask_{0};
  std::atomic<bool> handedOver_{false};  // the com thread handed eventMask_ over
  std::vector<char> outChunk_;  // output thread: the bytes of the write in progress

  std::thread threads_[tkCount];
  std::atomic<bool> alive_[tkCount] = {false, false, false};
  std::atomic<uint64_t> tids_[tkCount] = {0, 0, 0};
  std::atomic<int> boost_{0};
  std::atomic<bool> rs485_{false};
};
