// The native serial device layer on Windows: the dispatcher's device operations on a COM device
// opened for overlapped I/O, run by three threads per open port.
//
// Com thread: sets the event mask and read timeouts, then waits for driver events with
// WaitCommEvent. Each event mask is handed to the dispatch thread through the com-event; it then
// waits for ready, so the driver is not asked for the next event before the dispatch thread has
// taken the bytes and sent its notifications.
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

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/Win32Comm.h"
#include "serial/AwFactory.h"
#include "serial/AwUser.h"

class TApdWin32Dispatcher : public TApdBaseDispatcher {
 public:
  // `comm` carries the system calls; tests pass a simulated driver.
  explicit TApdWin32Dispatcher(TObject* owner, IWin32Comm& comm = SystemComm());
  ~TApdWin32Dispatcher() override;

  // The event mask the com thread waits with (0 before it started).
  uint32_t EventMask() const { return comMask_.load(); }

  // The existence test of a port: a dispatcher of no port opens "\\.\COM<n>" with 64-byte
  // queues and closes it again at once. 0, or the Win32 error of the failed open.
  static uint32_t ProbePort(int comNumber, IWin32Comm& comm = SystemComm());

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
  void Begin(TThreadKind kind);
  void End(TThreadKind kind);
  bool Alive(TThreadKind kind) const { return alive_[kind].load(); }
  // Tells the com and output threads to stop and waits (pumping) until they have gone.
  void StopDeviceThreads();
  void WriteOutput();
  int PriorityStep(TThreadKind kind) const;
  void ApplyPriority(TThreadKind kind);
  bool CreateEvents();
  void CloseEvents();
  void Fail();

  IWin32Comm& comm_;
  // Guards the handle and the read record against a concurrent close; innermost lock, held only
  // for one device call (a read at most a second).
  std::mutex devLock_;
  TWinHandle handle_;
  TWinEvent readEvent_;
  TWinOverlapped readRecord_;
  // Bytes the driver held at the last status query, less those read since: a read never asks
  // for more, so that it completes at once also where an overlapped read would wait for data.
  std::atomic<uint32_t> inQueue_{0};
  // Com thread: its event wait's record and event.
  TWinEvent comWait_;
  TWinOverlapped comRecord_;
  std::atomic<uint32_t> lastError_{0};
  std::atomic<uint32_t> eventMask_{0};
  std::atomic<uint32_t> comMask_{0};
  std::atomic<bool> stop_{false};

  TWinEvent comEvent_;          // the com thread saw an event (auto-reset)
  TWinEvent ready_;             // the dispatch thread is done with it (auto-reset)
  TWinEvent general_;           // a thread started, a flush was done (auto-reset)
  TWinEvent output_;            // the output ring has data (auto-reset)
  TWinEvent sent_;              // the output thread's write completed (manual-reset)
  TWinEvent outFlush_;          // flush or stop requested of the output thread (auto-reset)
  uint32_t outFlushes_ = 0;     // output lock: counts the flushes of the output ring
  std::vector<char> outChunk_;  // output thread: the bytes of the write in progress

  std::thread threads_[tkCount];
  std::atomic<bool> alive_[tkCount] = {false, false, false};
  std::atomic<uint32_t> tids_[tkCount] = {0, 0, 0};
  std::atomic<int> boost_{0};
  std::atomic<bool> rs485_{false};
};

// The Win32 device layer: these dispatchers, and the ports of the system's serial-device map
// (only the COM numbers it names are tested by opening them).
IDeviceLayer& Win32DeviceLayer();
