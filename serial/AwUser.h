// The device-independent dispatcher behind an open port: the receive buffer, triggers and their
// checks, the notification of the trigger windows, and the line settings.
//
// Threads: the GUI thread runs every public operation (the port component's calls and the event
// handlers inside a notification). A device layer's dispatch thread runs DispatchEvents and
// DispatchTimers (and through them ReadDeviceIntoBuffer, the checks and Notify); its event
// thread may call SetRingFlag. Locks nest only input -> dispatcher -> output; none is held while
// a notification is sent, so handlers may call every operation.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "base/Event.h"
#include "platform/SerialLine.h"
#include "serial/AwOutputRing.h"
#include "serial/AwReceiveRing.h"
#include "serial/AwTrace.h"
#include "serial/AwTriggers.h"
#include "serial/AwWndMsg.h"
#include "serial/OoMisc.h"

// Trigger messages sent to the window handlers; the high word of lParam is the dispatcher index.
constexpr UINT MsgTriggerAvail = 0x7E01;
constexpr UINT MsgTriggerData = 0x7E02;
constexpr UINT MsgTriggerTimer = 0x7E03;
constexpr UINT MsgTriggerStatus = 0x7E04;
constexpr UINT MsgPortOpen = 0x7E08;
constexpr UINT MsgPortClose = 0x7E09;
constexpr UINT MsgClosePending = 0x7E0A;

// Device events a device layer reports to DispatchEvents.
enum : uint32_t {
  ev_RXCHAR = 0x0001,
  ev_CTS = 0x0008,
  ev_DSR = 0x0010,
  ev_RLSD = 0x0020,
  ev_BREAK = 0x0040,
  ev_ERR = 0x0080,
  ev_RING = 0x0100,
  ev_RINGTE = 0x2000,  // ring trailing edge
};

// Open options: DTR and RTS levels, and which of them the hardware handshake drives.
enum : uint32_t {
  ooDtr = 0x01,
  ooRts = 0x02,
  ooDtrHandshake = 0x10,
  ooRtsHandshake = 0x20,
};

// Kinds for RecomputeHandlerService.
enum : int { hsKeep = 0, hsInstall = 1, hsUninstall = 2 };

constexpr uint32_t NotifyTimeoutMs = 3000;

// The receive ring, the output ring and the trigger table are value types of their own; the
// dispatcher adds the locks, the device, the log and the notification around them.
class TApdBaseDispatcher : public TObject, private IOutputLevels {
 public:
  explicit TApdBaseDispatcher(TObject* owner);
  // The owner calls ShutdownDispatcher before freeing the dispatcher, and a derived dispatcher
  // in its own destructor for owners that did not; this destructor then only unregisters and
  // frees.
  ~TApdBaseDispatcher() override;
  TApdBaseDispatcher(const TApdBaseDispatcher&) = delete;
  TApdBaseDispatcher& operator=(const TApdBaseDispatcher&) = delete;

  TObject* Owner() const { return owner_; }
  // Slot in the process-wide dispatcher list.
  int DispatcherIndex() const { return index_; }
  int DeviceHandle() const { return cid_; }
  const std::string& PortName() const { return portName_; }
  void SetPortName(std::string name) { portName_ = std::move(name); }

  // ---- Opening and closing (GUI thread) ----
  // Opens the device, sets the line and starts the threads. 0 or a negative code; a failure
  // after the device was opened closes it again.
  int OpenDevicePort(const std::string& name, int32_t baud, uint8_t parity, uint16_t dataBits,
                     uint16_t stopBits, uint32_t inSize, uint32_t outSize, uint32_t options);
  // Flushes and closes the device; inside a notification the release is left to the dispatch
  // thread (close pending), otherwise the threads are stopped and the buffers freed.
  void CloseDevicePort();
  // Completes a close and waits, pumping window messages, until no device thread is left.
  // Owners call it before freeing the dispatcher; calling it again does nothing.
  void ShutdownDispatcher();

  // ---- Receive buffer (GUI thread; input lock) ----
  // The n-th unread byte (1 = next), or ecBufferIsEmpty.
  int PeekByte(uint32_t n, char& c);
  // The next byte; during an avail notification only reads ahead. 0 or ecBufferIsEmpty.
  int ReadChar(char& c);
  // `count` bytes the way ReadChar takes them; fails as a whole (ecBufferIsEmpty) when fewer
  // are stored. Returns the count.
  int GetBlock(char* block, uint32_t count);
  // The next `count` unread bytes without taking them; ecBufferIsEmpty when fewer are stored.
  int PeekBlock(char* block, uint32_t count);
  // Stored bytes, less those read ahead during an avail notification.
  uint32_t InputCount();
  bool ReceiveBufferFull();
  uint32_t OutputCount() override;
  uint32_t OutputFree() override;
  int FlushInput();
  int FlushOutput();

