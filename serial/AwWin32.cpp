#include "serial/AwWin32.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <utility>

#include "base/SysUtils.h"
#include "serial/AdErrCodes.h"
#include "serial/AdPort.h"
#include "serial/AwFactory.h"

namespace {

// A read asks only for bytes the driver reported, so it completes at once; should a driver keep
// it pending anyway, it is cancelled after this long with what has arrived.
constexpr uint32_t kReadWaitMs = 1000;
// A cancelled event wait completes at once; this bounds the wait for it should a driver dawdle.
constexpr uint32_t kCancelWaitMs = 1000;

// Event masks: EV_RXCHAR, EV_CTS, EV_DSR, EV_RLSD, EV_BREAK, EV_ERR, EV_RING; older systems also
// report the ring's trailing edge.
constexpr uint32_t kMaskNT = 0x01F9;
constexpr uint32_t kMaskOther = kMaskNT | ev_RINGTE;

constexpr int kNormalPriorityStep = 3;

// A wait the driver ended without a line error is asked again only after this long, so that a
// driver that ends every wait at once cannot make the com thread spin.
constexpr uint32_t kAbortedRetryMs = 50;
// How long a port list's question waits for a port's confirming open, and what it answers then
// (ERROR_SEM_TIMEOUT).
constexpr int kConfirmWaitMs = 3000;
constexpr uint32_t kSemaphoreTimeout = 121;
// How often a lost device is looked for.
constexpr uint32_t kReturnPollMs = 500;

// Error flag of a device status query: the device is gone. Outside the five line error bits, so
// it never shows as a line error code.
constexpr uint32_t kDeviceGoneFlag = 0x0400;

// What the drivers of an unplugged adapter answer on its open handle: USB CDC drivers access
// denied, others bad command, general failure, device not connected, no such device or device
// removed; a handle the system has already invalidated gives invalid handle. Pending requests
// end with 995 first; the ClearCommError that follows gives one of these. Wine, on a
// pseudo-terminal whose other end has gone, answers not ready and broken pipe, and leaves the
// event wait pending.
bool IsDeviceGone(uint32_t error) {
  switch (error) {
    case 5:     // ERROR_ACCESS_DENIED
    case 6:     // ERROR_INVALID_HANDLE
    case 21:    // ERROR_NOT_READY
    case 22:    // ERROR_BAD_COMMAND
    case 31:    // ERROR_GEN_FAILURE
    case 109:   // ERROR_BROKEN_PIPE
    case 433:   // ERROR_NO_SUCH_DEVICE
    case 1167:  // ERROR_DEVICE_NOT_CONNECTED
    case 1617:  // ERROR_DEVICE_REMOVED
      return true;
    default:
      return false;
  }
}

// The COM number of "\\.\COM<n>" or "COM<n>", 0 for any other name.
int ComNumberOf(const std::string& name) {
  const size_t at = name.rfind("COM");
  if (at == std::string::npos || at + 3 >= name.size()) return 0;
  int n = 0;
  for (size_t i = at + 3; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9' || n > 99999) return 0;
    n = n * 10 + (name[i] - '0');
  }
  return n;
}

// Abort on error never reaches the driver and never enters the cached block.
TWinLineBlock ToWin(const DCB& b) {
  return {b.BaudRate, b.Flags & ~dcb_AbortOnError,
          b.XonLim,   b.XoffLim,
          b.ByteSize, b.Parity,
          b.StopBits, b.XonChar,
          b.XoffChar};
}

DCB FromWin(const TWinLineBlock& w) {
  return {w.BaudRate, w.Flags & ~dcb_AbortOnError,
          w.XonLim,   w.XoffLim,
          w.ByteSize, w.Parity,
          w.StopBits, w.XonChar,
          w.XoffChar};
}

class TWin32DeviceLayer : public IDeviceLayer {
 public:
  std::unique_ptr<TApdBaseDispatcher> CreateDispatcher(TApdCustomComPort* owner) override {
    return std::make_unique<TApdWin32Dispatcher>(owner);
  }
  // Confirmed only when first asked: a list made for a description opens nothing.
  std::unique_ptr<IPortList> Ports() override {
    return std::make_unique<TWin32PortList>(SystemSerialPorts(), SystemComm(), nullptr, false);
  }
};

}  // namespace

