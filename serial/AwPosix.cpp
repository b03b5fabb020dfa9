#include "serial/AwPosix.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <system_error>

#include "platform/posix/PortProbe.h"
#include "platform/posix/PosixErrors.h"
#include "platform/posix/SerialPortMap.h"
#include "platform/posix/Termios.h"
#include "platform/posix/ThreadPriority.h"
#include "platform/posix/TtyExtras.h"
#include "serial/AdErrCodes.h"
#include "serial/AdPort.h"
#include "serial/AwFactory.h"

namespace {

// The com thread's look at the modem lines and line counts, and the output thread's at DSR.
constexpr int kTurnMs = 50;
// How often an unplugged device is looked for.
constexpr int kResumeMs = 500;
// The wait for the last bits to leave the line before RTS drops (RTS toggle by hand), and how
// long a line that never drains is waited for.
constexpr int kTransmitPollMs = 2;
constexpr uint32_t kTransmitWaitMs = 5000;
// The most bytes one write hands to the driver.
constexpr uint32_t kMaxWrite = 4096;

}  // namespace

bool ReceiveHandshakeLevel(bool raised, uint32_t fill, uint32_t full, uint32_t resume) {
  if (raised) return fill <= full;
  return fill < resume;
}

namespace {

// One look at the ports: the COM number map read once, each port tested by an exclusive open.
class TPosixPortList : public IPortList {
 public:
  explicit TPosixPortList(const TPortMapSources& sources)
      : map_(std::make_shared<const TSerialPortMap>(sources)), probe_(ExclusiveOpenProbe(map_)) {}
  uint32_t ProbePort(int comNumber) override { return probe_(comNumber); }
  std::string Describe(int comNumber) override { return map_->Describe(comNumber); }
  std::string Name(int comNumber) override { return map_->Lookup(comNumber).Name; }

 private:
  std::shared_ptr<const TSerialPortMap> map_;
  TPortOpenProbe probe_;
};

}  // namespace

std::unique_ptr<TApdBaseDispatcher> TPosixDeviceLayer::CreateDispatcher(TApdCustomComPort* owner) {
  return std::make_unique<TApdPosixDispatcher>(owner, TSerialDevice::THooks{}, sources_);
}

std::unique_ptr<IPortList> TPosixDeviceLayer::Ports() {
  return std::make_unique<TPosixPortList>(sources_);
}

IDeviceLayer& PosixDeviceLayer() {
  static TPosixDeviceLayer layer(TPortMapSources::System());
  return layer;
}

// ---------------------------------------------------------------------------------------------
// TPosixThreadEvent