  // ---- Handlers and triggers (GUI thread; dispatcher lock) ----
  void AddWindowHandler(HWND window);
  void RemoveWindowHandler(HWND window);
  virtual void RecomputeHandlerService(int kind);
  bool HandlerServiceNeeded();
  void SetAvailThreshold(uint32_t threshold);
  uint32_t AvailThreshold();
  int CreateTimerTrigger();
  int CreateStatusTrigger(uint16_t kind);
  int ArmTimerTrigger(int32_t handle, int32_t ticks, bool activate);
  int ArmStatusTrigger(int32_t handle, uint16_t value, bool activate);
  int DeleteTrigger(int32_t handle);
  void SnapshotTriggers(TTriggerSave& set);
  void ReinstateTriggers(const TTriggerSave& set);
  // Asks the device for new queue sizes (the buffers keep their size); whether it agreed.
  bool ResizeDeviceQueues(uint32_t inSize, uint32_t outSize) {
    return SetupDeviceQueues(inSize, outSize);
  }
  // Added to the priority of the device threads.
  void SetPriorityBoost(int boost) { ApplyPriorityBoost(boost); }
  void SetOptionFlag(uint32_t bits);
  void ClearOptionFlag(uint32_t bits);
  uint32_t OptionFlags();
  // Copies of the trigger records, for inspection.
  std::vector<TTimerTrigger> TimerTriggers();
  std::vector<TStatusTrigger> StatusTriggers();

  // ---- Line settings, handshake and line signals (dispatcher lock) ----
  // Keep values: baud 0, parity 5, stop bits 3, data bits 9.
  int SetLine(int32_t baud, uint8_t parity, uint16_t stopBits, uint16_t dataBits);
  void GetLine(int32_t& baud, uint8_t& parity, uint16_t& dataBits, uint16_t& stopBits);
  int ApplyLineBlock(const DCB& block);
  int SetDtr(bool on);
  int SetRts(bool on);
  int SetHardwareFlow(uint32_t full, uint32_t resume, uint32_t options);
  int SetSoftwareFlow(uint32_t full, uint32_t resume, uint32_t directions);
  int SoftwareFlowOff();
  int SetFlowChars(char xon, char xoff);
  void GetFlowOptions(uint32_t& hardware, uint32_t& software, char& xon, char& xoff);
  uint8_t GetModemStatus(uint8_t keepMask);
  bool CtsOn();
  bool DsrOn();
  bool DcdOn();
  bool RingTrailingEdge();
  int LastLineError();
  bool BreakReceived();
  // The device went away while open (an unplugged adapter): reading has stopped, and only
  // closing the port and opening it again once the device is back helps.
  virtual bool DeviceLost() const { return false; }
  // How often the lost device came back and was opened again with the same settings.
  virtual uint32_t DeviceReturns() const { return 0; }
  void RefreshStatus();
  int SetRs485(bool on);
  bool Rs485Mode();
  bool DtrHandshake();
  bool RtsHandshake();
  uint32_t LastBaud();
  // The cached line block as last read or written.
  DCB LineBlock();

  // ---- Trace and dispatch log (any thread) ----
  // The trace records every character ReadChar returns; the log records what the dispatcher
  // does, timed from the opening of the port. The log belongs to the dispatcher lock; the trace
  // to the input lock and the dispatcher lock together, so that ReadChar, which holds the input
  // lock, records a character without locking again. A file is written under the locks, so the
  // dispatcher threads wait for it; see TApdTraceRecorder and TApdDispatchLogRecorder for the
  // rings and the file rules. Dump and append give 0 or the negated I/O error number;
  // `written` (when given) tells whether a file was written: an empty recorder writes none.
  int StartTracing(uint32_t entries);
  void ClearTracing();
  void PauseTracing();
  void ResumeTracing();
  void StopTracing();
  int DumpTrace(const std::string& fileName, bool inHex, bool allHex, bool* written = nullptr);
  // Writes the trace to `fileName`, replacing the file or appended to it.
  int WriteTrace(const std::string& fileName, bool append, bool inHex, bool allHex, bool* written);
  int StartLogging(uint32_t bytes);
  void ClearLogging();
  void PauseLogging();
  void ResumeLogging();
  void StopLogging();
  int DumpLog(const std::string& fileName, bool inHex, bool allHex, bool* written = nullptr);
  int WriteLog(const std::string& fileName, bool append, bool inHex, bool allHex, bool* written);
  // Whether the recorder is recording (started and not paused).
  bool Tracing();
  bool Logging();
  // Dispatch thread: whether it must look again within a turn although no event arrives: a
  // timer or status trigger is armed, or the receive buffer holds bytes not read yet (an
  // announcement that timed out is made again; a full buffer leaves the rest in the device).
  bool TurnsWanted();

