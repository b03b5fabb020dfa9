#include "serial/AwUser.h"

#include <algorithm>
#include <cstring>

#include "serial/AdErrCodes.h"

namespace {

std::recursive_mutex& ListLock() {
  static std::recursive_mutex lock;
  return lock;
}

std::vector<TApdBaseDispatcher*>& List() {
  static std::vector<TApdBaseDispatcher*> list;
  return list;
}

constexpr int32_t MaxHandleCounter = 4096;
constexpr int32_t MaxReusedHandle = 4096;
constexpr int32_t HandleKindMask = 7;

}  // namespace

std::recursive_mutex& DispatcherListLock() {
  return ListLock();
}

TApdBaseDispatcher* DispatcherAt(int index) {
  std::lock_guard lock(ListLock());
  auto& list = List();
  if (index < 0 || index >= static_cast<int>(list.size())) return nullptr;
  return list[static_cast<size_t>(index)];
}

int DispatcherListCount() {
  std::lock_guard lock(ListLock());
  return static_cast<int>(List().size());
}

// ---------------------------------------------------------------------------------------------
// Life cycle

TApdBaseDispatcher::TApdBaseDispatcher(TObject* owner) : owner_(owner) {
  std::lock_guard lock(ListLock());
  auto& list = List();
  auto slot = std::find(list.begin(), list.end(), nullptr);
  if (slot != list.end()) {
    *slot = this;
  } else {
    list.push_back(this);
    slot = list.end() - 1;
  }
  index_ = static_cast<int>(slot - list.begin());
}

TApdBaseDispatcher::~TApdBaseDispatcher() {
  std::lock_guard lock(ListLock());
  auto& list = List();
  if (index_ >= 0 && index_ < static_cast<int>(list.size()))
    list[static_cast<size_t>(index_)] = nullptr;
  while (!list.empty() && list.back() == nullptr) list.pop_back();
}

void TApdBaseDispatcher::ShutdownDispatcher() {
  if (shutDown_) return;
  shutDown_ = true;
  if (closePending_.load())
    ReleaseBuffers();
  else
    CloseDevicePort();
  WndMsg().PumpUntil([this] { return liveThreads_.load() == 0; });
  std::lock_guard lock(dispLock_);
  RemoveAllTriggers();
  wndHandlers_.clear();
}

int TApdBaseDispatcher::ThreadEnded() {
  int left = --liveThreads_;
  if (left == 0) threadsRunning_.store(false);
  WndMsg().Wake();
  return left;
}

int TApdBaseDispatcher::OpenDevicePort(const std::string& name, int32_t baud, uint8_t parity,
                                       uint16_t dataBits, uint16_t stopBits, uint32_t inSize,
                                       uint32_t outSize, uint32_t options) {
  {
    std::lock_guard lock(dispLock_);
    ringFlag_.store(false);
    dispatching_ = false;
    handlerDeleted_ = false;
  }
  int cid = OpenDeviceHandle(name, inSize, outSize);
  if (cid < 0) return cid == ecOutOfMemory ? ecOutOfMemory : -LastDeviceError();
  cid_ = cid;
  auto fail = [this](int code) {
    CloseDevicePort();
    return code;
  };
  if (!SetupDeviceQueues(inSize, outSize)) return fail(-LastDeviceError());

  {
    std::scoped_lock lock(inLock_, dispLock_, outLock_);
    buffer_.assign(DispatchBufferSize, 0);
    outBuff_.assign(outSize, 0);
    outHead_ = outTail_ = 0;
    outFull_ = false;
    inQue_ = inSize;
    outQue_ = outSize;
    comStat_ = TComStat{};
    lineErrors_ = 0;
    outSent_ = false;
    closePending_.store(false);
    full_ = false;
    getCount_ = 0;
    modemStatus_ = 0;
    rs485_ = false;
    GetDeviceState(dcb_);
  }

  if (options & ooDtrHandshake)
    dtrHandshake_ = true;
  else
    SetDtr((options & ooDtr) != 0);
  if (options & ooRtsHandshake)
    rtsHandshake_ = true;
  else
    SetRts((options & ooRts) != 0);

  {
    std::scoped_lock lock(inLock_, dispLock_);
    lastTailData_ = 0;
    RemoveAllTriggers();
    head_ = tail_ = notifyTail_ = 0;
    arrivedSinceNotify_ = false;
    for (auto& s : statuses_) s.Hit = false;
    globalStatusHit_ = false;
    inAvailDispatch_ = false;
    lastBaud_ = 115200;
  }
  GetModemStatus(msr_LevelMask);

  int rc = SetLine(baud, parity, stopBits, dataBits);
  if (rc != ecOK) return fail(rc);

  RefreshStatus();
  {
    std::scoped_lock lock(inLock_, dispLock_);
    trace_.Release();
    log_.Release();
    LogChanged();
    logStart_ = AdTimeGetTime();
  }
  StartThreads();
  return ecOK;
}