IDeviceLayer& Win32DeviceLayer() {
  static TWin32DeviceLayer layer;
  return layer;
}

// ---------------------------------------------------------------------------------------------
// Port list

TWin32PortList::TWin32PortList(std::vector<TWin32SystemPort> ports, IWin32Comm& comm,
                               std::function<void()> onSettled, bool confirmNow)
    : comm_(comm), onSettled_(std::move(onSettled)) {
  for (TWin32SystemPort& p : ports) ports_.emplace(p.ComNumber, std::move(p));
  unconfirmed_ = ports_.size();
  if (confirmNow) Confirm();
}

void TWin32PortList::Confirm() {
  {
    std::lock_guard lock(lock_);
    if (std::exchange(confirming_, true)) return;
    if (unconfirmed_ > 0) {
      // One thread per port: a port that blocks its open (Bluetooth) holds up only itself.
      for (const auto& entry : ports_)
        confirmers_.emplace_back([this, n = entry.first] { ConfirmPort(n); });
      return;
    }
  }
  if (onSettled_) onSettled_();
}

void TWin32PortList::ConfirmPort(int number) {
  const uint32_t result = TApdWin32Dispatcher::ProbePort(number, comm_);
  bool last;
  {
    std::lock_guard lock(lock_);
    results_[number] = result;
    last = --unconfirmed_ == 0;
  }
  confirmed_.notify_all();
  if (last && onSettled_) onSettled_();
}

TWin32PortList::~TWin32PortList() {
  for (std::thread& t : confirmers_) t.join();
}

bool TWin32PortList::Settled() {
  std::lock_guard lock(lock_);
  return confirming_ && unconfirmed_ == 0;
}

uint32_t TWin32PortList::ProbePort(int comNumber) {
  if (ports_.count(comNumber) == 0) return kWin32FileNotFound;
  Confirm();
  std::unique_lock lock(lock_);
  // An open that hangs in its driver makes the port absent rather than the caller wait on.
  if (!confirmed_.wait_for(lock, std::chrono::milliseconds(kConfirmWaitMs),
                           [&] { return results_.count(comNumber) != 0; })) {
    return kSemaphoreTimeout;
  }
  return results_[comNumber];
}

std::string TWin32PortList::Describe(int comNumber) {
  auto it = ports_.find(comNumber);
  if (it == ports_.end()) return Format("COM%d: no device", comNumber);
  const TWin32SystemPort& p = it->second;
  const std::string where = p.Device.empty() ? p.InstanceId : p.Device;
  const std::string name = AdapterName(p);
  if (name.empty()) return Format("COM%d = %s", comNumber, where);
  return Format("COM%d = %s (%s)", comNumber, where, name);
}

std::string TWin32PortList::Name(int comNumber) {
  auto it = ports_.find(comNumber);
  return it == ports_.end() ? std::string() : AdapterName(it->second);
}

uint32_t TApdWin32Dispatcher::ProbePort(int comNumber, IWin32Comm& comm) {
  const TWinHandle h = comm.OpenComm(Format("\\\\.\\COM%d", comNumber));
  if (h == InvalidWinHandle()) {
    const uint32_t error = comm.LastError();
    return error != 0 ? error : kWin32NotEnoughMemory;
  }
  comm.CloseHandle(h);
  return 0;
}

// ---------------------------------------------------------------------------------------------
// Life cycle

// Each write hands the whole contiguous part of the output ring to the driver.
TApdWin32Dispatcher::TApdWin32Dispatcher(TObject* owner, IWin32Comm& comm)
    : TApdDeviceDispatcher(owner, {comEvent_, ready_, general_, output_, outFlush_}, UINT32_MAX),
      comm_(comm),
      handle_(InvalidWinHandle()) {}

TApdWin32Dispatcher::~TApdWin32Dispatcher() {
  ShutdownDispatcher();
  CloseEvents();
}