  // Whether the recorder has a ring, recording or paused.
  bool TraceExists();
  bool LogExists();
  // Hands over the recorder with what it holds; this dispatcher's is off afterwards.
  TApdTraceRecorder TakeTrace();
  TApdDispatchLogRecorder TakeLog();
  uint32_t LogStartTime();

  // ---- State ----
  bool Dispatching();
  bool ClosePending();
  bool ThreadsRunning() const { return threadsRunning_.load(); }
  int LiveThreads() const { return liveThreads_.load(); }
  uint32_t InQue() const { return inQue_; }
  uint32_t OutQue() const { return outQue_; }

  // ---- Dispatch thread ----
  // One round for the device events in `eventMask`: modem and line status, reading the device,
  // status and avail checks.
  void DispatchEvents(uint32_t eventMask);
  // The periodic round: status and timer checks.
  void DispatchTimers();
  // Reads what the driver holds into the receive buffer, in at most two parts. Returns whether
  // the buffer is full or data was there.
  bool ReadDeviceIntoBuffer();
  // Whether the handlers consumed exactly what was announced.
  bool AvailCheck();
  bool TimerCheck();
  bool StatusCheck();
  // Sends `msg` to the window handlers; see the notification rules in the implementation.
  bool Notify(UINT msg, WPARAM wParam, uint16_t value);
  // Sets the change bits of the lines whose level moved since the last query.
  void MapModemStatusChange();
  // Event thread: the device reported a ring.
  void SetRingFlag() { ringFlag_.store(true); }

  // Decodes a stored baud rate (legacy encodings included).
  static uint32_t DecodeBaud(uint32_t rate);

 protected:
  // ---- Device operations ----
  virtual int EscapeFunction(int func) = 0;
  // queue: 0 output, 1 input.
  virtual int FlushDevice(int queue) = 0;
  // Fills `stat` and returns the error flags (ce_*).
  virtual uint32_t GetDeviceStatus(TComStat& stat) = 0;
  virtual int ReportReadError(int code) = 0;
  virtual int GetDeviceState(DCB& block) = 0;
  // Bytes read (never waits for data that has not arrived); negative on failure.
  virtual int ReadDevice(char* buffer, uint32_t size) = 0;
  virtual int SetDeviceState(const DCB& block) = 0;
  virtual int WriteDevice(const char* buffer, uint32_t size) = 0;
  virtual bool WaitDeviceEvent(uint32_t& mask) = 0;
  virtual bool SetupDeviceQueues(uint32_t inSize, uint32_t outSize) = 0;
  // Stops the threads if they run (no lock held: a dispatch thread may still need the
  // dispatcher lock to finish), then frees the buffers.
  virtual void ReleaseBuffers();
  virtual void StartThreads() = 0;
  virtual void StopThreads() = 0;
  // A device handle (>= 0), -8 when the layer could not create its events, or another negative
  // value with the reason in LastDeviceError.
  virtual int OpenDeviceHandle(const std::string& name, uint32_t inSize, uint32_t outSize) = 0;
  virtual int CloseDevice() = 0;
  virtual void YieldDevice() = 0;
  virtual void ApplyPriorityBoost(int boost);
  // The modem line levels (msr_Cts, msr_Dsr, msr_Ring, msr_Dcd).
  virtual uint8_t GetModemLines() = 0;
  // The operating-system error of the last failed device call, in Win32 numbering.
  virtual int LastDeviceError() = 0;
  // RS-485 mode changed: the output thread's priority follows it.
  virtual void Rs485Changed() {}
  // Whether an enabled status trigger waits for a modem-line change or a line error: a device
  // layer that must poll the lines for such events polls only then. Any thread.
  bool LinesWatched() const { return linesWatched_.load(); }
  // LinesWatched changed; called with the dispatcher lock held.
  virtual void LinesWatchChanged() {}
  // A trigger that is checked by turns was armed: the dispatch thread must not sleep on.
  virtual void TurnsChanged() {}