void TApdBaseDispatcher::CloseDevicePort() {
  if (cid_ >= 0) {
    FlushOutput();
    FlushInput();
    CloseDevice();
    cid_ = -1;
  }
  {
    std::lock_guard lock(dispLock_);
    if (dispatching_) {
      closePending_.store(true);
      return;
    }
  }
  ReleaseBuffers();
}

void TApdBaseDispatcher::ReleaseBuffers() {
  if (threadsRunning_.load()) StopThreads();
  ReleaseNow();
}

void TApdBaseDispatcher::ReleaseNow() {
  std::scoped_lock lock(inLock_, dispLock_, outLock_);
  buffer_.clear();
  buffer_.shrink_to_fit();
  outBuff_.clear();
  outBuff_.shrink_to_fit();
  head_ = tail_ = 0;
  full_ = false;
  outHead_ = outTail_ = 0;
  outFull_ = false;
}

void TApdBaseDispatcher::ApplyPriorityBoost(int boost) {
  priorityBoost_ = boost;
}

// ---------------------------------------------------------------------------------------------
// Trace and log

void TApdBaseDispatcher::LogChanged() {
  logging_.store(log_.Active(), std::memory_order_relaxed);
}

int TApdBaseDispatcher::StartTracing(uint32_t entries) {
  TraceLock lock(*this);
  return trace_.Start(entries);
}

void TApdBaseDispatcher::ClearTracing() {
  TraceLock lock(*this);
  trace_.Clear();
}

void TApdBaseDispatcher::PauseTracing() {
  TraceLock lock(*this);
  trace_.SetActive(false);
}

void TApdBaseDispatcher::ResumeTracing() {
  TraceLock lock(*this);
  trace_.SetActive(true);
}

void TApdBaseDispatcher::StopTracing() {
  TraceLock lock(*this);
  trace_.Release();
}

int TApdBaseDispatcher::WriteTrace(const std::string& fileName, bool append, bool inHex,
                                   bool allHex, bool* written) {
  TraceLock lock(*this);
  bool wrote = false;
  int rc = trace_.Write(fileName, append, inHex, allHex, wrote);
  if (written) *written = wrote;
  return rc;
}

int TApdBaseDispatcher::DumpTrace(const std::string& fileName, bool inHex, bool allHex,
                                  bool* written) {
  return WriteTrace(fileName, false, inHex, allHex, written);
}

int TApdBaseDispatcher::StartLogging(uint32_t bytes) {
  std::lock_guard lock(dispLock_);
  int rc = log_.Start(bytes);
  LogChanged();
  return rc;
}

void TApdBaseDispatcher::ClearLogging() {
  std::lock_guard lock(dispLock_);
  log_.Clear();
}

void TApdBaseDispatcher::PauseLogging() {
  std::lock_guard lock(dispLock_);
  log_.SetActive(false);
  LogChanged();
}

void TApdBaseDispatcher::ResumeLogging() {
  std::lock_guard lock(dispLock_);
  log_.SetActive(true);
  LogChanged();
}

void TApdBaseDispatcher::StopLogging() {
  std::lock_guard lock(dispLock_);
  log_.Release();
  LogChanged();
}

int TApdBaseDispatcher::WriteLog(const std::string& fileName, bool append, bool inHex, bool allHex,
                                 bool* written) {
  std::lock_guard lock(dispLock_);
  bool wrote = false;
  int rc = log_.Write(fileName, append, inHex, allHex, portName_, wrote);
  LogChanged();
  if (written) *written = wrote;
  return rc;
}

int TApdBaseDispatcher::DumpLog(const std::string& fileName, bool inHex, bool allHex,
                                bool* written) {
  return WriteLog(fileName, false, inHex, allHex, written);
}