bool TApdWin32Dispatcher::CreateEvents() {
  bool ok = comEvent_.Create(false) && ready_.Create(false) && general_.Create(false) &&
            output_.Create(false) && sent_.Create(true) && outFlush_.Create(false) &&
            comStop_.Create(true) && comWait_.Create(true);
  if (!ok) CloseEvents();
  return ok;
}

void TApdWin32Dispatcher::CloseEvents() {
  TWinEvent* events[] = {&comEvent_, &ready_,    &general_, &output_,
                         &sent_,     &outFlush_, &comStop_, &comWait_};
  for (TWinEvent* e : events) e->Close();
}

void TApdWin32Dispatcher::Fail() {
  lastError_.store(comm_.LastError());
}

bool TApdWin32Dispatcher::NoteGone(uint32_t error) {
  if (!IsDeviceGone(error)) return false;
  // Said once: the dispatch thread takes the flag with the next status query. A com thread
  // whose wait the driver leaves pending is woken to see it.
  if (!lost_.exchange(true)) {
    pendingErrors_ |= kDeviceGoneFlag;
    comWait_.Set();
  }
  return true;
}

bool TApdWin32Dispatcher::DropDeadHandle(uint32_t& mask) {
  // Closed at once, so that the port can be opened again even where the driver only seemed to
  // have lost it (an exclusive open would otherwise refuse our own return).
  std::lock_guard lock(devLock_);
  if (handle_ != InvalidWinHandle()) comm_.CloseHandle(handle_);
  handle_ = InvalidWinHandle();
  comWait_.Reset();  // the wake of NoteGone
  mask = ev_ERR;
  return true;
}

int TApdWin32Dispatcher::OpenDeviceHandle(const std::string& name, uint32_t, uint32_t) {
  if (!comEvent_.Created() && !CreateEvents()) return ecOutOfMemory;
  comStop_.Reset();
  TWinHandle h = comm_.OpenComm(name);
  if (h == InvalidWinHandle()) {
    Fail();
    return -1;
  }
  if (!readEvent_.Create(true)) {
    comm_.CloseHandle(h);
    return ecOutOfMemory;
  }
  ClearAbortOnError(h);
  openName_ = name;
  identity_ = comm_.DeviceIdentity(ComNumberOf(name));
  {
    std::lock_guard lock(devLock_);
    handle_ = h;
    haveBlock_ = false;
  }
  inQueue_.store(0);
  pendingErrors_.store(0);
  lost_.store(false);
  // The dispatcher keeps a number >= 0 for an open device; the handle itself stays here.
  return static_cast<int>(reinterpret_cast<intptr_t>(h) & 0x7FFFFFFF);
}

void TApdWin32Dispatcher::ClearAbortOnError(TWinHandle h) {
  // Left set by a previous program; the line settings that follow may equal the driver's and
  // then are not written at all.
  TWinLineBlock block;
  if (comm_.GetCommState(h, block) && (block.Flags & dcb_AbortOnError) != 0) {
    block.Flags &= ~dcb_AbortOnError;
    comm_.SetCommState(h, block);
  }
}

int TApdWin32Dispatcher::CloseDevice() {
  // The com and output threads use the handle without the device lock (they wait on it), so
  // they go first; neither ever waits for the GUI thread.
  StopDeviceThreads();
  std::lock_guard lock(devLock_);
  bool ok = handle_ == InvalidWinHandle() || comm_.CloseHandle(handle_);
  handle_ = InvalidWinHandle();
  readEvent_.Close();
  return ok ? 0 : -1;
}

// ---------------------------------------------------------------------------------------------
// Device operations

int TApdWin32Dispatcher::EscapeFunction(int func) {
  std::lock_guard lock(devLock_);
  if (handle_ != InvalidWinHandle()) comm_.EscapeCommFunction(handle_, static_cast<uint32_t>(func));
  return 0;
}