bool TPosixThreadEvent::Create() {
  try {
    wake_ = std::make_unique<TWakeEvent>();
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void TPosixThreadEvent::Set() {
  if (wake_) wake_->Set();
}

void TPosixThreadEvent::Reset() {
  if (wake_) wake_->Reset();
}

bool TPosixThreadEvent::Wait(int timeoutMs) {
  return wake_ && wake_->Take(timeoutMs);
}

// ---------------------------------------------------------------------------------------------
// Life cycle

TApdPosixDispatcher::TApdPosixDispatcher(TObject* owner, TSerialDevice::THooks hooks,
                                         TPortMapSources sources)
    : TApdDeviceDispatcher(owner, {comEvent_, ready_, general_, output_, outFlush_}, kMaxWrite),
      device_(hooks),
      sources_(std::move(sources)) {}

TApdPosixDispatcher::~TApdPosixDispatcher() {
  ShutdownDispatcher();
  CloseEvents();
}

void TApdPosixDispatcher::CloseEvents() {
  for (TPosixThreadEvent* e : {&comEvent_, &ready_, &general_, &output_, &outFlush_, &comWake_})
    e->Close();
  eventsCreated_ = false;
}

int TApdPosixDispatcher::OpenDeviceHandle(const std::string& name, uint32_t, uint32_t) {
  if (!eventsCreated_) {
    for (TPosixThreadEvent* e : {&comEvent_, &ready_, &general_, &output_, &outFlush_, &comWake_}) {
      if (!e->Create()) {
        CloseEvents();
        return ecOutOfMemory;
      }
    }
    eventsCreated_ = true;
  }
  openName_ = name;
  std::string path = ResolvePath(name);
  uint32_t rc;
  {
    std::lock_guard lock(devLock_);
    rc = device_.Open(path);
  }
  if (rc != 0) {
    lastError_.store(static_cast<int>(rc));
    return -1;
  }
  unplugged_.store(false);
  pendingErrors_.store(0);
  return device_.Fd();
}

std::string TApdPosixDispatcher::ResolvePath(const std::string& name) const {
  // Only COM names need the map (and its scan of /dev); paths are taken as they are.
  return ComNumberOfName(name) != 0 ? TSerialPortMap(sources_).ResolveDeviceName(name) : name;
}

int TApdPosixDispatcher::CloseDevice() {
  // The com and output threads use the descriptor without the device lock (they wait on it), so
  // they go first; neither ever waits for the GUI thread.
  StopDeviceThreads();
  std::lock_guard lock(devLock_);
  device_.Close();
  return 0;
}

// ---------------------------------------------------------------------------------------------
// Device operations

int TApdPosixDispatcher::EscapeFunction(int func) {
  std::lock_guard lock(devLock_);
  device_.EscapeFunction(func);
  return 0;
}

int TApdPosixDispatcher::FlushDevice(int queue) {
  bool ok;
  if (queue == 0) {
    DiscardOutput();
    std::lock_guard lock(devLock_);
    ok = device_.Purge(false, true);
  } else {
    std::lock_guard lock(devLock_);
    ok = device_.Purge(true, false);
  }
  // A closed or unplugged device holds nothing to discard.
  if (ok || unplugged_.load()) return 0;
  if (!device_.IsOpen()) return -static_cast<int>(kWin32InvalidHandle);
  return -static_cast<int>(Win32ErrorFromErrno(errno));
}

uint32_t TApdPosixDispatcher::GetDeviceStatus(TComStat& stat) {
  {
    std::lock_guard lock(devLock_);
    stat.InQueue = device_.InputQueued();
  }
  stat.OutQueue = OutBuffUsed();
  return pendingErrors_.exchange(0);
}

int TApdPosixDispatcher::GetDeviceState(DCB& block) {
  uint32_t rc;
  {
    std::lock_guard lock(devLock_);
    rc = device_.GetLineBlock(block);
  }
  if (rc == 0) return 0;
  lastError_.store(static_cast<int>(rc));
  return -1;
}

int TApdPosixDispatcher::SetDeviceState(const DCB& block) {
  uint32_t rc;
  {
    std::lock_guard flow(flowLock_);
    std::lock_guard lock(devLock_);
    rc = device_.SetLineBlock(block);
    if (rc == 0) {
      const bool dtrHandshake = (block.Flags & dcb_DtrMask) == dcb_DTR_CONTROL_HANDSHAKE;
      // The handshake starts with the far end free to send; the next look at the fill decides.
      if (dtrHandshake && !flow_.DtrHandshake) {
        device_.EscapeFunction(esc_SETDTR);
        flow_.DtrLow = false;
      }
      flow_.DtrHandshake = dtrHandshake;
      flow_.Full = InQue() - std::min<uint32_t>(InQue(), block.XoffLim);
      flow_.Resume = block.XonLim;
      receiveFlow_.store(dtrHandshake);
      dsrFlow_.store((block.Flags & dcb_OutxDsrFlow) != 0);
    }
  }
  if (rc == 0) return 0;
  // Refusals that name their setting travel as the serial error code of that setting.
  if (rc & kLineLibraryCode) return -static_cast<int>(rc & 0xFFFF);
  lastError_.store(static_cast<int>(rc));
  return -static_cast<int>(rc);
}

int TApdPosixDispatcher::ReadDevice(char* buffer, uint32_t size) {
  TSerialDevice::TIoResult r;
  {
    std::lock_guard lock(devLock_);
    r = device_.Read(buffer, size);
  }
  switch (r.Status) {
    case TSerialDevice::TIo::Ok:
      return static_cast<int>(r.Count);
    case TSerialDevice::TIo::Unplugged:
      if (!unplugged_.exchange(true)) pendingErrors_ |= ce_IOE;
      return 0;
    case TSerialDevice::TIo::Failed:
      break;
  }
  lastError_.store(static_cast<int>(r.Error));
  return -1;
}

bool TApdPosixDispatcher::SetupDeviceQueues(uint32_t, uint32_t) {
  // A tty's queues have the driver's sizes; the dispatcher's own buffers are what counts.
  return true;
}

uint8_t TApdPosixDispatcher::GetModemLines() {
  std::lock_guard lock(devLock_);
  return device_.ModemLines();
}

int TApdPosixDispatcher::LastDeviceError() {
  return lastError_.load();
}

// ---------------------------------------------------------------------------------------------
// Threads

void TApdPosixDispatcher::ThreadsStarting() {
  baseNice_ = ProcessNice();
}

void TApdPosixDispatcher::WakeComThread() {
  comWake_.Set();
}

bool TApdPosixDispatcher::WaitDeviceEvent(uint32_t& mask) {
  mask = 0;
  if (unplugged_.load()) {
    // A dead descriptor reports a hang-up for ever: sleep on the wake pipe and look now and then
    // whether the device is back.
    comWake_.Wait(kResumeMs);
    if (!StopRequested()) TryResume();
    return true;
  }
  const bool watch = comWatchable_ && LinesWatched();
  if (!comArmed_) {
    // A full receive buffer leaves the bytes in the driver: poll() would report them again at
    // once. Sleep on the wake pipe instead.
    comWake_.Wait(kTurnMs);
    comArmed_ = true;
  } else {
    switch (device_.Wait(watch ? kTurnMs : -1, comWake_.Wake().Fd())) {
      case TSerialDevice::TWait::Readable:
        mask |= ev_RXCHAR;
        break;
      case TSerialDevice::TWait::Woken:
        comWake_.Reset();
        break;
      case TSerialDevice::TWait::Unplugged:
        if (!unplugged_.exchange(true)) pendingErrors_ |= ce_IOE;
        // Reported once, so that the dispatch thread takes the status with the flag.
        mask |= ev_ERR;
        return true;
      case TSerialDevice::TWait::Timeout:
      case TSerialDevice::TWait::Writable:
        break;
      case TSerialDevice::TWait::Failed:
        lastError_.store(static_cast<int>(Win32ErrorFromErrno(errno)));
        return false;
    }
  }
  if (!watch) return true;
  uint8_t lines;
  uint32_t errors;
  {
    std::lock_guard lock(devLock_);
    lines = device_.ModemLines();
    errors = device_.TakeLineErrors();
  }
  uint8_t moved = lines ^ comLines_;
  comLines_ = lines;
  if (moved & msr_Cts) mask |= ev_CTS;
  if (moved & msr_Dsr) mask |= ev_DSR;
  if (moved & msr_Dcd) mask |= ev_RLSD;
  if (moved & msr_Ring) mask |= (lines & msr_Ring) ? ev_RING : ev_RINGTE;
  if (errors != 0) {
    pendingErrors_ |= errors;
    mask |= ev_ERR;
    if (errors & ce_BREAK) mask |= ev_BREAK;
  }
  return true;
}

void TApdPosixDispatcher::LinesWatchChanged() {
  // The com thread may sleep without a time limit; it picks its next wait by the watch.
  comWake_.Set();
}

void TApdPosixDispatcher::PrepareComThread() {
  std::lock_guard lock(devLock_);
  TLineCounts counts;
  comWatchable_ = device_.HasModemLines() || ReadLineCounts(device_.Fd(), counts);
  comLines_ = device_.ModemLines();
  device_.TakeLineErrors();  // the baseline of the counts
  comArmed_ = true;
}

void TApdPosixDispatcher::TryResume() {
  std::string path = ResolvePath(openName_);
  std::error_code ec;
  if (path.empty() || !std::filesystem::exists(path, ec)) return;
  {
    std::lock_guard flow(flowLock_);
    std::lock_guard lock(devLock_);
    if (device_.Reopen(path) != 0) return;
    // The new descriptor's DTR is the driver's: the receive handshake starts again raised.
    if (flow_.DtrHandshake) {
      device_.EscapeFunction(esc_SETDTR);
      flow_.DtrLow = false;
    }
  }
  PrepareComThread();
  unplugged_.store(false);
  ++returns_;
}

void TApdPosixDispatcher::WaitForReady() {
  // While the dispatch thread is busy nobody reads the device; a receive handshake must still
  // stop the far end when the driver's queue fills meanwhile.
  for (;;) {
    const bool flow = receiveFlow_.load();
    if (ready_.Wait(flow ? kTurnMs : -1) || !flow || StopRequested()) break;
    UpdateReceiveFlow();
  }
  if (!StopRequested()) comArmed_ = !ReceiveBufferFull();
}

void TApdPosixDispatcher::DispatchTurnDone() {
  UpdateReceiveFlow();
}

void TApdPosixDispatcher::UpdateReceiveFlow() {
  if (!receiveFlow_.load()) return;
  // Counted before the flow lock: the input lock must never be taken inside it.
  uint32_t fill = InputCount();
  {
    std::lock_guard lock(devLock_);
    fill += device_.InputQueued();
  }
  std::lock_guard flow(flowLock_);
  if (!flow_.DtrHandshake) return;
  const bool raised = !flow_.DtrLow;
  const bool wanted = ReceiveHandshakeLevel(raised, fill, flow_.Full, flow_.Resume);
  if (wanted == raised) return;
  std::lock_guard lock(devLock_);
  if (device_.EscapeFunction(wanted ? esc_SETDTR : esc_CLRDTR)) flow_.DtrLow = !wanted;
}

TApdPosixDispatcher::TOutputWake TApdPosixDispatcher::WaitForOutput() {
  for (;;) {
    if (TWakeEvent::WaitEither(output_.Wake(), outFlush_.Wake()) < 0) return TOutputWake::Failed;
    if (output_.Wake().TryTake()) return TOutputWake::Output;
    if (outFlush_.Wake().TryTake()) return TOutputWake::Flush;
  }
}

bool TApdPosixDispatcher::WaitForDsr() {
  while (dsrFlow_.load() && !StopRequested()) {
    bool low;
    {
      std::lock_guard lock(devLock_);
      // A line that is not wired holds nothing back.
      low = device_.HasModemLines() && !(device_.ModemLines() & msr_Dsr);
    }
    if (!low) return true;
    if (outFlush_.Wake().WaitSet(kTurnMs)) return false;
  }
  return !StopRequested();
}

void TApdPosixDispatcher::WaitTransmitted() {
  // A line that never drains (its far end holds it) is given up after a while.
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTransmitWaitMs);
  while (std::chrono::steady_clock::now() < end) {
    {
      std::lock_guard lock(devLock_);
      if (device_.TransmitterEmpty()) return;
    }
    if (outFlush_.Wake().WaitSet(kTransmitPollMs) || StopRequested()) return;
  }
}

void TApdPosixDispatcher::RaiseRts() {
  std::lock_guard lock(devLock_);
  if (device_.RtsToggleByHand()) rtsRaised_ = device_.EscapeFunction(esc_SETRTS);
}

void TApdPosixDispatcher::DropRts() {
  if (!rtsRaised_) return;
  rtsRaised_ = false;
  WaitTransmitted();
  std::lock_guard lock(devLock_);
  device_.EscapeFunction(esc_CLRRTS);
}

void TApdPosixDispatcher::OutputDrained() {
  DropRts();
}

bool TApdPosixDispatcher::WriteRun(const char* data, uint32_t length, uint32_t& done) {
  if (!WaitForDsr()) {
    DropRts();
    if (outFlush_.Wake().TryTake()) AnswerFlush();
    return false;
  }
  if (!rtsRaised_) RaiseRts();
  for (;;) {
    TSerialDevice::TIoResult r;
    {
      std::lock_guard lock(devLock_);
      r = device_.Write(data, length);
    }
    if (r.Status != TSerialDevice::TIo::Ok) {
      // A failed write drops the bytes; an unplugged device takes nothing any more.
      done = length;
      return true;
    }
    if (r.Count > 0) {
      done = static_cast<uint32_t>(r.Count);
      return true;
    }
    // The driver's queue is full: wait for room, or for a flush that ends the write.
    device_.WaitWritable(-1, outFlush_.Wake().Fd());
    if (outFlush_.Wake().TryTake()) {
      DropRts();
      AnswerFlush();
      return false;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Priorities

uint64_t TApdPosixDispatcher::CallingThreadId() {
  return CurrentThreadId();
}

void TApdPosixDispatcher::SetThreadPriority(uint64_t threadId, int steps) {
  SetThreadNice(threadId, baseNice_ - steps);
}