bool TApdBaseDispatcher::Tracing() {
  TraceLock lock(*this);
  return trace_.Active();
}

bool TApdBaseDispatcher::Logging() {
  std::lock_guard lock(dispLock_);
  return log_.Active();
}

bool TApdBaseDispatcher::TurnsWanted() {
  if (ReceiveBufferFull()) return true;
  std::lock_guard lock(dispLock_);
  return std::any_of(timers_.begin(), timers_.end(),
                     [](const TTimerTrigger& t) { return t.Active; }) ||
         std::any_of(statuses_.begin(), statuses_.end(),
                     [](const TStatusTrigger& s) { return s.Enabled; });
}

bool TApdBaseDispatcher::TraceExists() {
  TraceLock lock(*this);
  return trace_.Exists();
}

bool TApdBaseDispatcher::LogExists() {
  std::lock_guard lock(dispLock_);
  return log_.Exists();
}

TApdTraceRecorder TApdBaseDispatcher::TakeTrace() {
  TraceLock lock(*this);
  TApdTraceRecorder taken = std::move(trace_);
  trace_ = TApdTraceRecorder();
  return taken;
}

TApdDispatchLogRecorder TApdBaseDispatcher::TakeLog() {
  std::lock_guard lock(dispLock_);
  TApdDispatchLogRecorder taken = std::move(log_);
  log_ = TApdDispatchLogRecorder();
  LogChanged();
  return taken;
}

uint32_t TApdBaseDispatcher::LogStartTime() {
  std::lock_guard lock(dispLock_);
  return logStart_;
}

void TApdBaseDispatcher::Log(TDispatchType type, TDispatchSubType sub, uint32_t data,
                             const void* extra, uint32_t length) {
  if (!logging_.load(std::memory_order_relaxed)) return;
  std::lock_guard lock(dispLock_);
  log_.Add(type, sub, AdTimeGetTime() - logStart_, data, length ? extra : nullptr, length);
}

// ---------------------------------------------------------------------------------------------
// Receive buffer

uint32_t TApdBaseDispatcher::StoredBytes() const {
  if (buffer_.empty()) return 0;
  if (tail_ == head_) return full_ ? DispatchBufferSize : 0;
  return (tail_ + DispatchBufferSize - head_) % DispatchBufferSize;
}

bool TApdBaseDispatcher::ReceiveBufferFull() {
  std::lock_guard lock(inLock_);
  return full_;
}

int TApdBaseDispatcher::PeekByte(uint32_t n, char& c) {
  std::lock_guard lock(inLock_);
  if (n == 0 || n > StoredBytes()) return ecBufferIsEmpty;
  c = buffer_[(head_ + n - 1) % DispatchBufferSize];
  return ecOK;
}

int TApdBaseDispatcher::ReadChar(char& c) {
  std::lock_guard lock(inLock_);
  if (inAvailDispatch_) {
    if (getCount_ + 1 > StoredBytes()) return ecBufferIsEmpty;
    c = buffer_[(head_ + getCount_) % DispatchBufferSize];
    ++getCount_;
  } else {
    if (StoredBytes() == 0) return ecBufferIsEmpty;
    c = buffer_[head_];
    head_ = (head_ + 1) % DispatchBufferSize;
    full_ = false;
  }
  // The input lock held here guards the trace too: no second lock for every character.
  trace_.Add('R', c);
  return ecOK;
}

int TApdBaseDispatcher::GetBlock(char* block, uint32_t count) {
  std::lock_guard lock(inLock_);
  uint32_t available = StoredBytes() - (inAvailDispatch_ ? getCount_ : 0);
  if (count > available) return ecBufferIsEmpty;
  for (uint32_t i = 0; i < count; ++i) ReadChar(block[i]);
  return static_cast<int>(count);
}

int TApdBaseDispatcher::PeekBlock(char* block, uint32_t count) {
  std::lock_guard lock(inLock_);
  uint32_t skip = inAvailDispatch_ ? getCount_ : 0;
  if (count > StoredBytes() - skip) return ecBufferIsEmpty;
  for (uint32_t i = 0; i < count; ++i) block[i] = buffer_[(head_ + skip + i) % DispatchBufferSize];
  return static_cast<int>(count);
}