int TApdWin32Dispatcher::FlushDevice(int queue) {
  if (queue == 0) DiscardOutput();
  std::lock_guard lock(devLock_);
  if (lost_.load()) return 0;  // a lost device holds nothing to discard
  if (handle_ == InvalidWinHandle()) return -static_cast<int>(kWin32InvalidHandle);
  uint32_t flags = queue == 0 ? kPurgeTxAbort | kPurgeTxClear : kPurgeRxAbort | kPurgeRxClear;
  if (comm_.PurgeComm(handle_, flags)) return 0;
  return -static_cast<int>(comm_.LastError());
}

uint32_t TApdWin32Dispatcher::GetDeviceStatus(TComStat& stat) {
  uint32_t errors = 0, inQueue = 0, outQueue = 0;
  {
    std::lock_guard lock(devLock_);
    if (lost_.load() || handle_ == InvalidWinHandle() ||
        !comm_.ClearCommError(handle_, &errors, &inQueue, &outQueue)) {
      if (!lost_.load() && handle_ != InvalidWinHandle()) NoteGone(comm_.LastError());
      errors = inQueue = 0;
    }
    inQueue_.store(inQueue);  // under the lock, so that it cannot undo a read's count
  }
  errors |= pendingErrors_.exchange(0);
  stat.InQueue = inQueue;
  // What waits for output is what the output thread has not yet handed to the driver.
  stat.OutQueue = OutBuffUsed();
  return errors;
}

int TApdWin32Dispatcher::GetDeviceState(DCB& block) {
  std::lock_guard lock(devLock_);
  TWinLineBlock w;
  if (lost_.load() && haveBlock_) {
    block = FromWin(lastBlock_);
    return 0;
  }
  if (handle_ == InvalidWinHandle() || !comm_.GetCommState(handle_, w)) {
    Fail();
    return -1;
  }
  block = FromWin(w);
  lastBlock_ = ToWin(block);
  haveBlock_ = true;
  return 0;
}

int TApdWin32Dispatcher::SetDeviceState(const DCB& block) {
  std::lock_guard lock(devLock_);
  if (lost_.load()) {
    // Kept for the device's return, which gets this block.
    lastBlock_ = ToWin(block);
    haveBlock_ = true;
    return 0;
  }
  if (handle_ != InvalidWinHandle() && comm_.SetCommState(handle_, ToWin(block))) {
    lastBlock_ = ToWin(block);
    haveBlock_ = true;
    return 0;
  }
  Fail();
  if (NoteGone(lastError_.load())) return 0;
  return -static_cast<int>(lastError_.load());
}

int TApdWin32Dispatcher::ReadDevice(char* buffer, uint32_t size) {
  std::lock_guard lock(devLock_);
  uint32_t wanted = std::min(size, inQueue_.load());
  if (wanted == 0 || lost_.load() || handle_ == InvalidWinHandle()) return 0;
  uint32_t got = 0;
  PrepareOverlapped(readRecord_, readEvent_.Handle());
  if (!comm_.ReadFile(handle_, buffer, wanted, &got, readRecord_)) {
    if (comm_.LastError() != kWin32IoPending) {
      Fail();
      return NoteGone(lastError_.load()) ? 0 : -1;
    }
    if (!readEvent_.Wait(kReadWaitMs)) comm_.CancelIo(handle_);
    if (!comm_.GetOverlappedResult(handle_, readRecord_, &got, true) &&
        comm_.LastError() != kWin32OperationAborted) {
      Fail();
      readEvent_.Reset();
      return NoteGone(lastError_.load()) ? 0 : -1;
    }
  }
  readEvent_.Reset();
  got = std::min(got, wanted);
  inQueue_.store(inQueue_.load() - std::min(inQueue_.load(), got));
  return static_cast<int>(got);
}

bool TApdWin32Dispatcher::SetupDeviceQueues(uint32_t inSize, uint32_t outSize) {
  std::lock_guard lock(devLock_);
  queueSizes_[0] = inSize;
  queueSizes_[1] = outSize;
  if (handle_ != InvalidWinHandle() && comm_.SetupComm(handle_, inSize, outSize)) return true;
  Fail();
  return false;
}

