// The native serial device layer on POSIX: the dispatcher's device operations on a termios tty,
// run by the three threads of TApdDeviceDispatcher per open port.
//
// Com thread: waits with poll() for received data, a hang-up or its wake pipe. While a status
// trigger waits for them, it also looks at the modem lines and the driver's line event counts
// every 50 ms where the device has them. What it sees becomes a Win32-style event mask (ev_*).
// Once the device is unplugged it looks twice a second whether it is back under its name, and
// reopens it with the same line settings; the port stays open meanwhile.
//
// What termios lacks is done here: the DTR receive handshake (DTR dropped while more than
// BufferFull received bytes wait to be read, raised again below BufferResume), the DSR output
// flow (output held while DSR is low) and the RTS toggle where the driver has no RS-485 mode.
// A device without modem lines takes these settings and goes on as without them.
//
// The thread rules are those of TApdDeviceDispatcher.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/posix/SerialDevice.h"
#include "platform/posix/SerialPortMap.h"
#include "platform/posix/WakeEvent.h"
#include "serial/AwDevice.h"
#include "serial/AwFactory.h"

// Error flag of a device status query: the device is gone (a hang-up, an unplugged adapter).
// Outside the five line error bits, so it never shows as a line error code.
constexpr uint32_t ce_IOE = 0x0400;

// An auto-reset event of the dispatcher threads that poll() can wait on together with a
// descriptor. Made when the port opens, so that running out of descriptors is an open's failure.
class TPosixThreadEvent : public IThreadEvent {
 public:
  // False when the system has no descriptors left.
  bool Create();
  void Close() { wake_.reset(); }
  void Set() override;
  void Reset() override;
  bool Wait(int timeoutMs) override;
  // Only while created.
  TWakeEvent& Wake() { return *wake_; }

 private:
  std::unique_ptr<TWakeEvent> wake_;
};

// The DTR level of a receive handshake with `fill` received bytes not yet read: dropped above
// `full`, raised again below `resume`, otherwise `raised` as it is.
bool ReceiveHandshakeLevel(bool raised, uint32_t fill, uint32_t full, uint32_t resume);

class TApdPosixDispatcher : public TApdDeviceDispatcher {
 public:
  // `hooks` replace device calls for tests (counting termios writes, fake modem lines);
  // `sources` is where COM names are looked up.
  explicit TApdPosixDispatcher(TObject* owner, TSerialDevice::THooks hooks = {},
                               TPortMapSources sources = TPortMapSources::System());
  ~TApdPosixDispatcher() override;

  // The device hung up (unplugged adapter, closed pseudo-terminal master). Reading has stopped
  // until the device is back under its name.
  bool Unplugged() const { return unplugged_.load(); }
  bool DeviceLost() const override { return Unplugged(); }
  uint32_t DeviceReturns() const override { return returns_.load(); }

 protected:
  int EscapeFunction(int func) override;
  int FlushDevice(int queue) override;
  uint32_t GetDeviceStatus(TComStat& stat) override;
  int GetDeviceState(DCB& block) override;
  int ReadDevice(char* buffer, uint32_t size) override;
  int SetDeviceState(const DCB& block) override;
  bool WaitDeviceEvent(uint32_t& mask) override;
  bool SetupDeviceQueues(uint32_t inSize, uint32_t outSize) override;
  // `name` is "\\.\COM<n>", "COM<n>" (mapped to a path) or a device path.
  int OpenDeviceHandle(const std::string& name, uint32_t inSize, uint32_t outSize) override;
  int CloseDevice() override;
  uint8_t GetModemLines() override;
  int LastDeviceError() override;
  void LinesWatchChanged() override;

  void PrepareComThread() override;
  // Also keeps the receive handshake while the dispatch thread is busy.
  void WaitForReady() override;
  void DispatchTurnDone() override;
  // The receive handshake follows the fill by turns.
  bool DeviceWantsTurns() override { return receiveFlow_.load(); }
  void WakeComThread() override;
  TOutputWake WaitForOutput() override;
  // Waits for DSR where the output flow asks for it, and toggles RTS by hand around a send.
  bool WriteRun(const char* data, uint32_t length, uint32_t& done) override;
  void OutputDrained() override;
  void ThreadsStarting() override;
  uint64_t CallingThreadId() override;
  void SetThreadPriority(uint64_t threadId, int steps) override;

 private:
  // Output thread: holds the output while DSR flow is on and DSR low; false when a flush or stop
  // ended the wait.
  bool WaitForDsr();
  // Output thread: waits until what was written has left the line, or a flush.
  void WaitTransmitted();
  // Output thread: RTS toggled by hand, raised for the first byte of a send and dropped once the
  // last has left the line.
  void RaiseRts();
  void DropRts();
  // Drops or raises DTR for the receive handshake by the fill level (dispatch and com thread).
  void UpdateReceiveFlow();
  // Com thread: opens the device again if it is back.
  void TryResume();
  // What a COM name stands for now; a path stays itself.
  std::string ResolvePath(const std::string& name) const;
  void CloseEvents();

  // Com thread only: whether to wait for received data (not while the receive buffer is full,
  // because poll() would report the same bytes again at once), whether the device has modem
  // lines or line counts to look at, and the line levels last seen.
  bool comArmed_ = true;
  bool comWatchable_ = false;
  uint8_t comLines_ = 0;

  // The handshakes done here, as the last applied line block asks for them (flowLock_, taken
  // before devLock_ and without any dispatcher lock held inside it).
  struct TFlowState {
    bool DtrHandshake = false;
    bool DtrLow = false;  // dropped by the receive handshake
    uint32_t Full = 0;
    uint32_t Resume = 0;
  };
  std::mutex flowLock_;
  TFlowState flow_;
  std::atomic<bool> receiveFlow_{false};
  std::atomic<bool> dsrFlow_{false};

  // Guards device_ against concurrent calls; innermost lock, never held across a wait.
  std::mutex devLock_;
  TSerialDevice device_;
  const TPortMapSources sources_;
  std::string openName_;  // set before the threads start
  std::atomic<uint32_t> returns_{0};
  std::atomic<int> lastError_{0};
  std::atomic<bool> unplugged_{false};
  std::atomic<uint32_t> pendingErrors_{0};

  TPosixThreadEvent comEvent_;  // the com thread saw an event
  TPosixThreadEvent ready_;     // the dispatch thread is done with it
  TPosixThreadEvent general_;   // a thread started, a flush was done
  TPosixThreadEvent output_;    // the output ring has data
  TPosixThreadEvent outFlush_;  // flush or stop requested of the output thread
  TPosixThreadEvent comWake_;   // ends the com thread's wait for the device
  bool eventsCreated_ = false;

  bool rtsRaised_ = false;  // output thread
  int baseNice_ = 0;        // the process's nice value when the threads started
};

// The POSIX device layer: these dispatchers, and the ports of the COM number map read from
// `sources`. Thread rules of IDeviceLayer.
class TPosixDeviceLayer : public IDeviceLayer {
 public:
  explicit TPosixDeviceLayer(TPortMapSources sources) : sources_(std::move(sources)) {}
  std::unique_ptr<TApdBaseDispatcher> CreateDispatcher(TApdCustomComPort* owner) override;
  std::unique_ptr<IPortList> Ports() override;

 private:
  const TPortMapSources sources_;
};

// A layer on the system's environment and devices, without a program directory (tests).
IDeviceLayer& PosixDeviceLayer();