uint32_t TApdBaseDispatcher::InputCount() {
  std::lock_guard lock(inLock_);
  uint32_t n = StoredBytes();
  return inAvailDispatch_ ? n - std::min(n, getCount_) : n;
}

uint32_t TApdBaseDispatcher::OutBuffUsed() {
  std::lock_guard lock(outLock_);
  if (outFull_) return outQue_;
  if (outTail_ >= outHead_) return outTail_ - outHead_;
  return outQue_ + outTail_ - outHead_;
}

// The device status record belongs to the dispatcher lock; the device layer takes the output
// lock inside GetDeviceStatus for its own output ring.
uint32_t TApdBaseDispatcher::OutputCount() {
  std::lock_guard lock(dispLock_);
  RefreshStatus();
  return comStat_.OutQueue;
}

uint32_t TApdBaseDispatcher::OutputFree() {
  std::lock_guard lock(dispLock_);
  RefreshStatus();
  return outQue_ - std::min(outQue_, comStat_.OutQueue);
}

int TApdBaseDispatcher::FlushOutput() {
  return FlushDevice(0);
}

int TApdBaseDispatcher::FlushInput() {
  std::lock_guard lock(inLock_);
  int rc = FlushDevice(1);
  if (inAvailDispatch_)
    maxGetCount_ = StoredBytes();
  else {
    head_ = tail_;
    getCount_ = 0;
  }
  full_ = false;
  std::lock_guard dlock(dispLock_);
  for (auto& d : datas_) {
    d.MatchState = 0;
    d.Matched = false;
  }
  return rc;
}

