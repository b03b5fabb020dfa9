// The native serial device layer on POSIX: the dispatcher's device operations on a termios tty,
// run by three threads per open port.
//
// Com thread: waits with poll() for received data, a hang-up or its wake pipe, and looks at the
// modem lines and the driver's line event counts every 50 ms where the device has them. What it
// sees becomes a Win32-style event mask (ev_*), handed to the dispatch thread through the
// com-event; it then waits for ready, so the driver is not asked again before the dispatch
// thread has taken the bytes and sent its notifications.
// Dispatch thread: wakes on the com-event or every 50 ms, reads the device into the receive
// buffer, runs the checks and sends the notifications (blocking window messages to the GUI
// thread).
// Output thread: writes the output ring to the device.
//
// Start order com -> dispatch -> output, stop order output -> com -> dispatch. Stopping waits by
// pumping the window-message facility, so a dispatch thread blocked in a send to the GUI thread
// can finish. A close asked for inside a notification is completed by the dispatch thread when
// it leaves (close pending). Every operation of the base class keeps its thread rules.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "platform/posix/SerialDevice.h"
#include "serial/AwUser.h"

// Error flag of a device status query: the device is gone (a hang-up, an unplugged adapter).
// Outside the five line error bits, so it never shows as a line error code.
constexpr uint32_t ce_IOE = 0x0400;

// An auto-reset event that poll() can wait on together with a descriptor: readable while set.
class TPipeEvent {
 public:
  TPipeEvent() = default;
  ~TPipeEvent() { Close(); }
  TPipeEvent(const TPipeEvent&) = delete;
  TPipeEvent& operator=(const TPipeEvent&) = delete;

  bool Create();
  void Close();
  void Set();
  void Reset();
  // Takes the signal if the event is set.
  bool TryTake();
  // Waits up to `timeoutMs` (negative: without limit) and takes the signal.
  bool Wait(int timeoutMs);
  int Fd() const { return read_; }

 private:
  std::mutex mutex_;
  bool set_ = false;
  int read_ = -1;
  int write_ = -1;
};

class TApdPosixDispatcher : public TApdBaseDispatcher {
 public:
  // `setAttr` writes terminal settings; tests count the writes through it.
  explicit TApdPosixDispatcher(TObject* owner, TSerialDevice::TcSetAttrFn setAttr = ::tcsetattr);
  ~TApdPosixDispatcher() override;

  // The device hung up (unplugged adapter, closed pseudo-terminal master). Reading has stopped;
  // the port must be closed and opened again once the device is back.
  bool Unplugged() const { return unplugged_.load(); }
  bool DeviceLost() const override { return Unplugged(); }

 protected:
  int EscapeFunction(int func) override;
  int FlushDevice(int queue) override;
  uint32_t GetDeviceStatus(TComStat& stat) override;
  int ReportReadError(int code) override;
  int GetDeviceState(DCB& block) override;
  int ReadDevice(char* buffer, uint32_t size) override;
  int SetDeviceState(const DCB& block) override;
  // Copies into the output ring what fits and wakes the output thread; returns the bytes taken.
  int WriteDevice(const char* buffer, uint32_t size) override;
  bool WaitDeviceEvent(uint32_t& mask) override;
  bool SetupDeviceQueues(uint32_t inSize, uint32_t outSize) override;
  void StartThreads() override;
  void StopThreads() override;
  // `name` is "\\.\COM<n>", "COM<n>" (mapped to a path) or a device path.
  int OpenDeviceHandle(const std::string& name, uint32_t inSize, uint32_t outSize) override;
  int CloseDevice() override;
  void YieldDevice() override;
  void ApplyPriorityBoost(int boost) override;
  uint8_t GetModemLines() override;
  int LastDeviceError() override;
  void Rs485Changed() override;

 private:
  enum TThreadKind { tkCom, tkDispatch, tkOutput, tkCount };

  void ComThread();
  void DispatchThread();
  void OutputThread();
  void Launch(TThreadKind kind);
  // The device operations of the thread body around one thread's life.
  void Begin(TThreadKind kind);
  void End(TThreadKind kind);
  bool Alive(TThreadKind kind) const { return alive_[kind].load(); }
  // Tells the com and output threads to stop and waits (pumping) until they have gone.
  void StopDeviceThreads();
  void WriteOutput();
  int NiceFor(TThreadKind kind) const;
  void ApplyNice(TThreadKind kind);
  void CloseEvents();

  // Com thread only: whether to wait for received data (not while the receive buffer is full,
  // because poll() would report the same bytes again at once), whether the device has modem
  // lines or line counts to look at, and the line levels last seen.
  bool comArmed_ = true;
  bool comWatch_ = false;
  uint8_t comLines_ = 0;

  // Guards device_ against concurrent calls; innermost lock, never held across a wait.
  std::mutex devLock_;
  TSerialDevice device_;
  std::atomic<int> lastError_{0};
  std::atomic<bool> unplugged_{false};
  std::atomic<uint32_t> pendingErrors_{0};
  std::atomic<uint32_t> eventMask_{0};
  std::atomic<bool> stop_{false};

  TPipeEvent comEvent_;  // the com thread saw an event
  TPipeEvent ready_;     // the dispatch thread is done with it
  TPipeEvent general_;   // a thread started, a flush was done
  TPipeEvent output_;    // the output ring has data
  TPipeEvent outFlush_;  // flush or stop requested of the output thread
  TPipeEvent comWake_;   // ends the com thread's wait for the device
  bool eventsCreated_ = false;
  uint32_t outFlushes_ = 0;  // output lock: counts the flushes of the output ring

  std::thread threads_[tkCount];
  std::atomic<bool> alive_[tkCount] = {false, false, false};
  std::atomic<pid_t> tids_[tkCount] = {0, 0, 0};
  std::atomic<int> boost_{0};
  std::atomic<bool> rs485_{false};
  int baseNice_ = 0;
};