uint8_t TApdWin32Dispatcher::GetModemLines() {
  std::lock_guard lock(devLock_);
  uint32_t status = 0;
  // A device without modem lines (or a failed query) reads as all lines low.
  if (lost_.load() || handle_ == InvalidWinHandle() ||
      !comm_.GetCommModemStatus(handle_, &status)) {
    return 0;
  }
  // MS_CTS_ON, MS_DSR_ON, MS_RING_ON and MS_RLSD_ON sit where the level bits of the modem
  // status byte are.
  return static_cast<uint8_t>(status & msr_LevelMask);
}

int TApdWin32Dispatcher::LastDeviceError() {
  return static_cast<int>(lastError_.load());
}

// ---------------------------------------------------------------------------------------------
// Threads

void TApdWin32Dispatcher::WakeComThread() {
  // SetCommMask(0) completes an event wait that is pending, but not one the com thread issues
  // a moment later, between its look at the stop flag and the wait: the stop event ends that.
  comStop_.Set();
  std::lock_guard lock(devLock_);
  if (handle_ != InvalidWinHandle()) comm_.SetCommMask(handle_, 0);
}

bool TApdWin32Dispatcher::WaitDeviceEvent(uint32_t& mask) {
  // Com thread only: the handle stays open until this thread has gone.
  if (lost_.load()) {
    // Lost by the dispatch thread's call while this thread was not waiting.
    if (handle_ != InvalidWinHandle()) return DropDeadHandle(mask);
    // Nothing to wait on: sleep on the stop event and look now and then whether it is back.
    mask = 0;
    if (!comStop_.Wait(kReturnPollMs) && !StopRequested()) TryReturn();
    return true;
  }
  for (;;) {
    mask = comWaitMask_ = 0;
    PrepareOverlapped(comRecord_, comWait_.Handle());
    if (comm_.WaitCommEvent(handle_, &comWaitMask_, comRecord_)) {
      mask = comWaitMask_;
      return true;
    }
    uint32_t error = comm_.LastError();
    if (error == kWin32IoPending) {
      const bool stopping = TWinEvent::WaitAny(comWait_, comStop_, TWinEvent::kWaitForever) != 0;
      if (stopping || lost_.load()) {
        // The record must be done with before the thread leaves it.
        comm_.CancelIo(handle_);
        comWait_.Wait(kCancelWaitMs);
        comWait_.Reset();
        return !stopping && DropDeadHandle(mask);
      }
      uint32_t unused = 0;
      bool ok = comm_.GetOverlappedResult(handle_, comRecord_, &unused, false);
      error = ok ? 0 : comm_.LastError();
      comWait_.Reset();
      mask = comWaitMask_;
      if (ok) return true;
    } else if (error == kWin32InvalidParameter && (comMask_.load() & ev_RINGTE) != 0) {
      // A driver that does not know the ring's trailing edge refuses the whole mask.
      comMask_.store(kMaskNT);
      comm_.SetCommMask(handle_, kMaskNT);
      continue;
    }
    if (error == kWin32OperationAborted && !StopRequested()) return RetryAbortedWait(mask);
    lastError_.store(error);
    if (!StopRequested() && NoteGone(error)) return DropDeadHandle(mask);
    return false;
  }
}

bool TApdWin32Dispatcher::RetryAbortedWait(uint32_t& mask) {
  // A driver that still aborts on a line error refuses every request until ClearCommError; the
  // errors it takes are kept for the next status query, so the line error is still counted.
  uint32_t errors = 0, inQueue = 0, outQueue = 0;
  bool gone = false;
  {
    std::lock_guard lock(devLock_);
    if (comm_.ClearCommError(handle_, &errors, &inQueue, &outQueue))
      inQueue_.store(inQueue);
    else
      gone = NoteGone(comm_.LastError());
  }
  if (gone) return DropDeadHandle(mask);
  errors &= ce_LineErrorMask;
  mask = 0;
  if (errors != 0) {
    pendingErrors_ |= errors;
    mask = ev_ERR;
    if (errors & ce_BREAK) mask |= ev_BREAK;
    if (inQueue > 0) mask |= ev_RXCHAR;
    return true;
  }
  // Ended without a line error (Wine ends waits so on a device without modem lines): ask again
  // a little later rather than at once, handing over what the driver holds meanwhile.
  comStop_.Wait(kAbortedRetryMs);
  if (inQueue > 0) mask = ev_RXCHAR;
  return true;
}