bool TApdBaseDispatcher::ReadDeviceIntoBuffer() {
  std::lock_guard lock(inLock_);
  if (buffer_.empty()) return false;
  if (full_) return true;
  RefreshStatus();
  uint32_t driverBytes;
  {
    std::lock_guard dlock(dispLock_);
    driverBytes = comStat_.InQueue;
  }
  if (driverBytes == 0) return false;

  uint32_t contiguous = head_ > tail_ ? head_ - tail_ : DispatchBufferSize - tail_;
  uint32_t freeSpace = DispatchBufferSize - StoredBytes();
  uint32_t wanted = std::min(freeSpace, driverBytes);
  bool secondPart = wanted > contiguous;

  auto readPart = [this](uint32_t size) -> uint32_t {
    int n = ReadDevice(&buffer_[tail_], size);
    if (n < 0) {
      // The failed read counts as nothing received.
      ReportReadError(n);
      n = 0;
    }
    uint32_t got = std::min(static_cast<uint32_t>(n), size);
    if (got > 0) arrivedSinceNotify_ = true;
    Log(dtDispatch, dstReadCom, got, got ? &buffer_[tail_] : nullptr, got);
    return got;
  };

  if (contiguous > 0) {
    uint32_t got = readPart(contiguous);
    tail_ += got;
    if (got < contiguous) secondPart = false;
    if (tail_ == DispatchBufferSize) tail_ = 0;
    if (got > 0) full_ = tail_ == head_;
  }
  if (secondPart && !full_) {
    uint32_t rest = head_ > tail_ ? head_ - tail_ : DispatchBufferSize - tail_;
    uint32_t got = readPart(rest);
    tail_ = (tail_ + got) % DispatchBufferSize;
    if (got > 0) full_ = tail_ == head_;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Checks and notification

bool TApdBaseDispatcher::AvailCheck() {
  uint32_t n;
  uint32_t tail;
  {
    std::lock_guard lock(inLock_);
    // Data (string) triggers would scan the new bytes here; none are ever created.
    if (lastTailData_ != tail_) lastTailData_ = tail_;
    n = InputCount();
    tail = tail_;
    std::lock_guard dlock(dispLock_);
    bool nothingNew = tail_ == notifyTail_ && !arrivedSinceNotify_;
    if (availThreshold_ == 0 || nothingNew || n < availThreshold_) return false;
  }
  Log(dtTrigger, dstAvail, n);
  bool result = Notify(MsgTriggerAvail, n, 0);
  std::lock_guard lock(inLock_);
  notifyTail_ = tail;
  arrivedSinceNotify_ = false;
  return result;
}

bool TApdBaseDispatcher::TimerCheck() {
  int32_t handle = 0;
  {
    std::lock_guard lock(dispLock_);
    int32_t now = CurrentTicks();
    for (auto& t : timers_) {
      if (t.Active && TimerExpiredAt(t.Timer, now)) {
        t.Active = false;
        handle = t.Handle;
        break;
      }
    }
    if (handle == 0) return false;
  }
  Log(dtTrigger, dstTimer, static_cast<uint32_t>(handle));
  return Notify(MsgTriggerTimer, static_cast<WPARAM>(handle), 0);
}

bool TApdBaseDispatcher::StatusCheck() {
  int32_t handle = 0;
  uint16_t value = 0;
  {
    std::lock_guard lock(dispLock_);
    for (auto& s : statuses_) {
      if (!s.Enabled || s.Hit) continue;
      bool fire = false;
      switch (s.Kind) {
        case skModemLines: {
          uint8_t captured = static_cast<uint8_t>(s.Value & 0xFF);
          uint8_t mask = static_cast<uint8_t>(s.Value >> 8);
          fire = ((captured ^ modemStatus_) & mask) != 0;
          break;
        }
        case skLineError:
          if ((s.Value & lineErrors_) != 0) {
            fire = true;
            s.Value = static_cast<uint16_t>(lineErrors_);
          }
          break;
        case skOutputFree: {
          uint32_t n = OutputFree();
          fire = n >= s.Value;
          value = static_cast<uint16_t>(n);
          break;
        }
        case skOutputUsed: {
          uint32_t n = OutputCount();
          fire = n <= s.Value;
          value = static_cast<uint16_t>(n);
          break;
        }
        case skOutputSent:
          fire = outSent_;
          if (fire) outSent_ = false;
          break;
        default:
          break;
      }
      if (fire) {
        s.Enabled = false;
        s.Hit = true;
        globalStatusHit_ = true;
        handle = s.Handle;
        break;
      }
      value = 0;
    }
    if (handle == 0) return false;
    UpdateLinesWatched();
  }
  Log(dtTrigger, dstStatus, static_cast<uint32_t>(handle));
  return Notify(MsgTriggerStatus, static_cast<WPARAM>(handle), value);
}

void TApdBaseDispatcher::ClearHitFlags() {
  std::lock_guard lock(dispLock_);
  if (!globalStatusHit_) return;
  for (auto& s : statuses_) s.Hit = false;
  globalStatusHit_ = false;
}

bool TApdBaseDispatcher::StatusRun() {
  while (StatusCheck())
    if (closePending_.load()) return false;
  return !closePending_.load();
}

bool TApdBaseDispatcher::Notify(UINT msg, WPARAM wParam, uint16_t value) {
  LPARAM lParam;
  {
    std::lock_guard lock(dispLock_);
    if (!handlerServiceNeeded_) return true;
    dispatching_ = true;
    lParam = static_cast<LPARAM>(value) + static_cast<LPARAM>(index_) * 65536;
  }
  bool availDispatch = msg == MsgTriggerAvail || msg == MsgTriggerData;
  {
    std::lock_guard lock(inLock_);
    maxGetCount_ = 0;
    // Reset together with the flag: a handler whose send timed out may still be reading, and
    // its reads from now on count for this dispatch.
    getCount_ = 0;
    inAvailDispatch_ = availDispatch;
  }
  bool result = true;
  bool sendToWindows;
  {
    std::lock_guard lock(dispLock_);
    sendToWindows = wndHandlers_.size() > 1 || portHandlerInstalled_;
  }
  bool closed = false;
  for (size_t i = 0; sendToWindows; ++i) {
    TWndHandler handler;
    {
      std::lock_guard lock(dispLock_);
      if (i >= wndHandlers_.size()) break;
      handler = wndHandlers_[i];
    }
    if (i > 0) {
      std::lock_guard lock(inLock_);
      getCount_ = 0;
    }
    if (!handler.Deleted) {
      LRESULT ignored;
      WndMsg().SendMessageTimeout(handler.Window, msg, wParam, lParam, NotifyTimeoutMs, &ignored);
    }
    if (closePending_.load()) {
      closed = true;
      result = false;
      break;
    }
    std::lock_guard lock(inLock_);
    maxGetCount_ = std::max(maxGetCount_, getCount_);
  }

  {
    std::lock_guard lock(inLock_);
    if (availDispatch) {
      // Reads made after the last handler's count was taken, by a handler still running past
      // its send's time-out, are consumed too, or they would be read again.
      if (!closed) maxGetCount_ = std::max(maxGetCount_, getCount_);
      inAvailDispatch_ = false;
      if (!closed && !buffer_.empty()) {
        uint32_t advance = std::min(maxGetCount_, StoredBytes());
        head_ = (head_ + advance) % DispatchBufferSize;
        if (advance != 0) full_ = false;
        if (msg == MsgTriggerAvail && maxGetCount_ != wParam) result = false;
      }
    }
    getCount_ = 0;
  }
  std::lock_guard lock(dispLock_);
  dispatching_ = false;
  if (handlerDeleted_) {
    std::erase_if(wndHandlers_, [](const TWndHandler& h) { return h.Deleted; });
    handlerDeleted_ = false;
    RecomputeKeep();
  }
  return result;
}

void TApdBaseDispatcher::MapModemStatusChange() {
  std::lock_guard lock(dispLock_);
  uint8_t before = modemStatus_;
  GetModemStatus(0xFF);
  uint8_t moved = static_cast<uint8_t>((before ^ modemStatus_) & msr_LevelMask);
  if (moved & msr_Cts) modemStatus_ |= msr_DeltaCts;
  if (moved & msr_Dsr) modemStatus_ |= msr_DeltaDsr;
  if (moved & msr_Ring) modemStatus_ |= msr_TrailingRing;
  if (moved & msr_Dcd) modemStatus_ |= msr_DeltaDcd;
}

void TApdBaseDispatcher::DispatchEvents(uint32_t eventMask) {
  if (eventMask & (ev_CTS | ev_DSR | ev_RLSD | ev_RING | ev_RINGTE)) {
    MapModemStatusChange();
    if (!Dispatching()) {
      if (!StatusRun()) return;
      ClearHitFlags();
    }
  }
  if ((eventMask & 0xFF) >= ev_BREAK) {
    RefreshStatus();
    if (!Dispatching()) {
      if (!StatusRun()) return;
      ClearHitFlags();
    }
  }
  ReadDeviceIntoBuffer();
  if (!Dispatching()) {
    if (!StatusRun()) return;
    while (AvailCheck())
      if (closePending_.load()) return;
    if (closePending_.load()) return;
  }
  ClearHitFlags();
}

void TApdBaseDispatcher::DispatchTimers() {
  if (closePending_.load() || Dispatching()) return;
  {
    std::lock_guard lock(dispLock_);
    globalStatusHit_ = false;
  }
  while (!closePending_.load() && (StatusCheck() || TimerCheck())) {
  }
  ClearHitFlags();
}

// ---------------------------------------------------------------------------------------------
// Handlers

void TApdBaseDispatcher::AddWindowHandler(HWND window) {
  std::lock_guard lock(dispLock_);
  wndHandlers_.push_back(TWndHandler{window, false});
  handlerServiceNeeded_ = true;
  Log(dtTriggerHandlerAlloc, dstWndHandler, window);
}

void TApdBaseDispatcher::RemoveWindowHandler(HWND window) {
  std::lock_guard lock(dispLock_);
  auto it = std::find_if(wndHandlers_.begin(), wndHandlers_.end(), [window](const TWndHandler& h) {
    return h.Window == window && !h.Deleted;
  });
  if (it == wndHandlers_.end()) return;
  Log(dtTriggerHandlerDispose, dstWndHandler, window);
  if (dispatching_) {
    it->Deleted = true;
    handlerDeleted_ = true;
  } else {
    wndHandlers_.erase(it);
    RecomputeKeep();
  }
}

void TApdBaseDispatcher::UpdateLinesWatched() {
  bool watched = std::any_of(statuses_.begin(), statuses_.end(), [](const TStatusTrigger& s) {
    return s.Enabled && (s.Kind == skModemLines || s.Kind == skLineError);
  });
  if (linesWatched_.exchange(watched) != watched) LinesWatchChanged();
}

void TApdBaseDispatcher::RecomputeKeep() {
  // Callback handler lists are never filled in this system; only window handlers count.
  handlerServiceNeeded_ = wndHandlers_.size() > 1 || portHandlerInstalled_;
}

void TApdBaseDispatcher::RecomputeHandlerService(int kind) {
  std::lock_guard lock(dispLock_);
  switch (kind) {
    case hsInstall:
      portHandlerInstalled_ = true;
      handlerServiceNeeded_ = true;
      break;
    case hsUninstall:
      portHandlerInstalled_ = false;
      RecomputeKeep();
      break;
    default:
      RecomputeKeep();
      break;
  }
}

bool TApdBaseDispatcher::HandlerServiceNeeded() {
  std::lock_guard lock(dispLock_);
  return handlerServiceNeeded_;
}

bool TApdBaseDispatcher::Dispatching() {
  std::lock_guard lock(dispLock_);
  return dispatching_;
}

bool TApdBaseDispatcher::ClosePending() {
  return closePending_.load();
}

// ---------------------------------------------------------------------------------------------
// Triggers

void TApdBaseDispatcher::SetAvailThreshold(uint32_t threshold) {
  std::lock_guard lock(dispLock_);
  availThreshold_ = threshold;
  Log(dtTriggerDataChange, dstAvailTrigger, threshold);
}

uint32_t TApdBaseDispatcher::AvailThreshold() {
  std::lock_guard lock(dispLock_);
  return availThreshold_;
}

int32_t TApdBaseDispatcher::NewTriggerHandle() {
  if (handleCounter_ < MaxHandleCounter) return handleCounter_++ * 8;
  auto used = [this](int32_t h) {
    return std::any_of(timers_.begin(), timers_.end(), [h](auto& t) { return t.Handle == h; }) ||
           std::any_of(statuses_.begin(), statuses_.end(),
                       [h](auto& s) { return (s.Handle & ~HandleKindMask) == h; }) ||
           std::any_of(datas_.begin(), datas_.end(), [h](auto& d) { return d.Handle == h; });
  };
  // Multiples of 8 from 8: 0 would collide with "no handle".
  for (int32_t h = 8; h <= MaxReusedHandle; h += 8)
    if (!used(h)) return h;
  return ecNoMoreTriggers;
}

int TApdBaseDispatcher::CreateTimerTrigger() {
  std::lock_guard lock(dispLock_);
  int32_t handle = NewTriggerHandle();
  if (handle < 0) return handle;
  TTimerTrigger t;
  t.Handle = handle;
  timers_.push_back(t);
  Log(dtTriggerAlloc, dstTimerTrigger, static_cast<uint32_t>(handle));
  return handle;
}

int TApdBaseDispatcher::CreateStatusTrigger(uint16_t kind) {
  if (kind > skOutputSent) return ecBadArgument;
  std::lock_guard lock(dispLock_);
  int32_t handle = NewTriggerHandle();
  if (handle < 0) return handle;
  TStatusTrigger s;
  s.Handle = handle | kind;
  s.Kind = kind;
  statuses_.push_back(s);
  uint8_t kindByte = static_cast<uint8_t>(kind);
  Log(dtTriggerAlloc, dstStatusTrigger, static_cast<uint32_t>(s.Handle), &kindByte, 1);
  return s.Handle;
}

TTimerTrigger* TApdBaseDispatcher::FindTimer(int32_t handle) {
  if (handle < 2) return nullptr;
  for (auto& t : timers_)
    if (t.Handle == handle) return &t;
  return nullptr;
}

TStatusTrigger* TApdBaseDispatcher::FindStatus(int32_t handle) {
  if (handle < 2) return nullptr;
  for (auto& s : statuses_)
    if (s.Handle == handle) return &s;
  return nullptr;
}

int TApdBaseDispatcher::ArmTimerTrigger(int32_t handle, int32_t ticks, bool activate) {
  std::lock_guard lock(dispLock_);
  TTimerTrigger* t = FindTimer(handle);
  if (!t) return ecBadTriggerHandle;
  if (activate) {
    if (ticks != 0) t->Ticks = ticks;
    NewTimer(t->Timer, t->Ticks);
  }
  t->Active = activate;
  if (activate) TurnsChanged();
  if (activate) {
    int32_t stored = t->Ticks;
    Log(dtTriggerDataChange, dstTimerTrigger, static_cast<uint32_t>(handle), &stored, 4);
  } else {
    static const char deactivated[] = "Deactivated";
    Log(dtTriggerDataChange, dstTimerTrigger, static_cast<uint32_t>(handle), deactivated,
        sizeof deactivated - 1);
  }
  return ecOK;
}

int TApdBaseDispatcher::ArmStatusTrigger(int32_t handle, uint16_t value, bool activate) {
  std::lock_guard lock(dispLock_);
  TStatusTrigger* s = FindStatus(handle);
  if (!s) return ecBadTriggerHandle;
  if (activate) {
    switch (s->Kind) {
      case skModemLines: {
        uint8_t mask = static_cast<uint8_t>(value);
        s->Value = static_cast<uint16_t>((mask << 8) | (mask & modemStatus_));
        break;
      }
      case skLineError: {
        uint16_t flags = 0;
        if (value & 1) flags |= ce_OVERRUN;
        if (value & 2) flags |= ce_RXPARITY;
        if (value & 4) flags |= ce_FRAME;
        if (value & 8) flags |= ce_BREAK;
        s->Value = flags;
        break;
      }
      default:
        s->Value = value;
        break;
    }
    uint8_t record[4] = {static_cast<uint8_t>(s->Value & 0xFF), static_cast<uint8_t>(s->Value >> 8),
                         static_cast<uint8_t>(activate), static_cast<uint8_t>(s->Hit)};
    Log(dtTriggerDataChange, dstStatusTrigger, static_cast<uint32_t>(handle), record, 4);
  }
  s->Enabled = activate;
  UpdateLinesWatched();
  if (activate) TurnsChanged();
  return ecOK;
}

int TApdBaseDispatcher::DeleteTrigger(int32_t handle) {
  std::lock_guard lock(dispLock_);
  if (handle == AvailTriggerHandle) {
    availThreshold_ = 0;
    return ecOK;
  }
  if (handle < 2) return ecBadTriggerHandle;
  auto t =
      std::find_if(timers_.begin(), timers_.end(), [&](auto& r) { return r.Handle == handle; });
  if (t != timers_.end()) {
    timers_.erase(t);
    Log(dtTriggerDispose, dstTimer, static_cast<uint32_t>(handle));
    return ecOK;
  }
  auto s =
      std::find_if(statuses_.begin(), statuses_.end(), [&](auto& r) { return r.Handle == handle; });
  if (s != statuses_.end()) {
    uint8_t kindByte = static_cast<uint8_t>(s->Kind);
    statuses_.erase(s);
    UpdateLinesWatched();
    Log(dtTriggerDispose, dstStatusTrigger, static_cast<uint32_t>(handle), &kindByte, 1);
    return ecOK;
  }
  auto d = std::find_if(datas_.begin(), datas_.end(), [&](auto& r) { return r.Handle == handle; });
  if (d != datas_.end()) {
    datas_.erase(d);
    Log(dtTriggerDispose, dstData, static_cast<uint32_t>(handle));
    return ecOK;
  }
  return ecBadTriggerHandle;
}

void TApdBaseDispatcher::RemoveAllTriggers() {
  availThreshold_ = 0;
  timers_.clear();
  statuses_.clear();
  datas_.clear();
  handleCounter_ = 1;
  UpdateLinesWatched();
}

void TApdBaseDispatcher::SnapshotTriggers(TTriggerSave& set) {
  std::lock_guard lock(dispLock_);
  set.AvailThreshold = availThreshold_;
  set.Timers = timers_;
  set.Datas = datas_;
  set.Statuses = statuses_;
}

void TApdBaseDispatcher::ReinstateTriggers(const TTriggerSave& set) {
  std::lock_guard lock(dispLock_);
  availThreshold_ = set.AvailThreshold;
  timers_ = set.Timers;
  datas_ = set.Datas;
  statuses_ = set.Statuses;
  UpdateLinesWatched();
}

std::vector<TTimerTrigger> TApdBaseDispatcher::TimerTriggers() {
  std::lock_guard lock(dispLock_);
  return timers_;
}

std::vector<TStatusTrigger> TApdBaseDispatcher::StatusTriggers() {
  std::lock_guard lock(dispLock_);
  return statuses_;
}

void TApdBaseDispatcher::SetOptionFlag(uint32_t bits) {
  std::lock_guard lock(dispLock_);
  options_ |= bits;
}

void TApdBaseDispatcher::ClearOptionFlag(uint32_t bits) {
  std::lock_guard lock(dispLock_);
  options_ &= ~bits;
}

uint32_t TApdBaseDispatcher::OptionFlags() {
  std::lock_guard lock(dispLock_);
  return options_;
}
