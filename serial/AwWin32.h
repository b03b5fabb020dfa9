// The native serial device layer on Windows: the dispatcher's device operations on a COM device
// opened for overlapped I/O, run by the three threads of TApdDeviceDispatcher per open port.
//
// Com thread: sets the event mask and read timeouts, then waits for driver events with
// WaitCommEvent. A wait ended by a line error (995 where the driver aborts on errors) is asked
// again after the error state is cleared; abort on error itself is cleared at every open and
// every line block written.
//
// An unplugged adapter: the errors its driver answers with mark the device lost, said once
// through the status query (DeviceLost). The com thread then sleeps on its stop event and looks
// twice a second whether the port is back under its COM number (and the same device, where the
// system names it); it opens it again with the line settings, also those changed meanwhile, and
// counts the return. The port stays open meanwhile.
//
// The thread rules are those of TApdDeviceDispatcher.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/Win32Comm.h"
#include "platform/win32/Win32PortEnum.h"
#include "serial/AwDevice.h"
#include "serial/AwFactory.h"

// An event object the dispatcher's threads share.
class TWin32ThreadEvent : public TWinEvent, public IThreadEvent {
 public:
  void Set() override { TWinEvent::Set(); }
  void Reset() override { TWinEvent::Reset(); }
  bool Wait(int timeoutMs) override {
    return TWinEvent::Wait(timeoutMs < 0 ? kWaitForever : static_cast<uint32_t>(timeoutMs));
  }
};

class TApdWin32Dispatcher : public TApdDeviceDispatcher {
 public:
  // `comm` carries the system calls; tests pass a simulated driver.
  explicit TApdWin32Dispatcher(TObject* owner, IWin32Comm& comm = SystemComm());
  ~TApdWin32Dispatcher() override;

  // The event mask the com thread waits with (0 before it started).
  uint32_t EventMask() const { return comMask_.load(); }

  bool DeviceLost() const override { return lost_.load(); }
  uint32_t DeviceReturns() const override { return returns_.load(); }

  // The existence test of a port: opens "\\.\COM<n>" as a port opens it and closes it again at
  // once. 0, or the Win32 error of the failed open.
  static uint32_t ProbePort(int comNumber, IWin32Comm& comm = SystemComm());

 protected:
  int EscapeFunction(int func) override;
  int FlushDevice(int queue) override;
  uint32_t GetDeviceStatus(TComStat& stat) override;
  int GetDeviceState(DCB& block) override;
  int ReadDevice(char* buffer, uint32_t size) override;
  int SetDeviceState(const DCB& block) override;
  bool WaitDeviceEvent(uint32_t& mask) override;
  bool SetupDeviceQueues(uint32_t inSize, uint32_t outSize) override;
  int OpenDeviceHandle(const std::string& name, uint32_t inSize, uint32_t outSize) override;
  int CloseDevice() override;
  uint8_t GetModemLines() override;
  int LastDeviceError() override;

  // Sets the event mask and the read timeouts.
  void PrepareComThread() override;
  // Completes the com thread's pending event wait.
  void WakeComThread() override;
  TOutputWake WaitForOutput() override;
  // An overlapped write; a flush cancels it.
  bool WriteRun(const char* data, uint32_t length, uint32_t& done) override;
  uint64_t CallingThreadId() override;
  void SetThreadPriority(uint64_t threadId, int steps) override;

 private:
  bool CreateEvents();
  void CloseEvents();
  void Fail();
  // Com thread: after a wait the driver aborted (995), clears the driver's error state and keeps
  // the errors for the dispatch thread; the wait is then asked again.
  bool RetryAbortedWait(uint32_t& mask);
  // Marks the device lost when `error` is what an unplugged adapter answers; whether it is.
  bool NoteGone(uint32_t error);
  // Com thread, once the device is lost: closes its handle and reports the loss (ev_ERR).
  bool DropDeadHandle(uint32_t& mask);
  // Com thread: opens the lost device again if it is back.
  void TryReturn();
  void ClearAbortOnError(TWinHandle h);

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
  // Com thread: its event wait's record, mask and event, members so that a driver completing a
  // cancelled wait late still writes into live memory; and the event that ends the wait when the
  // port stops (manual-reset, cleared at each open).
  TWinEvent comWait_;
  TWinOverlapped comRecord_;
  uint32_t comWaitMask_ = 0;
  TWinEvent comStop_;
  std::atomic<uint32_t> lastError_{0};
  // Line errors the com thread cleared, for the next status query.
  std::atomic<uint32_t> pendingErrors_{0};
  // The device as opened, for its return: set before the threads start.
  std::string openName_;
  std::string identity_;  // empty where the system does not tell it
  // The line block last read or written and the queue sizes asked for (devLock_).
  TWinLineBlock lastBlock_;
  bool haveBlock_ = false;
  uint32_t queueSizes_[2] = {0, 0};
  std::atomic<bool> lost_{false};
  std::atomic<uint32_t> returns_{0};
  std::atomic<uint32_t> comMask_{0};

  TWin32ThreadEvent comEvent_;  // the com thread saw an event (auto-reset)
  TWin32ThreadEvent ready_;     // the dispatch thread is done with it (auto-reset)
  TWin32ThreadEvent general_;   // a thread started, a flush was done (auto-reset)
  TWin32ThreadEvent output_;    // the output ring has data (auto-reset)
  TWinEvent sent_;              // the output thread's write completed (manual-reset)
  TWin32ThreadEvent outFlush_;  // flush or stop requested of the output thread (auto-reset)
};

// The ports the system lists (serial-device map and device manager), each confirmed by opening it
// once on a thread of its own, started by Confirm (or by the constructor with `confirmNow`, or by
// the first ProbePort); a number the system does not list is never opened. Names and descriptions
// come from the system list at once; ProbePort waits only for that port's confirmation (at most 3
// s, then the port counts as absent), and after `onSettled` (called once, on a confirming thread,
// when every listed port is confirmed) it never waits. Other calls on the GUI thread.
class TWin32PortList : public IPortList {
 public:
  TWin32PortList(std::vector<TWin32SystemPort> ports, IWin32Comm& comm,
                 std::function<void()> onSettled, bool confirmNow);
  ~TWin32PortList() override;
  TWin32PortList(const TWin32PortList&) = delete;
  TWin32PortList& operator=(const TWin32PortList&) = delete;

  uint32_t ProbePort(int comNumber) override;
  std::string Describe(int comNumber) override;
  std::string Name(int comNumber) override;
  bool Settled();
  // Starts the confirming opens; once.
  void Confirm();

 private:
  void ConfirmPort(int number);

  IWin32Comm& comm_;
  std::map<int, TWin32SystemPort> ports_;
  const std::function<void()> onSettled_;
  std::mutex lock_;
  std::condition_variable confirmed_;
  std::map<int, uint32_t> results_;      // lock_
  size_t unconfirmed_ = 0;               // lock_
  bool confirming_ = false;              // lock_
  std::vector<std::thread> confirmers_;  // lock_ while they are started
};

// The Win32 device layer: these dispatchers, and a TWin32PortList of this system as its ports.
IDeviceLayer& Win32DeviceLayer();
