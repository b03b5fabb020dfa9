#include "serial/AwDevice.h"

#include <algorithm>
#include <chrono>
#include <system_error>

#include "base/Exception.h"
#include "serial/AdPort.h"

namespace {

constexpr int kTurnMs = 50;  // the dispatch thread's timer turn
// With nothing armed that needs turns, the dispatch thread sleeps until an event, a trigger
// armed or a stop wakes it, and looks by itself only this often.
constexpr int kIdleWaitMs = 1000;
constexpr int kThreadStartMs = 3000;
constexpr uint32_t kFlushWaitMs = 5000;

// The dispatcher whose dispatch thread is the calling thread: that thread cannot wait for itself.
thread_local const TApdDeviceDispatcher* tlsDispatchThreadOf = nullptr;

// Pumps the window messages until `done` or until `timeoutMs` passed.
template <typename Done>
void PumpAtMost(uint32_t timeoutMs, Done done) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  WndMsg().PumpUntil([&] { return done() || std::chrono::steady_clock::now() >= end; });
}

// Runs `body`; an exception escaping it is shown on the GUI thread instead of ending the program.
template <typename F>
void Reported(F&& body) {
  try {
    body();
  } catch (const std::exception& e) {
    ShowApplicationExceptionLater(e);
  } catch (...) {
    ShowApplicationExceptionLater(Exception("Unknown exception"));
  }
}

}  // namespace

TApdDeviceDispatcher::TApdDeviceDispatcher(TObject* owner, TThreadEvents events, uint32_t maxWrite)
    : TApdBaseDispatcher(owner), events_(events), maxWrite_(maxWrite) {}

TApdDeviceDispatcher::~TApdDeviceDispatcher() {
  // Every thread has left its body; joining only waits for the last instructions after it.
  for (auto& t : threads_)
    if (t.joinable()) t.join();
}

// ---------------------------------------------------------------------------------------------
// Start and stop

void TApdDeviceDispatcher::StartThreads() {
  if (ThreadsRunning()) throw Exception("Dispatcher already started");
  SetThreadsRunning(true);
  stop_.store(false);
  ThreadsStarting();
  Launch(tkCom);
  Launch(tkDispatch);
  Launch(tkOutput);
}

void TApdDeviceDispatcher::Launch(TThreadKind kind) {
  if (threads_[kind].joinable()) threads_[kind].join();
  // Counted before the thread runs, so that a thread ending early never finds the count at 0
  // while its siblings are still to start.
  alive_[kind].store(true);
  ThreadStarted();
  try {
    threads_[kind] = std::thread([this, kind] { RunThread(kind); });
  } catch (const std::system_error&) {
    alive_[kind].store(false);
    ThreadEnded();
    return;
  }
  // A thread that does not report within the time does not stop the open. No window message is
  // handled meanwhile: the user's clicks wait until the port is open (a second Start here would
  // free the dispatcher that is opening), and the new threads send nothing before the port has
  // its window.
  events_.General.Wait(kThreadStartMs);
}

void TApdDeviceDispatcher::RunThread(TThreadKind kind) {
  if (kind == tkDispatch) tlsDispatchThreadOf = this;
  bool begun = false;
  Reported([&] {
    if (kind == tkCom) PrepareComThread();
    Begin(kind);
    begun = true;
    switch (kind) {
      case tkCom:
        ComThread();
        break;
      case tkDispatch:
        DispatchThread();
        break;
      default:
        OutputThread();
        break;
    }
  });
  if (!begun) events_.General.Set();
  if (kind == tkDispatch) {
    // A close asked for inside a notification is completed here, after the handler returned.
    Reported([this] {
      if (ClosePending()) ReleaseBuffers();
    });
    tlsDispatchThreadOf = nullptr;
  }
  End(kind);
}

void TApdDeviceDispatcher::Begin(TThreadKind kind) {
  tids_[kind].store(CallingThreadId());
  if (PrioritySteps(kind) != 0) ApplyPriority(kind);
  events_.General.Set();
  WndMsg().Wake();
}

void TApdDeviceDispatcher::End(TThreadKind kind) {
  tids_[kind].store(0);
  alive_[kind].store(false);
  // The last touch of the dispatcher; the destructor joins the thread after this.
  ThreadEnded();
}

void TApdDeviceDispatcher::StopDeviceThreads() {
  if (!ThreadsRunning()) return;
  stop_.store(true);
  events_.OutFlush.Set();
  WakeComThread();
  events_.Ready.Set();
  events_.General.Reset();
  WndMsg().PumpUntil([this] { return !Alive(tkCom) && !Alive(tkOutput); });
}

void TApdDeviceDispatcher::StopThreads() {
  if (!ThreadsRunning()) return;
  stop_.store(true);
  events_.ComEvent.Set();
  if (Alive(tkOutput)) {
    events_.OutFlush.Set();
    WndMsg().PumpUntil([this] { return !Alive(tkOutput); });
  }
  if (Alive(tkCom)) {
    WakeComThread();
    events_.Ready.Set();
    events_.General.Reset();
    WndMsg().PumpUntil([this] { return !Alive(tkCom); });
  }
  if (tlsDispatchThreadOf != this) WndMsg().PumpUntil([this] { return !Alive(tkDispatch); });
}