void TApdWin32Dispatcher::TryReturn() {
  const int com = ComNumberOf(openName_);
  if (!identity_.empty()) {
    // Another device that took the number is not this one.
    const std::string now = comm_.DeviceIdentity(com);
    if (!now.empty() && now != identity_) return;
  }
  TWinHandle h = comm_.OpenComm(openName_);
  if (h == InvalidWinHandle()) return;
  TWinLineBlock block;
  bool haveBlock;
  uint32_t inSize, outSize;
  {
    std::lock_guard lock(devLock_);
    block = lastBlock_;
    haveBlock = haveBlock_;
    inSize = queueSizes_[0];
    outSize = queueSizes_[1];
  }
  // The settings of the lost device (also those changed meanwhile), and the waits as at open.
  bool ok = inSize == 0 || comm_.SetupComm(h, inSize, outSize);
  if (ok && haveBlock) {
    block.Flags &= ~dcb_AbortOnError;
    ok = comm_.SetCommState(h, block);
  } else if (ok) {
    ClearAbortOnError(h);
  }
  ok = ok && comm_.SetReadsReturnAtOnce(h) && comm_.SetCommMask(h, comMask_.load());
  if (!ok) {
    comm_.CloseHandle(h);
    return;
  }
  TWinHandle dead;
  {
    std::lock_guard lock(devLock_);
    dead = std::exchange(handle_, h);
    inQueue_.store(0);
    comWait_.Reset();
    lost_.store(false);
  }
  if (dead != InvalidWinHandle()) comm_.CloseHandle(dead);
  if (identity_.empty()) identity_ = comm_.DeviceIdentity(com);
  ++returns_;
}

void TApdWin32Dispatcher::PrepareComThread() {
  comWait_.Reset();
  comMask_.store(comm_.IsWindowsNT() ? kMaskNT : kMaskOther);
  comm_.SetCommMask(handle_, comMask_.load());
  comm_.SetReadsReturnAtOnce(handle_);
}

TApdWin32Dispatcher::TOutputWake TApdWin32Dispatcher::WaitForOutput() {
  switch (TWinEvent::WaitAny(output_, outFlush_, TWinEvent::kWaitForever)) {
    case 0:
      return TOutputWake::Output;
    case 1:
      return TOutputWake::Flush;
    default:
      return TOutputWake::Failed;
  }
}

bool TApdWin32Dispatcher::WriteRun(const char* data, uint32_t length, uint32_t& done) {
  TWinOverlapped record;
  sent_.Reset();
  PrepareOverlapped(record, sent_.Handle());
  TWinHandle h;
  {
    // A returning device changes the handle under this thread.
    std::lock_guard lock(devLock_);
    h = handle_;
  }
  if (lost_.load()) {
    done = length;  // nobody to send to: dropped as a failed write
    return true;
  }
  if (comm_.WriteFile(h, data, length, &done, record)) return true;
  if (comm_.LastError() != kWin32IoPending) {
    done = length;  // a failed write drops the bytes
  } else if (TWinEvent::WaitAny(sent_, outFlush_, TWinEvent::kWaitForever) == 0) {
    if (!comm_.GetOverlappedResult(h, record, &done, false)) done = length;
    sent_.Reset();
  } else {
    // A flush ends the write; it must be over before the buffer may change.
    comm_.CancelIo(h);
    comm_.GetOverlappedResult(h, record, &done, true);
    AnswerFlush();
    return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Priorities

uint64_t TApdWin32Dispatcher::CallingThreadId() {
  return CurrentWinThreadId();
}

void TApdWin32Dispatcher::SetThreadPriority(uint64_t threadId, int steps) {
  SetWinThreadPriority(static_cast<uint32_t>(threadId), kNormalPriorityStep + steps);
}