  // ---- For device layers ----
  std::recursive_mutex& DispatcherLock() { return dispLock_; }
  std::recursive_mutex& InputLock() { return inLock_; }
  std::recursive_mutex& OutputLock() { return outLock_; }
  void SetDeviceHandle(int cid) { cid_ = cid; }
  void SetThreadsRunning(bool on) { threadsRunning_.store(on); }
  void ThreadStarted() { ++liveThreads_; }
  // Returns the count of threads still alive.
  int ThreadEnded();
  int PriorityBoost() const { return priorityBoost_; }
  // The output ring; take the output lock around every use.
  TApdOutputRing& OutputRing() { return outRing_; }
  // Bytes waiting in the output ring (takes the output lock).
  uint32_t OutBuffUsed();

 private:
  struct TWndHandler {
    HWND Window = 0;
    bool Deleted = false;
  };

  // Both locks of the trace, in their order.
  struct TraceLock {
    explicit TraceLock(TApdBaseDispatcher& d) : input(d.inLock_), dispatcher(d.dispLock_) {}
    std::lock_guard<std::recursive_mutex> input;
    std::lock_guard<std::recursive_mutex> dispatcher;
  };
  // Keeps the flag that lets Log skip the lock in step with the log.
  void LogChanged();
  void Log(TDispatchType type, TDispatchSubType sub, uint32_t data, const void* extra = nullptr,
           uint32_t length = 0);
  uint32_t TakeErrorFlags(TComStat& stat);
  void RemoveAllTriggers();
  void ClearHitFlags();
  bool StatusRun();
  void RecomputeKeep();
  void UpdateLinesWatched();
  static void LineDefaults(DCB& block);
  // Runs `edit` on the cached line block (dispatcher lock held) and applies it; a refused block
  // leaves the cache and the handshake flags as they were.
  template <typename F>
  int ChangeLine(F&& edit);
  void EditHardwareFlow(uint32_t full, uint32_t resume, uint32_t options);
  void EditSoftwareFlow(uint32_t full, uint32_t resume, uint32_t directions);
  void ReleaseNow();

  TObject* owner_;
  int index_ = -1;
  int cid_ = -1;
  std::string portName_;
  bool shutDown_ = false;

  std::recursive_mutex dispLock_;
  std::recursive_mutex outLock_;
  std::recursive_mutex inLock_;

  // receive ring (input lock), output ring (output lock)
  TApdReceiveRing ring_;
  TApdOutputRing outRing_;

  uint32_t inQue_ = 0;
  uint32_t outQue_ = 0;

  // dispatcher lock
  TComStat comStat_;
  TApdTriggers triggers_;
  std::vector<TWndHandler> wndHandlers_;
  bool handlerServiceNeeded_ = false;
  bool portHandlerInstalled_ = false;
  bool dispatching_ = false;
  bool handlerDeleted_ = false;
  std::atomic<bool> closePending_{false};
  bool outSent_ = false;
  uint32_t options_ = 0;

  // line state (dispatcher lock)
  DCB dcb_;
  bool dtrState_ = false;
  bool dtrHandshake_ = false;
  bool rtsState_ = false;
  bool rtsHandshake_ = false;
  uint32_t lastBaud_ = 115200;
  bool rs485_ = false;
  uint8_t modemStatus_ = 0;
  uint32_t lineErrors_ = 0;
  std::atomic<bool> ringFlag_{false};
  std::atomic<bool> linesWatched_{false};

  // trace (input and dispatcher lock) and log (dispatcher lock); the flag mirrors whether the
  // log records
  TApdTraceRecorder trace_;
  TApdDispatchLogRecorder log_;
  std::atomic<bool> logging_{false};
  uint32_t logStart_ = 0;

  std::atomic<bool> threadsRunning_{false};
  std::atomic<int> liveThreads_{0};
  int priorityBoost_ = 0;
};

// The process-wide dispatcher list. The port's hidden window holds the lock while it raises
// events; a slot emptied by a destroyed dispatcher is null.
std::recursive_mutex& DispatcherListLock();
// The dispatcher in slot `index`, or null (take the lock around the use).
TApdBaseDispatcher* DispatcherAt(int index);
int DispatcherListCount();