// ---------------------------------------------------------------------------------------------
// Com and dispatch threads

void TApdDeviceDispatcher::ComThread() {
  for (;;) {
    uint32_t mask = 0;
    // A failed wait ends the thread.
    if (!WaitDeviceEvent(mask) || stop_.load()) break;
    if (mask == 0) continue;
    if (mask & (ev_RING | ev_RINGTE)) SetRingFlag();
    eventMask_.store(mask);
    handedOver_.store(true);
    events_.ComEvent.Set();
    WaitForReady();
    if (stop_.load()) break;
  }
}

void TApdDeviceDispatcher::WaitForReady() {
  events_.Ready.Wait(-1);
}

void TApdDeviceDispatcher::DispatchThread() {
  while (!stop_.load()) {
    events_.ComEvent.Wait(TurnsWanted() || DeviceWantsTurns() ? kTurnMs : kIdleWaitMs);
    if (stop_.load()) break;
    // The event also wakes the thread for a trigger armed or a stop; only a hand-over counts.
    const bool event = handedOver_.exchange(false);
    // Also without an event: bytes the driver holds are taken at the latest on the next turn,
    // and bytes left in the driver while the receive buffer was full once the application has
    // made room.
    DispatchEvents(event ? eventMask_.load() : 0);
    // Only an event handed over is answered; a ready without one would let the com thread pass
    // its next hand-over unanswered, overwrite an event mask not yet taken and report the same
    // unread bytes again at once.
    if (event) events_.Ready.Set();
    DispatchTimers();
    DispatchTurnDone();
    if (ClosePending()) break;
  }
}

// ---------------------------------------------------------------------------------------------
// Output ring and output thread

int TApdDeviceDispatcher::WriteDevice(const char* buffer, uint32_t size) {
  uint32_t taken;
  {
    std::lock_guard lock(OutputLock());
    taken = OutputRing().Put(buffer, size);
  }
  if (taken > 0) events_.Output.Set();
  return static_cast<int>(taken);
}

void TApdDeviceDispatcher::DiscardOutput() {
  if (Alive(tkOutput)) {
    events_.General.Reset();
    events_.OutFlush.Set();
    PumpAtMost(kFlushWaitMs, [this] { return events_.General.Wait(0) || !Alive(tkOutput); });
  }
  std::lock_guard lock(OutputLock());
  OutputRing().Clear();
}

void TApdDeviceDispatcher::AnswerFlush() {
  events_.General.Set();
  WndMsg().Wake();
}

void TApdDeviceDispatcher::OutputThread() {
  while (!stop_.load() && !ClosePending()) {
    switch (WaitForOutput()) {
      case TOutputWake::Output:
        if (stop_.load()) return;
        WriteOutput();
        break;
      case TOutputWake::Flush:
        AnswerFlush();
        break;
      case TOutputWake::Failed:
        return;
    }
  }
}

void TApdDeviceDispatcher::WriteOutput() {
  for (;;) {
    uint32_t length;
    uint32_t clears;
    {
      std::lock_guard lock(OutputLock());
      const TApdOutputRing& ring = OutputRing();
      clears = ring.Clears();
      if (ring.Empty()) return OutputDrained();
      const char* run;
      length = ring.NextRun(maxWrite_, run);
      // The driver may read the bytes after the write call returned: they stay in a buffer of
      // this thread's until the write has completed.
      outChunk_.assign(run, run + length);
    }
    uint32_t done = 0;
    if (!WriteRun(outChunk_.data(), length, done)) return;
    std::lock_guard lock(OutputLock());
    // A flush meanwhile emptied the ring; what was written came from before it.
    if (clears != OutputRing().Clears()) continue;
    OutputRing().Consume(std::min(done, length));
  }
}

// ---------------------------------------------------------------------------------------------
// Priorities

int TApdDeviceDispatcher::PrioritySteps(TThreadKind kind) const {
  // RS-485 puts the output thread one step above the others, for the turnaround.
  return boost_.load() + (kind == tkOutput && rs485_.load() ? 1 : 0);
}

void TApdDeviceDispatcher::ApplyPriority(TThreadKind kind) {
  uint64_t tid = tids_[kind].load();
  if (tid != 0) SetThreadPriority(tid, PrioritySteps(kind));
}

void TApdDeviceDispatcher::ApplyPriorityBoost(int boost) {
  if (boost == boost_.load()) return;
  TApdBaseDispatcher::ApplyPriorityBoost(boost);
  boost_.store(boost);
  for (auto kind : {tkCom, tkDispatch, tkOutput}) ApplyPriority(kind);
}

void TApdDeviceDispatcher::Rs485Changed() {
  rs485_.store(Rs485Mode());
  ApplyPriority(tkOutput);
}
